#include "audio_library/AuralManager.h"

#include <AL/alext.h>
#include <AL/efx.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "audio_library/AlLock.h"
#include "audio_library/AudioSource.h"
#include "audio_library/Efx.h"
#include "caural/ILogger.h"

namespace cAural {

namespace {

constexpr const char* kSender = "AudioManager";

const char* text(const char* s) { return s != nullptr ? s : ""; }

ILogger* logger() { return getLogger(); }

// The value stored under the key, or null.
template <typename Map>
typename Map::mapped_type lookUp(Map& map, const char* key) {
  auto it = map.find(text(key));
  return it != map.end() ? it->second : nullptr;
}

}  // namespace

std::array<ALCint, 6> buildContextAttributes(std::int32_t outputFrequency, std::int32_t effectSends) {
  std::array<ALCint, 6> a{};
  std::size_t n = 0;
  if (outputFrequency > 0) {
    a[n++] = ALC_FREQUENCY;
    a[n++] = outputFrequency;
  }
  if (effectSends > 0) {
    a[n++] = ALC_MAX_AUXILIARY_SENDS;
    a[n++] = effectSends;
  }
  return a;
}

cString extensionOf(const char* fileName) {
  const char* name = text(fileName);
  const char* slash = std::strrchr(name, '/');
  const char* last = slash != nullptr ? slash + 1 : name;
  const char* dot = std::strrchr(last, '.');
  return dot != nullptr ? cString(dot + 1) : cString();
}

cAuralManager::cAuralManager() = default;

cAuralManager::~cAuralManager() {
  // Sources still held would outlive their context: free them.
  shutDown();
  releaseAllSources();
}

bool cAuralManager::checkError() {
  ALenum code = AL_NO_ERROR;
  if (context_ != nullptr) code = alGetError();
  if (code != AL_NO_ERROR) {
    logger()->logError(kSender, "OpenAL Error: %s.", alErrorText(code));
    return true;
  }
  if (device_ != nullptr) {
    const ALCenum alc = alcGetError(device_);
    if (alc != ALC_NO_ERROR) {
      const ALCchar* t = alcGetString(device_, alc);
      logger()->logError(kSender, "OpenAL Error: %s.", t != nullptr ? t : "(unknown)");
      return true;
    }
  }
  return false;
}

bool cAuralManager::openDevice(const char* deviceName, const ALCint* attributes) {
  cAlLock al;
  device_ = alcOpenDevice(deviceName);
  if (device_ == nullptr) {
    logger()->logError(kSender, "Failed to Create OpenAL Device.");
    const ALCenum alc = alcGetError(nullptr);
    if (alc != ALC_NO_ERROR) logger()->logError(kSender, "OpenAL Error: %s.", text(alcGetString(nullptr, alc)));
    return false;
  }
  context_ = alcCreateContext(device_, attributes);
  if (context_ == nullptr) {
    logger()->logError(kSender, "Failed to Create OpenAL Context.");
    checkError();
    alcCloseDevice(device_);
    device_ = nullptr;
    return false;
  }
  if (alcMakeContextCurrent(context_) != ALC_TRUE) {
    logger()->logError(kSender, "Failed to make OpenAL Context current.");
    ALCcontext* c = context_;
    context_ = nullptr;
    checkError();
    alcDestroyContext(c);
    alcCloseDevice(device_);
    device_ = nullptr;
    return false;
  }
  return true;
}

bool cAuralManager::initialize(const char* deviceName, std::int32_t outputFrequency, std::int32_t effectSends) {
  cMutexLock lock(mutex_);
  if (initialized_) return false;
  const std::array<ALCint, 6> attributes = buildContextAttributes(outputFrequency, effectSends);
  if (!openDevice(deviceName, attributes.data())) return false;
  listener_.setContext(context_);
  // Outside the OpenAL lock: the effects object takes its own lock first.
  efxSupported_ = effects_.bindToContext(context_);
  {
    // In this manager's context, whatever another made current meanwhile.
    cAlLock own(context_);
    logger()->logInfo(kSender, "OpenAL Version: %s", text(alGetString(AL_VERSION)));
    logger()->logInfo(kSender, "Vendor: %s", text(alGetString(AL_VENDOR)));
    logger()->logInfo(kSender, "Renderer: %s", text(alGetString(AL_RENDERER)));
    if (efxSupported_) {
      ALCint major = 0;
      ALCint minor = 0;
      alcGetIntegerv(device_, ALC_EFX_MAJOR_VERSION, 1, &major);
      alcGetIntegerv(device_, ALC_EFX_MINOR_VERSION, 1, &minor);
      logger()->logInfo(kSender, "EFX Version: %i.%i", major, minor);
      logger()->logInfo(kSender, "EFX supported and enabled.");
    } else {
      logger()->logWarning(kSender, "EFX is not supported, EFX disabled.");
    }
    logger()->logInfo(kSender, "Supported Extensions: %s", text(alGetString(AL_EXTENSIONS)));
  }
  initialized_ = true;
  return true;
}

void cAuralManager::shutDown() {
  cMutexLock lock(mutex_);
  if (!initialized_) return;
  releaseAllSources();
  effects_.unbind();
  listener_.setContext(nullptr);
  {
    cAlLock al;
    forgetThreadContext(context_);
    if (alcGetCurrentContext() == context_) alcMakeContextCurrent(nullptr);
    alcDestroyContext(context_);
    context_ = nullptr;
    alcCloseDevice(device_);
    device_ = nullptr;
  }
  initialized_ = false;
  efxSupported_ = false;
  logger()->logInfo(kSender, "Manager successfully shutdown.");
}

void cAuralManager::update() {
  cMutexLock lock(mutex_);
  // A handler may create or release sources (its own included) during the
  // pass: walk a copy, each source held for the pass.
  Vector<IAudioSource*> pass;
  try {
    pass = sources_;
  } catch (const std::bad_alloc&) {
    return;
  }
  for (IAudioSource* s : pass) s->addRef();
  for (IAudioSource* s : pass) {
    if (s->isValid()) s->update();
  }
  for (IAudioSource* s : pass) s->IRefCounted::release();
}

std::size_t cAuralManager::getSourceCount() {
  cMutexLock lock(mutex_);
  return sources_.size();
}

IAudioSource* cAuralManager::getSourceByName(const char* name) {
  cMutexLock lock(mutex_);
  return lookUp(namedSources_, name);
}

void cAuralManager::dropSource(IAudioSource* source) {
  // Its OpenAL source and buffers go now, not when the last reference does.
  source->release();
  source->IRefCounted::release();
}

void cAuralManager::releaseAllSources() {
  cMutexLock lock(mutex_);
  Vector<IAudioSource*> all;
  all.swap(sources_);
  namedSources_.clear();
  for (IAudioSource* s : all) dropSource(s);
}

void cAuralManager::releaseSource(IAudioSource* source) {
  if (source == nullptr) return;
  cMutexLock lock(mutex_);
  for (auto it = namedSources_.begin(); it != namedSources_.end(); ++it) {
    if (it->second == source) {
      namedSources_.erase(it);
      break;
    }
  }
  auto it = std::find(sources_.begin(), sources_.end(), source);
  if (it == sources_.end()) return;
  sources_.erase(it);
  dropSource(source);
}

void cAuralManager::enumerateDevices() {
  cMutexLock lock(mutex_);
  cAlLock al;
  try {
    ALCenum list = 0;
    ALCenum def = 0;
    if (alcIsExtensionPresent(nullptr, "ALC_ENUMERATE_ALL_EXT") == ALC_TRUE) {
      list = ALC_ALL_DEVICES_SPECIFIER;
      def = ALC_DEFAULT_ALL_DEVICES_SPECIFIER;
    } else if (alcIsExtensionPresent(nullptr, "ALC_ENUMERATION_EXT") == ALC_TRUE) {
      list = ALC_DEVICE_SPECIFIER;
      def = ALC_DEFAULT_DEVICE_SPECIFIER;
    } else {
      return;
    }
    deviceNames_.clear();
    for (const ALCchar* p = alcGetString(nullptr, list); p != nullptr && *p != '\0'; p += std::strlen(p) + 1)
      deviceNames_.emplace_back(p);
    defaultDeviceName_ = text(alcGetString(nullptr, def));
  } catch (const std::bad_alloc&) {
    logger()->logError(kSender, "Could not allocate enough memory for the device list.");
  }
}

const char* cAuralManager::getDeviceName(std::uint32_t index) {
  cMutexLock lock(mutex_);
  if (deviceNames_.empty()) return "";
  return deviceNames_[std::min<std::size_t>(index, deviceNames_.size() - 1)].c_str();
}

std::uint32_t cAuralManager::getDeviceCount() {
  cMutexLock lock(mutex_);
  return static_cast<std::uint32_t>(deviceNames_.size());
}

const char* cAuralManager::getDefaultDeviceName() {
  cMutexLock lock(mutex_);
  return defaultDeviceName_.c_str();
}

IAudioSource* cAuralManager::adopt(cAuralSource* source, const char* name) {
  if (source == nullptr) return nullptr;
  try {
    sources_.push_back(source);
  } catch (const std::bad_alloc&) {
    dropSource(source);
    logger()->logError(kSender, "Failed to create Audio Source (%s): Could not allocate enough memory.", text(name));
    return nullptr;
  }
  if (name != nullptr && name[0] != '\0') {
    try {
      namedSources_.insert_or_assign(cString(name), source);
    } catch (const std::bad_alloc&) {
      logger()->logWarning(kSender, "Audio Source (%s) kept without its name: out of memory.", name);
    }
  }
  return source;
}

IAudioSource* cAuralManager::createFromDecoder(IAudioDecoder* decoder, const char* name, const char* extension,
                                               const char* success) {
  if (decoder == nullptr) {
    logger()->logError(kSender, "Failed to create Audio Source (%s): Could not allocate enough memory for decoder.",
                    text(name));
    return nullptr;
  }
  if (!decoder->isValid()) {
    decoder->IRefCounted::release();
    logger()->logError(kSender, "Failed to create Audio Source (%s): Audio data could not be decoded by (.%s) decoder.",
                    text(name), text(extension));
    return nullptr;
  }
  auto* source = new cAuralSource(decoder, context_, effects_.getEfxFunctions());
  decoder->IRefCounted::release();
  if (source == nullptr) {
    logger()->logError(kSender, "Failed to create Audio Source (%s): Could not allocate enough memory.", text(name));
    return nullptr;
  }
  if (!source->isValid()) {
    dropSource(source);
    logger()->logError(kSender, "Failed to create Audio Source (%s): Error creating audio source.", text(name));
    return nullptr;
  }
  IAudioSource* kept = adopt(source, name);
  if (kept != nullptr && success != nullptr) logger()->logInfo(kSender, success, text(name));
  return kept;
}

IAudioSource* cAuralManager::createSourceFromFile(const char* name, const char* fileName, bool stream) {
  cMutexLock lock(mutex_);
  try {
    const cString extension = extensionOf(fileName);
    IAudioDecoderFactory* factory = getDecoderFactory(extension.c_str());
    if (factory == nullptr) {
      logger()->logError(kSender, "Failed to create Audio Source (%s): No decoder could be found for (.%s).", text(name),
                      extension.c_str());
      return nullptr;
    }
    for (const auto& entry : priorities_) {
      auto f = dataSources_.find(entry.second);
      if (f == dataSources_.end() || f->second == nullptr) continue;
      IDataSource* data = f->second->createDataSource(text(fileName), stream);
      if (data == nullptr) continue;
      if (!data->isValid()) {
        data->IRefCounted::release();
        continue;
      }
      IAudioDecoder* decoder = factory->createAudioDecoder(data);
      data->IRefCounted::release();
      if (decoder == nullptr || !decoder->isValid()) {
        if (decoder != nullptr) decoder->IRefCounted::release();
        logger()->logError(kSender,
                        "Failed to create Audio Source (%s): Audio data could not be decoded by (.%s) decoder.",
                        text(name), extension.c_str());
        return nullptr;
      }
      IAudioSource* source = createFromDecoder(decoder, name, extension.c_str(), nullptr);
      if (source != nullptr)
        logger()->logInfo(kSender, "Audio Source (%s) created from file %s from Data Source %s.", text(name),
                       text(fileName), entry.second.c_str());
      return source;
    }
    logger()->logError(kSender, "Failed to create Audio Source (%s): File could not be found (.%s).", text(name),
                    text(fileName));
  } catch (const std::bad_alloc&) {
    logger()->logError(kSender, "Failed to create Audio Source (%s): Could not allocate enough memory.", text(name));
  }
  return nullptr;
}

cMemorySource* cAuralManager::copyToMemory(const char* name, const char* data, std::int32_t length) {
  auto* memory = new cMemorySource(data, length, true);
  if (memory == nullptr) {
    logger()->logError(kSender, "Failed to create Audio Source (%s): Could not allocate enough memory.", text(name));
    return nullptr;
  }
  if (!memory->isValid()) {
    memory->IRefCounted::release();
    logger()->logError(kSender, "Failed to create Audio Source (%s): Audio data is corrupt.", text(name));
    return nullptr;
  }
  return memory;
}

IAudioSource* cAuralManager::createSourceFromMemory(const char* name, const char* data, std::int32_t length,
                                                    const char* extension) {
  cMutexLock lock(mutex_);
  IAudioDecoderFactory* factory = getDecoderFactory(extension);
  if (factory == nullptr) {
    logger()->logError(kSender, "Failed to create Audio Source (%s): Codec (.%s) is not supported.", text(name),
                    text(extension));
    return nullptr;
  }
  cMemorySource* memory = copyToMemory(name, data, length);
  if (memory == nullptr) return nullptr;
  IAudioDecoder* decoder = factory->createAudioDecoder(memory);
  memory->IRefCounted::release();
  return createFromDecoder(decoder, name, extension, "Audio Source (%s) successfully created from memory.");
}

IAudioSource* cAuralManager::createSourceFromRaw(const char* name, const char* data, std::int32_t length,
                                                 std::uint32_t frequency, AudioFormat format) {
  cMutexLock lock(mutex_);
  // Only the raw decoder's own factory knows how to take a layout.
  auto* factory = dynamic_cast<cRawAudioDecoderFactory*>(getDecoderFactory("raw"));
  if (factory == nullptr || frequency == 0) {
    logger()->logError(kSender, "Failed to create Audio Source (%s): Codec (.raw) is not supported.", text(name));
    return nullptr;
  }
  cMemorySource* memory = copyToMemory(name, data, length);
  if (memory == nullptr) return nullptr;
  IAudioDecoder* decoder = factory->createAudioDecoder(memory, frequency, format);
  memory->IRefCounted::release();
  return createFromDecoder(decoder, name, "raw", "Audio Source (%s) successfully created from raw data.");
}

bool cAuralManager::registerDecoder(IAudioDecoderFactory* factory, const char* extension) {
  cMutexLock lock(mutex_);
  try {
    decoders_.insert_or_assign(cString(text(extension)), factory);
  } catch (const std::bad_alloc&) {
    return false;
  }
  logger()->logInfo(kSender, "Audio Decoder for extension .%s registered.", text(extension));
  return true;
}

void cAuralManager::unregisterDecoder(const char* extension) {
  cMutexLock lock(mutex_);
  auto it = decoders_.find(text(extension));
  if (it == decoders_.end()) return;
  decoders_.erase(it);
  logger()->logInfo(kSender, "Audio Decoder for extension .%s unregistered.", text(extension));
}

bool cAuralManager::isDecoderRegistered(const char* extension) {
  cMutexLock lock(mutex_);
  return decoders_.find(text(extension)) != decoders_.end();
}

IAudioDecoderFactory* cAuralManager::getDecoderFactory(const char* extension) {
  cMutexLock lock(mutex_);
  return lookUp(decoders_, extension);
}

void cAuralManager::unregisterAllDecoders() {
  cMutexLock lock(mutex_);
  decoders_.clear();
}

bool cAuralManager::registerDataSource(IDataSourceFactory* factory, const char* name, std::int32_t priority) {
  cMutexLock lock(mutex_);
  try {
    dataSources_.insert_or_assign(cString(text(name)), factory);
    priorities_.emplace_back(priority, cString(text(name)));
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::stable_sort(priorities_.begin(), priorities_.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  logger()->logInfo(kSender, "Data Source named %s registered (Priority %i).", text(name), priority);
  return true;
}

void cAuralManager::unregisterDataSource(const char* name) {
  cMutexLock lock(mutex_);
  auto it = dataSources_.find(text(name));
  if (it != dataSources_.end()) {
    dataSources_.erase(it);
    logger()->logInfo(kSender, "Data Source named %s unregistered.", text(name));
  }
  auto p = std::find_if(priorities_.begin(), priorities_.end(), [name](const auto& e) { return e.second == text(name); });
  if (p != priorities_.end()) priorities_.erase(p);
}

bool cAuralManager::isDataSourceRegistered(const char* name) {
  cMutexLock lock(mutex_);
  return dataSources_.find(text(name)) != dataSources_.end();
}

IDataSourceFactory* cAuralManager::getDataSourceFactory(const char* name) {
  cMutexLock lock(mutex_);
  return lookUp(dataSources_, name);
}

void cAuralManager::unregisterAllDataSources() {
  cMutexLock lock(mutex_);
  dataSources_.clear();
  priorities_.clear();
}

void cAuralManager::registerEventHandler(IManagerEventHandler* handler) {
  if (handler == nullptr) return;
  cMutexLock lock(mutex_);
  try {
    handlers_.push_back(handler);
  } catch (const std::bad_alloc&) {
  }
}

void cAuralManager::unregisterEventHandler(IManagerEventHandler* handler) {
  if (handler == nullptr) return;
  cMutexLock lock(mutex_);
  handlers_.erase(std::remove(handlers_.begin(), handlers_.end(), handler), handlers_.end());
}

void cAuralManager::unregisterAllEventHandlers() {
  cMutexLock lock(mutex_);
  handlers_.clear();
}

}  // namespace cAural
