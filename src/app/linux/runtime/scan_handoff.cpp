#include "app/linux/runtime/scan_handoff.h"

#include <condition_variable>
#include <mutex>

#include "app/linux/runtime/main_queue.h"
#include "scan/scanner.h"

namespace {

struct HandOffRequest {
  std::int32_t* slot;
  std::int32_t answer = -1;
  bool done = false;
};

// One condition variable for every waiting worker: at most 16 wait, and each checks its own
// request.
std::mutex handOffLock;
std::condition_variable handedOff;

}  // namespace

std::int32_t consoleScanHandOff(std::int32_t* slot) {
  HandOffRequest request{slot};
  postMainEvent(mainQueue, {MainEventKind::ScanHandOff, 0, &request});
  std::unique_lock<std::mutex> hold(handOffLock);
  handedOff.wait(hold, [&] { return request.done; });
  return request.answer;
}

void runScanHandOff(void* data) {
  auto* request = static_cast<HandOffRequest*>(data);
  const std::int32_t answer = handleScanResult(request->slot);
  {
    std::lock_guard<std::mutex> hold(handOffLock);
    request->answer = answer;
    request->done = true;
  }
  handedOff.notify_all();
}
