#include "audio_library/PluginManager.h"

#include <dirent.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

namespace cAural {

namespace {

constexpr const char* kSender = "PluginManager";
constexpr const char* kPrefix = "cAp_";
constexpr const char* kSuffix = ".so";

const char* text(const char* s) { return s != nullptr ? s : ""; }

}  // namespace

bool isPluginFileName(const char* name) {
  const std::size_t n = std::strlen(text(name));
  const std::size_t p = std::strlen(kPrefix);
  const std::size_t s = std::strlen(kSuffix);
  return n >= p + s && std::memcmp(name, kPrefix, p) == 0 && std::memcmp(name + n - s, kSuffix, s) == 0;
}

cPluginManager::~cPluginManager() { unloadAll(); }

void cPluginManager::unloadAll() {
  std::map<IAudioPlugin*, void*> loaded;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    loaded.swap(libraries_);
    byName_.clear();
  }
  // Outside the lock: a plug-in's destructor may call back into us.
  for (auto& [plugin, handle] : loaded) {
    plugin->IRefCounted::release();
    dlclose(handle);
  }
}

void cPluginManager::autoLoadPlugins(const char* folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(text(folder));
  if (dir == nullptr) return;
  while (const dirent* e = readdir(dir)) {
    if (isPluginFileName(e->d_name)) names.emplace_back(e->d_name);
  }
  closedir(dir);
  // readdir's order is the file system's: sorted, the later of two plug-ins
  // of one name is always the same one.
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) installPluginFromFile((std::string(folder) + "/" + name).c_str(), nullptr);
}

bool cPluginManager::installPluginFromFile(const char* fileName, const char* name) {
  void* handle = dlopen(text(fileName), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    getLogger()->logWarning(kSender, "Plug-in %s skipped: %s", text(fileName), why != nullptr ? why : "not loadable");
    return false;
  }
  auto entry = reinterpret_cast<GetPluginModuleFunction>(dlsym(handle, "GetPluginModule"));
  if (entry == nullptr) {
    getLogger()->logWarning(kSender, "Plug-in %s skipped: it has no GetPluginModule.", text(fileName));
    dlclose(handle);
    return false;
  }
  IAudioPlugin* plugin = entry(CAURAL_PLUGIN_VERSION);
  if (plugin == nullptr) {
    getLogger()->logWarning(kSender, "Plug-in %s skipped: it gave no plug-in for version %s.", text(fileName),
                            CAURAL_PLUGIN_VERSION);
    dlclose(handle);
    return false;
  }
  // A plug-in stays mapped once it gave an object, even after its close: the
  // factories it registered may still be in use somewhere.
  if (void* pin = dlopen(text(fileName), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) dlclose(pin);
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    try {
      libraries_.emplace(plugin, handle);
    } catch (const std::bad_alloc&) {
      plugin->IRefCounted::release();
      dlclose(handle);
      return false;
    }
  }
  return installPlugin(plugin, name);
}

bool cPluginManager::installPlugin(IAudioPlugin* plugin, const char* name) {
  if (plugin == nullptr) return false;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const char* key = name != nullptr && name[0] != '\0' ? name : text(plugin->getName());
    if (!plugin->install(getLogger())) return false;
    try {
      byName_.insert_or_assign(cString(key), plugin);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  return true;
}

bool cPluginManager::isPluginInstalled(const char* name) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return byName_.find(text(name)) != byName_.end();
}

IAudioPlugin* cPluginManager::getPlugin(const char* name) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = byName_.find(text(name));
  return it != byName_.end() ? it->second : nullptr;
}

std::uint32_t cPluginManager::getPluginCount() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return static_cast<std::uint32_t>(byName_.size());
}

void cPluginManager::uninstallPluginByName(const char* name) {
  IAudioPlugin* plugin = getPlugin(name);
  if (plugin != nullptr) uninstallPlugin(plugin);
}

void cPluginManager::uninstallPlugin(IAudioPlugin* plugin) {
  if (plugin == nullptr) return;
  void* handle = nullptr;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (auto it = byName_.begin(); it != byName_.end(); ++it) {
      if (it->second == plugin) {
        byName_.erase(it);
        break;
      }
    }
    auto lib = libraries_.find(plugin);
    if (lib == libraries_.end()) return;
    handle = lib->second;
    libraries_.erase(lib);
  }
  plugin->IRefCounted::release();
  dlclose(handle);
}

std::vector<IAudioPlugin*> cPluginManager::getPluginList() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<IAudioPlugin*> list;
  for (auto& [name, plugin] : byName_) {
    if (std::find(list.begin(), list.end(), plugin) != list.end()) continue;
    plugin->addRef();
    list.push_back(plugin);
  }
  return list;
}

namespace {

// Never destroyed: plug-in code may still be reached while the process ends;
// the exit guard unloads the plug-ins instead.
struct PluginManagerHolder {
  cPluginManager manager;
  std::recursive_mutex loading;
  bool autoloadStarted = false;  // under loading
  std::atomic<bool> ready{false};
};
std::atomic<PluginManagerHolder*> g_holder{nullptr};

PluginManagerHolder& holder() {
  static PluginManagerHolder* h = [] {
    armExitGuard();
    auto* made = new PluginManagerHolder;
    g_holder = made;
    return made;
  }();
  return *h;
}

}  // namespace

IPluginManager* getPluginManager() {
  PluginManagerHolder& h = holder();
  if (h.ready.load(std::memory_order_acquire)) return &h.manager;
  // The manager is there before the autoload: a plug-in may ask for it from
  // its install. Other threads wait until the autoload is done.
  std::lock_guard<std::recursive_mutex> lock(h.loading);
  if (!h.autoloadStarted) {
    h.autoloadStarted = true;
    const char* off = std::getenv("CAURAL_NO_PLUGIN_AUTOLOAD");
    if (off == nullptr || off[0] == '\0') h.manager.autoLoadPlugins(".");
    h.ready.store(true, std::memory_order_release);
  }
  return &h.manager;
}

void releasePluginsAtExit() {
  if (PluginManagerHolder* h = g_holder.load()) h->manager.unloadAll();
}

}  // namespace cAural
