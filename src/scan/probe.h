#pragma once
// Probing one address for its MAC and its host name. Any thread.
#include <cstddef>
#include <cstdint>

bool probeMac(std::uint32_t addressNetworkOrder, char (&macText)[20]);
// Copies at most capacity - 1 characters of the name.
bool probeName(std::uint32_t addressNetworkOrder, char* name, std::size_t capacity);
