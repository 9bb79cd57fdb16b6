#pragma once
// Plug-ins: shared libraries named "cAp_" + anything + ".so" in the working
// folder, each exporting
//
//   extern "C" cAural::IAudioPlugin* GetPluginModule(const char* version);
//
// which is called with CAURAL_PLUGIN_VERSION and returns a new plug-in
// (holding one reference) or null. A plug-in links libcaural and typically
// registers its decoders and data sources in every manager it is told about.
#include <cstdint>

#include "caural/IAudioManager.h"
#include "caural/ILogger.h"

#define CAURAL_PLUGIN_VERSION "2.1.0"

namespace cAural {

class CAURAL_API IAudioPlugin : public IRefCounted {
 public:
  ~IAudioPlugin() override = default;
  // With the library's logger; false refuses the installation.
  virtual bool install(ILogger* logger) = 0;
  virtual const char* getName() = 0;
  // Not called by the library.
  virtual const char* getVersion() = 0;
  // For every manager alive when the plug-in is installed, and every new one.
  virtual void onManagerCreated(IAudioManager* manager) = 0;
  // Not called by the library.
  virtual void uninstall() = 0;
  // Before a manager is shut down, and for every live manager when the
  // plug-in is uninstalled.
  virtual void onManagerDestroyed(IAudioManager* manager) = 0;
};

using GetPluginModuleFunction = IAudioPlugin* (*)(const char* version);

class CAURAL_API IPluginManager {
 public:
  virtual bool installPluginFromFile(const char* fileName, const char* name) = 0;
  // Keeps no reference: the caller's stays with the caller.
  virtual bool installPlugin(IAudioPlugin* plugin, const char* name) = 0;
  virtual bool isPluginInstalled(const char* name) = 0;
  virtual IAudioPlugin* getPlugin(const char* name) = 0;
  virtual std::uint32_t getPluginCount() = 0;
  virtual void uninstallPluginByName(const char* name) = 0;
  virtual void uninstallPlugin(IAudioPlugin* plugin) = 0;

 protected:
  ~IPluginManager() = default;
};

// The process's plug-in manager. Its first call loads every "cAp_*.so" of the
// working folder, in name order, unless CAURAL_NO_PLUGIN_AUTOLOAD is set.
CAURAL_API IPluginManager* getPluginManager();

}  // namespace cAural
