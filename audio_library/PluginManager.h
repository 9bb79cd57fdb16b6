#pragma once
// The plug-in manager: plug-ins loaded from shared libraries or installed
// from objects, kept by name.
#include <map>
#include <mutex>
#include <vector>

#include "caural/IAudioPlugin.h"

namespace cAural {

// Plug-in file names: "cAp_" + anything + ".so", exact bytes.
bool isPluginFileName(const char* name);

class cPluginManager : public IPluginManager {
 public:
  cPluginManager() = default;
  virtual ~cPluginManager();
  cPluginManager(const cPluginManager&) = delete;
  cPluginManager& operator=(const cPluginManager&) = delete;

  // Installs every plug-in file of the folder, in byte order of the names.
  void autoLoadPlugins(const char* folder);

  bool installPluginFromFile(const char* fileName, const char* name) override;
  bool installPlugin(IAudioPlugin* plugin, const char* name) override;
  bool isPluginInstalled(const char* name) override;
  IAudioPlugin* getPlugin(const char* name) override;
  std::uint32_t getPluginCount() override;
  void uninstallPluginByName(const char* name) override;
  void uninstallPlugin(IAudioPlugin* plugin) override;

  // The installed plug-ins in name order, each with a reference the caller drops.
  std::vector<IAudioPlugin*> getPluginList();
  // Lets go of every plug-in loaded from a file (one reference each, and its
  // library) and forgets every plug-in.
  void unloadAll();

 private:
  std::recursive_mutex mutex_;
  std::map<cString, IAudioPlugin*, std::less<>, cAllocator<std::pair<const cString, IAudioPlugin*>>> byName_;
  std::map<IAudioPlugin*, void*> libraries_;
};

// Makes sure the library's exit-time work runs when the process ends: the
// update thread stopped, managers left alive shut down, plug-ins let go of.
void armExitGuard();
// The last of that work: the plug-in manager, if one was made, unloads all.
void releasePluginsAtExit();

}  // namespace cAural
