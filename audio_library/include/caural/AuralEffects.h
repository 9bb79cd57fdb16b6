#pragma once
// The effects object of one OpenAL device: probes what the device supports,
// makes effects and filters, and keeps the named presets.
#include <cstdint>
#include <functional>
#include <map>

#include "caural/IAudioEffects.h"

namespace cAural {

struct EfxFunctionTable;

template <typename Record>
using cPresetRegistry =
    std::map<cString, Record, std::less<>, cAllocator<std::pair<const cString, Record>>>;

class CAURAL_API cAuralEffects : public IAudioEffects, public cMemoryOverride {
 public:
  cAuralEffects();
  ~cAuralEffects() override;
  cAuralEffects(const cAuralEffects&) = delete;
  cAuralEffects& operator=(const cAuralEffects&) = delete;

  // Fetches the EFX entry points of the current OpenAL context's device and
  // probes it; effects and filters made afterwards work in that context.
  // False when there is no current context or the device has no EFX.
  bool bindToCurrentContext();
  // The same for a given OpenAL context (an ALCcontext*).
  bool bindToContext(void* alcContext);
  // Before the context goes: effects and filters still alive stop calling
  // OpenAL, and every support flag is cleared.
  void unbind();
  // Takes a reference on the table (null for none) in place of the current one.
  void setEfxFunctions(EfxFunctionTable* table);
  EfxFunctionTable* getEfxFunctions() { return efx_; }
  void probeSupport();

  IEffect* createEffect() override;
  IFilter* createFilter() override;
  std::uint32_t getMaxEffectSlots() override { return maxEffectSlots_; }
  bool isEffectTypeSupported(const EffectType& type) override;
  bool isFilterTypeSupported(const FilterType& type) override;

  bool addEaxReverbPreset(const char* name, const EaxReverbParameters& p) override;
  bool addReverbPreset(const char* name, const ReverbParameters& p) override;
  bool addChorusPreset(const char* name, const ChorusParameters& p) override;
  bool addDistortionPreset(const char* name, const DistortionParameters& p) override;
  bool addEchoPreset(const char* name, const EchoParameters& p) override;
  bool addFlangerPreset(const char* name, const FlangerParameters& p) override;
  bool addFrequencyShiftPreset(const char* name, const FrequencyShiftParameters& p) override;
  bool addVocalMorpherPreset(const char* name, const VocalMorpherParameters& p) override;
  bool addPitchShiftPreset(const char* name, const PitchShiftParameters& p) override;
  bool addRingModulatorPreset(const char* name, const RingModulatorParameters& p) override;
  bool addAutowahPreset(const char* name, const AutowahParameters& p) override;
  bool addCompressorPreset(const char* name, const CompressorParameters& p) override;
  bool addEqualizerPreset(const char* name, const EqualizerParameters& p) override;

  EaxReverbParameters getEaxReverbPreset(const char* name) override;
  ReverbParameters getReverbPreset(const char* name) override;
  ChorusParameters getChorusPreset(const char* name) override;
  DistortionParameters getDistortionPreset(const char* name) override;
  EchoParameters getEchoPreset(const char* name) override;
  FlangerParameters getFlangerPreset(const char* name) override;
  FrequencyShiftParameters getFrequencyShiftPreset(const char* name) override;
  VocalMorpherParameters getVocalMorpherPreset(const char* name) override;
  PitchShiftParameters getPitchShiftPreset(const char* name) override;
  RingModulatorParameters getRingModulatorPreset(const char* name) override;
  AutowahParameters getAutowahPreset(const char* name) override;
  CompressorParameters getCompressorPreset(const char* name) override;
  EqualizerParameters getEqualizerPreset(const char* name) override;

  void removePreset(const EffectType& type, const char* name) override;
  bool isPresetRegistered(const EffectType& type, const char* name) override;
  void removeAllPresets(const EffectType& type) override;

 private:
  template <typename Record>
  bool addPreset(cPresetRegistry<Record>& registry, const char* name, const Record& p);
  template <typename Record>
  Record getPreset(cPresetRegistry<Record>& registry, const char* name);
  // Calls f with the registry of the type; false for the null type and unknown numbers.
  template <typename F>
  bool withRegistry(EffectType type, F&& f);

  cMutex mutex_;
  EfxFunctionTable* efx_ = nullptr;
  std::uint32_t maxEffectSlots_ = 0;
  bool effectSupported_[EFFECT_TYPE_COUNT] = {};
  bool filterSupported_[FILTER_TYPE_COUNT] = {};
  cPresetRegistry<EaxReverbParameters> eaxReverbPresets_;
  cPresetRegistry<ReverbParameters> reverbPresets_;
  cPresetRegistry<ChorusParameters> chorusPresets_;
  cPresetRegistry<DistortionParameters> distortionPresets_;
  cPresetRegistry<EchoParameters> echoPresets_;
  cPresetRegistry<FlangerParameters> flangerPresets_;
  cPresetRegistry<FrequencyShiftParameters> frequencyShiftPresets_;
  cPresetRegistry<VocalMorpherParameters> vocalMorpherPresets_;
  cPresetRegistry<PitchShiftParameters> pitchShiftPresets_;
  cPresetRegistry<RingModulatorParameters> ringModulatorPresets_;
  cPresetRegistry<AutowahParameters> autowahPresets_;
  cPresetRegistry<CompressorParameters> compressorPresets_;
  cPresetRegistry<EqualizerParameters> equalizerPresets_;
};

}  // namespace cAural
