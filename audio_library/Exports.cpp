// The exported functions: managers made and destroyed for outside callers,
// and the one update thread that keeps every manager going while one exists.
#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "audio_library/AuralManager.h"
#include "audio_library/PluginManager.h"
#include "caural/IAudioManager.h"
#include "caural/ILogger.h"

namespace cAural {

namespace {

struct ManagerSet {
  std::recursive_mutex mutex;
  std::set<IAudioManager*> managers;
  // Destroys asked for by a handler on the update thread, done after its pass.
  std::vector<IAudioManager*> deferred;
  std::thread thread;
  std::thread::id threadId;
  bool running = false;
};

// Never destroyed: the update thread may still be stopping during exit.
ManagerSet& state() {
  static ManagerSet* s = new ManagerSet;
  return *s;
}

std::vector<IAudioPlugin*> installedPlugins() {
  return static_cast<cPluginManager*>(getPluginManager())->getPluginList();
}

void finishManager(IAudioManager* manager) {
  for (IAudioPlugin* p : installedPlugins()) {
    p->onManagerDestroyed(manager);
    p->IRefCounted::release();
  }
  manager->unregisterAllDecoders();
  manager->unregisterAllDataSources();
  manager->unregisterAllEventHandlers();
  manager->shutDown();
  delete static_cast<cAuralManager*>(manager);
}

void updateLoop() {
  ManagerSet& s = state();
  for (;;) {
    std::vector<IAudioManager*> finished;
    {
      std::lock_guard<std::recursive_mutex> lock(s.mutex);
      // A thread replaced by one started from its own handler ends after its
      // pass and its deferred destroys: one thread updates, and it is threadId.
      if (!s.running || s.threadId != std::this_thread::get_id()) return;
      const std::vector<IAudioManager*> pass(s.managers.begin(), s.managers.end());
      for (IAudioManager* m : pass) {
        if (s.managers.count(m) != 0) m->update();
      }
      finished.swap(s.deferred);
    }
    for (IAudioManager* m : finished) finishManager(m);
    cAuralSleep(1);
  }
}

// When the process ends: the update thread stops, the managers left alive
// are shut down, and the plug-ins are let go of, before anything they use goes.
struct ExitGuard {
  ~ExitGuard() {
    ManagerSet& s = state();
    std::thread t;
    std::vector<IAudioManager*> left;
    bool onUpdateThread = false;
    {
      std::lock_guard<std::recursive_mutex> lock(s.mutex);
      onUpdateThread = std::this_thread::get_id() == s.threadId;
      s.running = false;
      t = std::move(s.thread);
      left.assign(s.managers.begin(), s.managers.end());
      left.insert(left.end(), s.deferred.begin(), s.deferred.end());
      s.managers.clear();
      s.deferred.clear();
    }
    if (onUpdateThread) {
      // exit() from a handler: the thread cannot wait for itself, and the
      // managers' update is on this very stack; the process ends with them.
      if (t.joinable()) t.detach();
    } else {
      if (t.joinable()) t.join();
      for (IAudioManager* m : left) finishManager(m);
    }
    releasePluginsAtExit();
  }
};

}  // namespace

void armExitGuard() { static ExitGuard guard; }

IAudioManager* createAudioManager(bool initializeDefault) {
  armExitGuard();
  auto* manager = new cAuralManager;
  if (manager == nullptr) return nullptr;
  if (initializeDefault) manager->initialize(nullptr, -1, 4);
  manager->enumerateDevices();
  manager->registerDecoder(getOggAudioDecoderFactory(), "ogg");
  manager->registerDecoder(getWavAudioDecoderFactory(), "wav");
  manager->registerDecoder(getRawAudioDecoderFactory(), "raw");
  manager->registerDataSource(getFileSourceFactory(), "FileSystem", 0);
  for (IAudioPlugin* p : installedPlugins()) {
    p->onManagerCreated(manager);
    p->IRefCounted::release();
  }

  ManagerSet& s = state();
  std::thread old;
  {
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    try {
      s.managers.insert(manager);
    } catch (const std::bad_alloc&) {
      delete manager;
      return nullptr;
    }
    if (!s.running) {
      // A thread told to stop may still be finishing its last pass.
      old = std::move(s.thread);
      s.running = true;
      try {
        s.thread = std::thread(updateLoop);
        s.threadId = s.thread.get_id();
      } catch (const std::system_error&) {
        s.running = false;
        getLogger()->logCritical("AudioManager", "The update thread could not be started.");
      }
    }
  }
  if (old.joinable()) {
    if (old.get_id() == std::this_thread::get_id()) {
      old.detach();
    } else {
      old.join();
    }
  }
  return manager;
}

void destroyAudioManager(IAudioManager* manager) {
  if (manager == nullptr) return;
  ManagerSet& s = state();
  std::thread stopped;
  bool onUpdateThread = false;
  {
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    auto it = s.managers.find(manager);
    if (it == s.managers.end()) return;  // not ours, or destroyed already
    s.managers.erase(it);
    onUpdateThread = std::this_thread::get_id() == s.threadId;
    if (onUpdateThread) {
      // Its update may be on this very stack: finish it after the pass.
      s.deferred.push_back(manager);
    }
    if (s.managers.empty()) {
      s.running = false;
      if (!onUpdateThread) stopped = std::move(s.thread);
    }
  }
  if (stopped.joinable()) stopped.join();
  if (!onUpdateThread) finishManager(manager);
}

bool isAudioManagerThreadRunning() {
  ManagerSet& s = state();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  return s.running;
}

void cAuralSleep(unsigned int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace cAural
