#pragma once
// An audio manager: one OpenAL device and context, the sources made through
// it, the decoder and data-source registries, its listener and effects.
#include <cstdint>

#include "caural/IAudioEffects.h"
#include "caural/IAudioSource.h"
#include "caural/IListener.h"
#include "sound/aural/AudioDecoder.h"
#include "sound/aural/DataSource.h"

namespace cAural {

// Kept for callers; the manager raises none of these events.
class CAURAL_API IManagerEventHandler {
 public:
  virtual ~IManagerEventHandler() = default;
  virtual void onInit() = 0;
  virtual void onUpdate() = 0;
  virtual void onShutdown() = 0;
  virtual void onSourceCreate() = 0;
  virtual void onSourceDestroyed() = 0;
  virtual void onDecoderRegistered() = 0;
};

// Every operation may be called from any thread; the manager's lock makes
// them one at a time. Besides the caller's threads, the library's update
// thread calls update about once a millisecond for every manager made by
// createAudioManager, and with it the handlers of the sources (see
// ISourceEventHandler). Failures are logged through getLogger() (sender
// "AudioManager") and reported by a false or null result; nothing is thrown.
class CAURAL_API IAudioManager {
 public:
  virtual ~IAudioManager() = default;
  // Opens the device (null for the default one) and makes its context. A
  // frequency or send count of 0 or less leaves the device's own. False when
  // already initialized or when OpenAL refuses (logged).
  virtual bool initialize(const char* deviceName, std::int32_t outputFrequency, std::int32_t effectSends) = 0;
  // Releases every source, then closes the context and the device.
  virtual void shutDown() = 0;
  // Feeds every valid source and raises their events; the update thread
  // does this already for managers made by createAudioManager.
  virtual void update() = 0;
  // The source last created under the name, or null. The manager keeps it.
  virtual IAudioSource* getSourceByName(const char* name) = 0;
  // The manager owns the sources it creates: these two free their OpenAL
  // side and drop the manager's reference (a source the caller still holds
  // a reference on stays alive, invalid).
  virtual void releaseAllSources() = 0;
  virtual void releaseSource(IAudioSource* source) = 0;
  // Names of the output devices found at creation; the strings live as long
  // as the manager. An index past the last gives the last; "" when none.
  virtual const char* getDeviceName(std::uint32_t index) = 0;
  virtual std::uint32_t getDeviceCount() = 0;
  virtual const char* getDefaultDeviceName() = 0;
  // Creates a source the manager owns (see releaseSource); do not release
  // the pointer returned. The decoder is chosen by the file name's extension
  // (case-sensitive); the data sources are tried by priority. stream false
  // reads the whole file into memory first. Null (logged) on failure.
  virtual IAudioSource* createSourceFromFile(const char* name, const char* fileName, bool stream) = 0;
  // The same from a block of encoded data, which is copied: the caller keeps its block.
  virtual IAudioSource* createSourceFromMemory(const char* name, const char* data, std::int32_t length,
                                               const char* extension) = 0;
  // The same from headerless PCM in the given layout (the block is copied).
  virtual IAudioSource* createSourceFromRaw(const char* name, const char* data, std::int32_t length,
                                            std::uint32_t frequency, AudioFormat format) = 0;
  // Registries of factories by extension and by name. The manager holds no
  // reference on a factory: it must outlive its registration (a plug-in's
  // factories stay valid, its library stays mapped).
  virtual bool registerDecoder(IAudioDecoderFactory* factory, const char* extension) = 0;
  virtual void unregisterDecoder(const char* extension) = 0;
  virtual bool isDecoderRegistered(const char* extension) = 0;
  virtual IAudioDecoderFactory* getDecoderFactory(const char* extension) = 0;
  virtual void unregisterAllDecoders() = 0;
  // Higher priorities are tried first; "FileSystem" (priority 0) reads files.
  virtual bool registerDataSource(IDataSourceFactory* factory, const char* name, std::int32_t priority) = 0;
  virtual void unregisterDataSource(const char* name) = 0;
  virtual bool isDataSourceRegistered(const char* name) = 0;
  virtual IDataSourceFactory* getDataSourceFactory(const char* name) = 0;
  virtual void unregisterAllDataSources() = 0;
  // The list is kept (the caller owns the handlers); no event is raised.
  virtual void registerEventHandler(IManagerEventHandler* handler) = 0;
  virtual void unregisterEventHandler(IManagerEventHandler* handler) = 0;
  virtual void unregisterAllEventHandlers() = 0;
  // Members of the manager: valid as long as it lives, never released.
  virtual IListener* getListener() = 0;
  virtual IAudioEffects* getEffects() = 0;
};

// A new manager with the WAV, Ogg and raw decoders and the file data source
// ("FileSystem") registered; initialized on the default device when asked
// (the result of that is not looked at). Every installed plug-in is told of
// it (its first call loads the plug-ins of the working folder, see
// getPluginManager). The update thread runs while a manager made here lives.
// Null when out of memory. The caller owns it: destroy it with
// destroyAudioManager (one still alive when the process ends is shut down then).
CAURAL_API IAudioManager* createAudioManager(bool initializeDefault);
// Tells every installed plug-in, then shuts the manager down and frees it,
// with its sources. Anything not made by createAudioManager, or destroyed
// already, is ignored. May be called from a handler on the update thread.
CAURAL_API void destroyAudioManager(IAudioManager* manager);
CAURAL_API bool isAudioManagerThreadRunning();
CAURAL_API void cAuralSleep(unsigned int milliseconds);

}  // namespace cAural
