#pragma once
// `vetrel routes`: the route table as the routes tab shows it.
#include <string>
#include <vector>

#include "app/linux/command_line.h"
#include "platform/route_platform.h"

// The routes list's header and cells of rows, a route without an interface named by its
// type; each column right-aligned to its widest cell, two blanks between columns, lines
// ending in "\n". Windows-1251 (one byte per character).
std::string formatRouteTable(const std::vector<RouteRow>& rows);

// Reads the kernel's route table into the routes list; false, with a warning, when it cannot.
bool readRouteTable();

int runRoutes(const CommandLine& cl);
