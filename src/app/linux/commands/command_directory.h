#pragma once
// The data directory every command works in, and what it says when it cannot.
#include <string>

// Whether the directory is usable; if not, the reason went to stderr (exit with kExitUsage).
bool usableDirectory(const std::string& dir);
// Enters it and reads its files from there; if not, said on stderr (exit with kExitFailure).
bool enterDirectory(const std::string& dir);
