#pragma once
// A fake kernel behind libmnl's socket calls, for the fuzz targets: each socket the code
// opens is one end of a packet socket pair whose other end already sent the next part of
// the input and is closed. No netlink message of a target ever reaches the real kernel.
#include <cstddef>
#include <cstdint>

namespace fake_kernel {

// The input: datagrams, each a two-byte little-endian length and its bytes; a length of 0
// ends the datagrams of one socket. A socket opened past the input reads nothing.
void load(const std::uint8_t* data, std::size_t size);

}  // namespace fake_kernel
