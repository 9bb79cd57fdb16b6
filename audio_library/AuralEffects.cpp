#include "caural/AuralEffects.h"

#include <new>

#include "audio_library/Effect.h"
#include "audio_library/Efx.h"
#include "audio_library/Filter.h"

namespace cAural {

namespace {

constexpr std::uint32_t kSlotCap = 256;

const char* nameOrEmpty(const char* name) { return name != nullptr ? name : ""; }

}  // namespace

cAuralEffects::cAuralEffects() = default;

cAuralEffects::~cAuralEffects() { setEfxFunctions(nullptr); }

void cAuralEffects::setEfxFunctions(EfxFunctionTable* table) {
  cMutexLock lock(mutex_);
  if (table != nullptr) table->addRef();
  if (efx_ != nullptr) efx_->release();
  efx_ = table;
}

bool cAuralEffects::bindToCurrentContext() { return bindToContext(alcGetCurrentContext()); }

bool cAuralEffects::bindToContext(void* alcContext) {
  auto* context = static_cast<ALCcontext*>(alcContext);
  ALCdevice* device = context != nullptr ? alcGetContextsDevice(context) : nullptr;
  auto* table = new EfxFunctionTable;
  if (table == nullptr) return false;
  loadEfxFunctions(*table, device, context);
  setEfxFunctions(table);
  table->release();
  probeSupport();
  return efx_ != nullptr && efx_->supported;
}

void cAuralEffects::unbind() {
  cMutexLock lock(mutex_);
  if (efx_ != nullptr) {
    cEfxLock al(*efx_);
    efx_->supported = false;
  }
  setEfxFunctions(nullptr);
  probeSupport();
}

void cAuralEffects::probeSupport() {
  cMutexLock lock(mutex_);
  // A probe of a device without EFX must not keep an earlier device's answers.
  maxEffectSlots_ = 0;
  for (bool& b : effectSupported_) b = false;
  for (bool& b : filterSupported_) b = false;
  if (efx_ == nullptr || !efx_->supported) return;
  EfxFunctionTable& t = *efx_;
  cEfxLock al(t);

  ALuint slots[kSlotCap] = {};
  std::uint32_t count = 0;
  while (count < kSlotCap) {
    t.alGenAuxiliaryEffectSlots(1, &slots[count]);
    if (t.getError() != AL_NO_ERROR) break;
    ++count;
  }
  maxEffectSlots_ = count;

  // Reverb first, then EAX reverb, then the others in EFX order.
  ALuint effect = 0;
  t.alGenEffects(1, &effect);
  if (t.getError() == AL_NO_ERROR) {
    effectSupported_[EFFECT_NULL] = true;
    const EffectType order[] = {EFFECT_REVERB, EFFECT_EAX_REVERB, EFFECT_CHORUS, EFFECT_DISTORTION,
                                EFFECT_ECHO, EFFECT_FLANGER, EFFECT_FREQUENCY_SHIFTER, EFFECT_VOCAL_MORPHER,
                                EFFECT_PITCH_SHIFTER, EFFECT_RING_MODULATOR, EFFECT_AUTOWAH, EFFECT_COMPRESSOR,
                                EFFECT_EQUALIZER};
    for (EffectType type : order) {
      t.alEffecti(effect, AL_EFFECT_TYPE, convertEffectType(type));
      effectSupported_[type] = t.getError() == AL_NO_ERROR;
    }
  } else {
    effect = 0;
  }
  if (effect != 0) t.alDeleteEffects(1, &effect);
  t.getError();

  ALuint filter = 0;
  t.alGenFilters(1, &filter);
  if (t.getError() == AL_NO_ERROR) {
    filterSupported_[FILTER_NULL] = true;
    for (FilterType type : {FILTER_LOWPASS, FILTER_HIGHPASS, FILTER_BANDPASS}) {
      t.alFilteri(filter, AL_FILTER_TYPE, convertFilterType(type));
      filterSupported_[type] = t.getError() == AL_NO_ERROR;
    }
    t.alDeleteFilters(1, &filter);
  }
  t.getError();

  for (std::uint32_t n = count; n > 0; --n) t.alDeleteAuxiliaryEffectSlots(1, &slots[n - 1]);
  t.getError();
}

namespace {

// A new object on the table, or null when it could not be made valid.
template <typename T>
T* makeValid(EfxFunctionTable* efx) {
  auto* object = new T(efx);
  if (object != nullptr && !object->isValid()) {
    object->IRefCounted::release();
    return nullptr;
  }
  return object;
}

}  // namespace

IEffect* cAuralEffects::createEffect() {
  cMutexLock lock(mutex_);
  return makeValid<cEffect>(efx_);
}

IFilter* cAuralEffects::createFilter() {
  cMutexLock lock(mutex_);
  return makeValid<cFilter>(efx_);
}

bool cAuralEffects::isEffectTypeSupported(const EffectType& type) {
  return type >= 0 && type < EFFECT_TYPE_COUNT && effectSupported_[type];
}

bool cAuralEffects::isFilterTypeSupported(const FilterType& type) {
  return type >= 0 && type < FILTER_TYPE_COUNT && filterSupported_[type];
}

template <typename Record>
bool cAuralEffects::addPreset(cPresetRegistry<Record>& registry, const char* name, const Record& p) {
  cMutexLock lock(mutex_);
  try {
    registry.insert_or_assign(cString(nameOrEmpty(name)), p);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

template <typename Record>
Record cAuralEffects::getPreset(cPresetRegistry<Record>& registry, const char* name) {
  cMutexLock lock(mutex_);
  auto it = registry.find(nameOrEmpty(name));
  return it != registry.end() ? it->second : Record{};
}

template <typename F>
bool cAuralEffects::withRegistry(EffectType type, F&& f) {
  switch (type) {
    case EFFECT_EAX_REVERB: return f(eaxReverbPresets_);
    case EFFECT_REVERB: return f(reverbPresets_);
    case EFFECT_CHORUS: return f(chorusPresets_);
    case EFFECT_DISTORTION: return f(distortionPresets_);
    case EFFECT_ECHO: return f(echoPresets_);
    case EFFECT_FLANGER: return f(flangerPresets_);
    case EFFECT_FREQUENCY_SHIFTER: return f(frequencyShiftPresets_);
    case EFFECT_VOCAL_MORPHER: return f(vocalMorpherPresets_);
    case EFFECT_PITCH_SHIFTER: return f(pitchShiftPresets_);
    case EFFECT_RING_MODULATOR: return f(ringModulatorPresets_);
    case EFFECT_AUTOWAH: return f(autowahPresets_);
    case EFFECT_COMPRESSOR: return f(compressorPresets_);
    case EFFECT_EQUALIZER: return f(equalizerPresets_);
    default: return false;
  }
}

void cAuralEffects::removePreset(const EffectType& type, const char* name) {
  cMutexLock lock(mutex_);
  withRegistry(type, [name](auto& registry) {
    auto it = registry.find(nameOrEmpty(name));
    if (it != registry.end()) registry.erase(it);
    return true;
  });
}

bool cAuralEffects::isPresetRegistered(const EffectType& type, const char* name) {
  cMutexLock lock(mutex_);
  return withRegistry(type, [name](auto& registry) { return registry.find(nameOrEmpty(name)) != registry.end(); });
}

void cAuralEffects::removeAllPresets(const EffectType& type) {
  cMutexLock lock(mutex_);
  withRegistry(type, [](auto& registry) {
    registry.clear();
    return true;
  });
}

#define CAURAL_PRESET_CALLS(Name, Record, member)                                                      \
  bool cAuralEffects::add##Name##Preset(const char* name, const Record& p) { return addPreset(member, name, p); } \
  Record cAuralEffects::get##Name##Preset(const char* name) { return getPreset(member, name); }

CAURAL_PRESET_CALLS(EaxReverb, EaxReverbParameters, eaxReverbPresets_)
CAURAL_PRESET_CALLS(Reverb, ReverbParameters, reverbPresets_)
CAURAL_PRESET_CALLS(Chorus, ChorusParameters, chorusPresets_)
CAURAL_PRESET_CALLS(Distortion, DistortionParameters, distortionPresets_)
CAURAL_PRESET_CALLS(Echo, EchoParameters, echoPresets_)
CAURAL_PRESET_CALLS(Flanger, FlangerParameters, flangerPresets_)
CAURAL_PRESET_CALLS(FrequencyShift, FrequencyShiftParameters, frequencyShiftPresets_)
CAURAL_PRESET_CALLS(VocalMorpher, VocalMorpherParameters, vocalMorpherPresets_)
CAURAL_PRESET_CALLS(PitchShift, PitchShiftParameters, pitchShiftPresets_)
CAURAL_PRESET_CALLS(RingModulator, RingModulatorParameters, ringModulatorPresets_)
CAURAL_PRESET_CALLS(Autowah, AutowahParameters, autowahPresets_)
CAURAL_PRESET_CALLS(Compressor, CompressorParameters, compressorPresets_)
CAURAL_PRESET_CALLS(Equalizer, EqualizerParameters, equalizerPresets_)

#undef CAURAL_PRESET_CALLS

}  // namespace cAural
