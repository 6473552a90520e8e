#pragma once
// One SMTP request and its reply, and the base64 form of the login and password.
#include <cstddef>

#include "platform/socket_platform.h"

inline constexpr std::size_t kSmtpReplyCapacity = 2048;
inline constexpr std::size_t kSmtpRequestCapacity = 2048;

// How long a request may wait for the socket and its reply (60 s); tests lower it.
extern int smtpWaitMs;

// Sends the request (none when null or empty) and reads the reply up to its last line.
// Answers the reply's code; 0 when nothing came in time (or the reply has no code), -1 on a
// socket error. Until the first reply byte arrives the buffer keeps the previous reply; bytes
// beyond capacity - 1 are read and dropped, so a huge reply costs no memory.
int smtpExchange(platform::SocketHandle s, const char* request, std::size_t length, char* reply,
                 std::size_t capacity);

// The decimal number at the start of a reply, leading blanks skipped; 0 without digits.
int smtpReplyCode(const char* reply);

// Standard base64 of the zero-terminated in, zero-terminated, no line breaks; at most
// (capacity - 1) / 4 groups. Answers the characters written.
std::size_t base64Encode(char* out, const char* in, std::size_t capacity);
