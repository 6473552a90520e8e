#include "report/window_lines.h"

#include <mutex>
#include <new>

namespace {

struct WindowLines {
  std::mutex lock;
  std::vector<std::string> lines;
  bool closed = false;
};

// Never destroyed: a detached mail thread may still report after the static destructors ran
// at exit.
WindowLines& pending = *new WindowLines;

}  // namespace

bool queueWindowLine(const char* line, bool& wake) {
  wake = false;
  try {
    std::string copy(line ? line : "");
    std::lock_guard<std::mutex> g(pending.lock);
    if (pending.closed) return false;
    wake = pending.lines.empty();
    pending.lines.push_back(std::move(copy));
    return true;
  } catch (const std::bad_alloc&) {
    wake = false;
    return false;
  }
}

std::vector<std::string> takeWindowLines() {
  std::vector<std::string> taken;
  std::lock_guard<std::mutex> g(pending.lock);
  taken.swap(pending.lines);
  return taken;
}

void closeWindowLines() {
  std::vector<std::string> freed;
  std::lock_guard<std::mutex> g(pending.lock);
  pending.closed = true;
  freed.swap(pending.lines);
}

void openWindowLines() {
  std::lock_guard<std::mutex> g(pending.lock);
  pending.lines.clear();
  pending.closed = false;
}
