#pragma once
// Bindings heard on the wire, decided by the check's own comparison with the samples.
#include <cstddef>

#include "arp/wire_bindings.h"

// Main thread. Compares each binding whose MAC is new for its IP with the samples, as a check
// compares a changed table row, unless the table path already decided that binding.
void decideWireBindings(const WireBinding* bindings, std::size_t count);
