#pragma once
// Text that comes from outside (a mail server's reply, a host name from the resolver, an
// interface name, a field of a file) made fit for one line of the journal, a list or a
// file row. A line break in it would start a forged line of its own; ESC and the other
// control characters would drive the reader's terminal.
#include <cstddef>
#include <string>
#include <string_view>

// A control character: below 0x20, or DEL. Bytes from 0x80 up are Windows-1251 letters.
inline bool isControlByte(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The text up to its first CR or LF, every other control character (TAB too) replaced by '?'.
std::string cleanExternalText(std::string_view text);
// The same in place, for a zero-terminated text in a buffer of capacity bytes.
void cleanExternalText(char* text, std::size_t capacity);
