#pragma once
// The factory of effects and filters of one OpenAL device, what the device
// supports, and named presets, one registry per effect type.
#include <cstdint>

#include "caural/EffectTypes.h"
#include "caural/IEffect.h"

namespace cAural {

// A member of its audio manager (IAudioManager::getEffects); every operation
// may be called from any thread.
class CAURAL_API IAudioEffects {
 public:
  virtual ~IAudioEffects() = default;
  // A new effect or filter holding one reference, the caller's: release it
  // when done (a source it is attached to holds its own). Null when the
  // device has no EFX or the new object could not be made. An effect or
  // filter must not outlive its manager's context.
  virtual IEffect* createEffect() = 0;
  virtual IFilter* createFilter() = 0;
  // Auxiliary effect slots found on the device, at most 256.
  virtual std::uint32_t getMaxEffectSlots() = 0;
  virtual bool isEffectTypeSupported(const EffectType& type) = 0;
  virtual bool isFilterTypeSupported(const FilterType& type) = 0;

  // Stores a copy under the name, replacing an earlier one.
  virtual bool addEaxReverbPreset(const char* name, const EaxReverbParameters& p) = 0;
  virtual bool addReverbPreset(const char* name, const ReverbParameters& p) = 0;
  virtual bool addChorusPreset(const char* name, const ChorusParameters& p) = 0;
  virtual bool addDistortionPreset(const char* name, const DistortionParameters& p) = 0;
  virtual bool addEchoPreset(const char* name, const EchoParameters& p) = 0;
  virtual bool addFlangerPreset(const char* name, const FlangerParameters& p) = 0;
  virtual bool addFrequencyShiftPreset(const char* name, const FrequencyShiftParameters& p) = 0;
  virtual bool addVocalMorpherPreset(const char* name, const VocalMorpherParameters& p) = 0;
  virtual bool addPitchShiftPreset(const char* name, const PitchShiftParameters& p) = 0;
  virtual bool addRingModulatorPreset(const char* name, const RingModulatorParameters& p) = 0;
  virtual bool addAutowahPreset(const char* name, const AutowahParameters& p) = 0;
  virtual bool addCompressorPreset(const char* name, const CompressorParameters& p) = 0;
  virtual bool addEqualizerPreset(const char* name, const EqualizerParameters& p) = 0;

  // The stored record, or the type's defaults for a name never added.
  virtual EaxReverbParameters getEaxReverbPreset(const char* name) = 0;
  virtual ReverbParameters getReverbPreset(const char* name) = 0;
  virtual ChorusParameters getChorusPreset(const char* name) = 0;
  virtual DistortionParameters getDistortionPreset(const char* name) = 0;
  virtual EchoParameters getEchoPreset(const char* name) = 0;
  virtual FlangerParameters getFlangerPreset(const char* name) = 0;
  virtual FrequencyShiftParameters getFrequencyShiftPreset(const char* name) = 0;
  virtual VocalMorpherParameters getVocalMorpherPreset(const char* name) = 0;
  virtual PitchShiftParameters getPitchShiftPreset(const char* name) = 0;
  virtual RingModulatorParameters getRingModulatorPreset(const char* name) = 0;
  virtual AutowahParameters getAutowahPreset(const char* name) = 0;
  virtual CompressorParameters getCompressorPreset(const char* name) = 0;
  virtual EqualizerParameters getEqualizerPreset(const char* name) = 0;

  // The null type and numbers outside 1 to 13 are never registered.
  virtual void removePreset(const EffectType& type, const char* name) = 0;
  virtual bool isPresetRegistered(const EffectType& type, const char* name) = 0;
  virtual void removeAllPresets(const EffectType& type) = 0;
};

}  // namespace cAural
