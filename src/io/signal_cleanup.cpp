#include "io/signal_cleanup.hpp"

#include <atomic>
#include <cstring>

#include "io/system_files.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace textdump {

namespace {

// Fixed slots a handler reads without allocating: a slot's name is complete
// before it is marked held, and a handler removes only held names.
struct Slot {
  char path[4096];
  std::atomic<bool> held{false};
};
Slot slots[16];
std::atomic<bool> installed{false};

#ifdef _WIN32
BOOL WINAPI remove_held(DWORD) {
  for (Slot& slot : slots)
    if (slot.held.exchange(false)) system_files::remove(slot.path);
  return FALSE; // then the default handler ends the process
}

void install() {
  SetConsoleCtrlHandler(remove_held, TRUE);
}
#else
constexpr int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT};

extern "C" void remove_held(int signal) {
  for (Slot& slot : slots)
    if (slot.held.exchange(false)) ::unlink(slot.path);
  // Ended as the signal would have ended it.
  std::signal(signal, SIG_DFL);
  ::raise(signal);
}

void install() {
  for (const int signal : SIGNALS) {
    struct sigaction action {}, before{};
    action.sa_handler = remove_held;
    sigemptyset(&action.sa_mask);
    for (const int other : SIGNALS) sigaddset(&action.sa_mask, other);
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
      ::sigaction(signal, &action, nullptr);
  }
}
#endif

} // namespace

void remove_on_signal(const std::string& path) {
  if (path.size() >= sizeof slots[0].path) return;
  if (!installed.exchange(true)) install();
  for (Slot& slot : slots) {
    if (slot.held.load()) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.held.store(true);
    return;
  }
}

void forget_on_signal(const std::string& path) {
  for (Slot& slot : slots)
    if (slot.held.load() && path == slot.path) slot.held.store(false);
}

} // namespace textdump
