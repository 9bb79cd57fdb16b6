#include "tools/scratch_folder.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace scratch {
namespace {

std::mutex gLock;
std::vector<std::string>& folders() {
  static std::vector<std::string>* const list = new std::vector<std::string>();
  return *list;
}

void removeAll() {
  std::lock_guard<std::mutex> hold(gLock);
  std::error_code ec;
  for (const std::string& f : folders()) std::filesystem::remove_all(f, ec);
  folders().clear();
}

sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, s);
  return set;
}

// The signals are taken by sigwait on a thread of their own, so the folders
// are removed in ordinary code rather than inside a signal handler.
void watchSignals() {
  const sigset_t set = stopSignals();
  int sig = 0;
  if (sigwait(&set, &sig) != 0) return;
  removeAll();
  signal(sig, SIG_DFL);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  _exit(128 + sig);
}

void startOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::atexit(&removeAll);
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(&watchSignals).detach();
  });
}

}  // namespace

std::string makeFolder(const std::string& prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = (tmp != nullptr && tmp[0] == '/') ? tmp : "/tmp";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::string name = base + "/" + prefix + ".XXXXXX";
  startOnce();  // first: a signal from here on finds the folder listed
  std::lock_guard<std::mutex> hold(gLock);
  if (mkdtemp(name.data()) == nullptr) return "";
  folders().push_back(name);
  return name;
}

}  // namespace scratch
