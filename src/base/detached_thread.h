#pragma once
// Threads that nobody joins: they end with the process.
#include <new>
#include <system_error>
#include <thread>
#include <utility>

// Runs f(args...) on a detached thread; false when the system cannot start one (no thread or
// no memory for its arguments).
template <class F, class... Args>
bool startDetached(F&& f, Args&&... args) {
  try {
    std::thread(std::forward<F>(f), std::forward<Args>(args)...).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}
