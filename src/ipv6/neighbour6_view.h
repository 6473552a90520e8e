#pragma once
// The IPv6 lists as the user sees them: the neighbours of the last check (IP, MAC, type,
// interface, name) and the IPv6 samples (IP, MAC, name). Main thread.
#include <string_view>

// Neighbour6List into ListId::Neighbours6.
void showNeighbours6();
// Sample6List into ListId::Samples6, then the neighbours renamed after the samples (the list
// refilled when a name changed); run after every change of Sample6List.
void showSamples6();

// The cells of a list that reads its rows when it draws them; empty beyond the list. The
// interface column is the index in decimal.
std::string_view neighbour6ListCell(int row, int column);
std::string_view sample6ListCell(int row, int column);
