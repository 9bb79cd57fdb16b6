#pragma once
// Plug-ins: shared libraries named "cAp_" + anything + ".so" in the working
// folder (the folder the process runs in, not the program's), each exporting
//
//   extern "C" cAural::IAudioPlugin* GetPluginModule(const char* version);
//
// which is called with CAURAL_PLUGIN_VERSION and returns a new plug-in
// (holding one reference, which the plug-in manager then owns) or null. A
// plug-in links libcaural and typically registers its decoders and data
// sources in every manager it is told about. A plug-in's library stays
// mapped until the process ends, so that factories it left in a manager stay
// valid; the plug-in itself is released when it is uninstalled or the
// process ends.
#include <cstdint>

#include "caural/IAudioManager.h"
#include "caural/ILogger.h"

#define CAURAL_PLUGIN_VERSION "2.1.0"

namespace cAural {

class CAURAL_API IAudioPlugin : public IRefCounted {
 public:
  ~IAudioPlugin() override = default;
  // With the library's logger; false refuses the installation. It may call
  // getPluginManager(), during the first call's loading too.
  virtual bool install(ILogger* logger) = 0;
  virtual const char* getName() = 0;
  // Not called by the library.
  virtual const char* getVersion() = 0;
  // For every manager createAudioManager makes while the plug-in is installed
  // (not for managers made before), on the thread that makes it.
  virtual void onManagerCreated(IAudioManager* manager) = 0;
  // Not called by the library.
  virtual void uninstall() = 0;
  // Before a manager is shut down by destroyAudioManager (or at the process's
  // end) while the plug-in is installed, on the thread that destroys it.
  // Uninstalling tells no manager.
  virtual void onManagerDestroyed(IAudioManager* manager) = 0;
};

using GetPluginModuleFunction = IAudioPlugin* (*)(const char* version);

// Every operation may be called from any thread.
class CAURAL_API IPluginManager {
 public:
  // Loads the library (a path with a "/" is not searched for), asks it for
  // its plug-in and installs that; the plug-in manager owns the plug-in.
  virtual bool installPluginFromFile(const char* fileName, const char* name) = 0;
  // Stores the plug-in under the name (its own name when none is given) once
  // its install says yes. Keeps no reference: the caller's stays with the caller.
  virtual bool installPlugin(IAudioPlugin* plugin, const char* name) = 0;
  virtual bool isPluginInstalled(const char* name) = 0;
  virtual IAudioPlugin* getPlugin(const char* name) = 0;
  virtual std::uint32_t getPluginCount() = 0;
  // Forgets the plug-in; one loaded from a file is released too.
  virtual void uninstallPluginByName(const char* name) = 0;
  virtual void uninstallPlugin(IAudioPlugin* plugin) = 0;

 protected:
  ~IPluginManager() = default;
};

// The process's plug-in manager. Its first call loads every "cAp_*.so" of the
// working folder, in name order, unless CAURAL_NO_PLUGIN_AUTOLOAD is set:
// only run a program that makes a manager in a folder whose files you trust.
// The plug-ins loaded from files are released when the process ends.
CAURAL_API IPluginManager* getPluginManager();

}  // namespace cAural
