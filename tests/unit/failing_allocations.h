#pragma once
// Makes every operator new on the calling thread throw std::bad_alloc while an object of this
// type lives (the test binary replaces the global operator new for it).
class FailingAllocations {
 public:
  FailingAllocations();
  ~FailingAllocations();
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;
};
