#pragma once
// `vetrel scan`: the scan page's run, stop and repeat, on a console.
#include "app/linux/command_line.h"

int runScan(const CommandLine& cl);
