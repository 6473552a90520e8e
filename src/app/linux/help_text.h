#pragma once
// The --help text (ASCII): the whole of it, or one command's part.
#include <string>

#include "app/linux/command_line.h"

// Command::None or Command::Help: every command; another: that command's usage, what it
// does, the files it reads and writes, its options and exit codes.
std::string usageText(Command about = Command::None);
