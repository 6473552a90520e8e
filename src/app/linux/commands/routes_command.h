#pragma once
// `vetrel routes`: the route table as the routes tab shows it.
#include <string>
#include <vector>

#include "app/linux/command_line.h"

// Header plus rows, each column right-aligned to its widest cell, two blanks between
// columns, lines ending in "\n". Windows-1251 in and out (one byte per character).
std::string formatRouteTable(const std::vector<std::vector<std::string>>& rows);

// Reads the kernel's route table into the routes list; false, with a warning, when it cannot.
bool readRouteTable();

int runRoutes(const CommandLine& cl);
