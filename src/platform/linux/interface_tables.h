#pragma once
// The kernel's link and address tables, in the kernel's order.
#include <cstdint>
#include <vector>

#include "platform/linux/interface_parse.h"

// 0 or an errno value; the list is empty on failure.
std::uint32_t readLinks(std::vector<LinkRecord>& links);
std::uint32_t readAddresses(std::vector<AddressRecord>& addresses);
std::uint32_t readAddresses6(std::vector<Address6Row>& addresses);
