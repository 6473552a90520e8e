#include "failing_allocations.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool failing = false;
}

FailingAllocations::FailingAllocations() { failing = true; }
FailingAllocations::~FailingAllocations() { failing = false; }

#if defined(__SANITIZE_ADDRESS__)
// Its allocator pairs operator new with its own delete; a replacement would break the pairs.
bool FailingAllocations::available() { return false; }
#else
bool FailingAllocations::available() { return true; }

void* operator new(std::size_t size) {
  if (failing) throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif
