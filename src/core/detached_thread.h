#pragma once
// Threads that nobody joins: they end with the process.
#include <system_error>
#include <thread>
#include <utility>

// Runs f(args...) on a detached thread; false when the system cannot start one.
template <class F, class... Args>
bool startDetached(F&& f, Args&&... args) {
  try {
    std::thread(std::forward<F>(f), std::forward<Args>(args)...).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}
