#pragma once
// Makes every operator new on the calling thread throw std::bad_alloc while an object of this
// type lives (the test binary replaces the global operator new for it). The sanitizer build
// keeps its own operator new: there available() is false and the tests that need failing
// allocations skip.
class FailingAllocations {
 public:
  FailingAllocations();
  ~FailingAllocations();
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;
  static bool available();
};

#define SKIP_WITHOUT_FAILING_ALLOCATIONS() \
  if (!FailingAllocations::available())    \
  GTEST_SKIP() << "no failing allocations here: the sanitizer keeps operator new"
