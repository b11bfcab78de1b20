#include "core/decode/chunk_pipeline.hpp"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace textdump {

void run_chunk_pipeline(std::size_t count, std::size_t slots, std::size_t ahead,
                        const std::function<void(std::size_t)>& decode,
                        const std::function<bool(std::size_t)>& write) {
  std::vector<char> decoded(slots, 0); // by slot
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t claimed = 0; // chunks taken by a thread to decode
  std::size_t turn = 0;    // the chunk to be written next
  bool writing = false;    // a thread is writing chunk turn
  bool stopped = false;    // a write said so, or a thread failed
  std::exception_ptr failed; // what the first thread to fail threw
  const auto ready = [&] {
    if (writing) return false;
    for (std::size_t k = turn; k <= std::min(turn + ahead, count - 1); ++k)
      if (decoded[k % slots] == 0) return false;
    return true;
  };
  const auto work = [&] {
    std::unique_lock lock(mutex);
    while (!stopped && turn < count) {
      if (ready()) {
        writing = true;
        lock.unlock();
        const bool more = write(turn);
        lock.lock();
        writing = false;
        decoded[turn % slots] = 0;
        stopped = !more;
        ++turn;
        changed.notify_all();
      } else if (claimed < count && claimed < turn + slots) {
        const std::size_t k = claimed++;
        lock.unlock();
        decode(k);
        lock.lock();
        decoded[k % slots] = 1;
        changed.notify_all();
      } else {
        changed.wait(lock);
      }
    }
    changed.notify_all();
  };
  // A thread that throws stops both; the caller gets the exception once both
  // are done.
  const auto guarded = [&] {
    try {
      work();
    } catch (...) {
      const std::lock_guard lock(mutex);
      if (!failed) failed = std::current_exception();
      stopped = true;
      changed.notify_all();
    }
  };
  std::thread helper(guarded);
  guarded();
  helper.join();
  if (failed) std::rethrow_exception(failed);
}

} // namespace textdump
