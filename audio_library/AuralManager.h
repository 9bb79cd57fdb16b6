#pragma once
// The audio manager: one OpenAL device and context and what lives in it.
#include <AL/al.h>
#include <AL/alc.h>

#include <array>
#include <functional>
#include <map>
#include <vector>

#include "audio_library/Listener.h"
#include "caural/AuralEffects.h"
#include "caural/IAudioManager.h"

namespace cAural {

class cAuralSource;

// The context attributes: frequency, then sends, each only when above 0;
// zero-terminated.
std::array<ALCint, 6> buildContextAttributes(std::int32_t outputFrequency, std::int32_t effectSends);
// The text after the last "." of the last path component; "" when it has none.
cString extensionOf(const char* fileName);

class cAuralManager : public IAudioManager, public cMemoryOverride {
 public:
  cAuralManager();
  ~cAuralManager() override;

  bool initialize(const char* deviceName, std::int32_t outputFrequency, std::int32_t effectSends) override;
  void shutDown() override;
  void update() override;
  IAudioSource* getSourceByName(const char* name) override;
  void releaseAllSources() override;
  void releaseSource(IAudioSource* source) override;
  const char* getDeviceName(std::uint32_t index) override;
  std::uint32_t getDeviceCount() override;
  const char* getDefaultDeviceName() override;
  IAudioSource* createSourceFromFile(const char* name, const char* fileName, bool stream) override;
  IAudioSource* createSourceFromMemory(const char* name, const char* data, std::int32_t length,
                                       const char* extension) override;
  IAudioSource* createSourceFromRaw(const char* name, const char* data, std::int32_t length, std::uint32_t frequency,
                                    AudioFormat format) override;
  bool registerDecoder(IAudioDecoderFactory* factory, const char* extension) override;
  void unregisterDecoder(const char* extension) override;
  bool isDecoderRegistered(const char* extension) override;
  IAudioDecoderFactory* getDecoderFactory(const char* extension) override;
  void unregisterAllDecoders() override;
  bool registerDataSource(IDataSourceFactory* factory, const char* name, std::int32_t priority) override;
  void unregisterDataSource(const char* name) override;
  bool isDataSourceRegistered(const char* name) override;
  IDataSourceFactory* getDataSourceFactory(const char* name) override;
  void unregisterAllDataSources() override;
  void registerEventHandler(IManagerEventHandler* handler) override;
  void unregisterEventHandler(IManagerEventHandler* handler) override;
  void unregisterAllEventHandlers() override;
  IListener* getListener() override { return &listener_; }
  IAudioEffects* getEffects() override { return &effects_; }

  // Records the output devices OpenAL lists (once, at creation).
  void enumerateDevices();
  bool isInitialized() const { return initialized_; }
  ALCcontext* getContext() const { return context_; }
  std::size_t getSourceCount();

 private:
  template <typename T>
  using Vector = std::vector<T, cAllocator<T>>;
  template <typename T>
  using Map = std::map<cString, T, std::less<>, cAllocator<std::pair<const cString, T>>>;

  bool checkError();
  bool openDevice(const char* deviceName, const ALCint* attributes);
  // Takes over a new source (its creation reference) or frees it and logs.
  IAudioSource* adopt(cAuralSource* source, const char* name);
  IAudioSource* createFromDecoder(IAudioDecoder* decoder, const char* name, const char* extension,
                                  const char* success);
  void dropSource(IAudioSource* source);
  // A copy of the block as a data source, or null (logged).
  cMemorySource* copyToMemory(const char* name, const char* data, std::int32_t length);

  cMutex mutex_;
  ALCcontext* context_ = nullptr;
  ALCdevice* device_ = nullptr;
  bool efxSupported_ = false;
  bool initialized_ = false;
  Map<IAudioSource*> namedSources_;
  Vector<IAudioSource*> sources_;
  Map<IAudioDecoderFactory*> decoders_;
  Map<IDataSourceFactory*> dataSources_;
  Vector<std::pair<std::int32_t, cString>> priorities_;
  cListener listener_;
  cAuralEffects effects_;
  Vector<cString> deviceNames_;
  cString defaultDeviceName_;
  Vector<IManagerEventHandler*> handlers_;
};

}  // namespace cAural
