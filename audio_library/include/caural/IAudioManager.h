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

class CAURAL_API IAudioManager {
 public:
  virtual ~IAudioManager() = default;
  // deviceName null for the default device; a frequency or send count of 0
  // or less leaves the device's own.
  virtual bool initialize(const char* deviceName, std::int32_t outputFrequency, std::int32_t effectSends) = 0;
  virtual void shutDown() = 0;
  virtual void update() = 0;
  virtual IAudioSource* getSourceByName(const char* name) = 0;
  virtual void releaseAllSources() = 0;
  virtual void releaseSource(IAudioSource* source) = 0;
  virtual const char* getDeviceName(std::uint32_t index) = 0;
  virtual std::uint32_t getDeviceCount() = 0;
  virtual const char* getDefaultDeviceName() = 0;
  virtual IAudioSource* createSourceFromFile(const char* name, const char* fileName, bool stream) = 0;
  virtual IAudioSource* createSourceFromMemory(const char* name, const char* data, std::int32_t length,
                                               const char* extension) = 0;
  virtual IAudioSource* createSourceFromRaw(const char* name, const char* data, std::int32_t length,
                                            std::uint32_t frequency, AudioFormat format) = 0;
  virtual bool registerDecoder(IAudioDecoderFactory* factory, const char* extension) = 0;
  virtual void unregisterDecoder(const char* extension) = 0;
  virtual bool isDecoderRegistered(const char* extension) = 0;
  virtual IAudioDecoderFactory* getDecoderFactory(const char* extension) = 0;
  virtual void unregisterAllDecoders() = 0;
  virtual bool registerDataSource(IDataSourceFactory* factory, const char* name, std::int32_t priority) = 0;
  virtual void unregisterDataSource(const char* name) = 0;
  virtual bool isDataSourceRegistered(const char* name) = 0;
  virtual IDataSourceFactory* getDataSourceFactory(const char* name) = 0;
  virtual void unregisterAllDataSources() = 0;
  virtual void registerEventHandler(IManagerEventHandler* handler) = 0;
  virtual void unregisterEventHandler(IManagerEventHandler* handler) = 0;
  virtual void unregisterAllEventHandlers() = 0;
  virtual IListener* getListener() = 0;
  virtual IAudioEffects* getEffects() = 0;
};

// A new manager with the WAV, Ogg and raw decoders and the file data source
// ("FileSystem") registered; initialized on the default device when asked
// (the result of that is not looked at). Null when out of memory.
CAURAL_API IAudioManager* createAudioManager(bool initializeDefault);
// Shuts the manager down and frees it; anything not made by
// createAudioManager, or already destroyed, is ignored.
CAURAL_API void destroyAudioManager(IAudioManager* manager);
CAURAL_API bool isAudioManagerThreadRunning();
CAURAL_API void cAuralSleep(unsigned int milliseconds);

}  // namespace cAural
