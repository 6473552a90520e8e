#pragma once
// vetrel settings [set KEY=VALUE... | set-password]: shows or edits quorel.ini.
#include "app/linux/command_line.h"

int runSettings(const CommandLine& cl);
