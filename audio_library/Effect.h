#pragma once
// One OpenAL EFX effect loaded into its own auxiliary effect slot.
#include <mutex>

#include "audio_library/Efx.h"
#include "caural/IEffect.h"

namespace cAural {

ALint convertEffectType(EffectType type);

class cEffect : public IEffect, public cMemoryOverride {
 public:
  // Holds a reference on the table (which may be null) for its whole life.
  explicit cEffect(EfxFunctionTable* efx);
  ~cEffect() override;

  EffectType getType() override { return type_; }
  void setType(const EffectType& type) override;

  const EaxReverbParameters& getEaxReverbParameters() override { return eaxReverb_; }
  void setEaxReverbParameters(const EaxReverbParameters& p) override { store(eaxReverb_, p); }
  const ReverbParameters& getReverbParameters() override { return reverb_; }
  void setReverbParameters(const ReverbParameters& p) override { store(reverb_, p); }
  const ChorusParameters& getChorusParameters() override { return chorus_; }
  void setChorusParameters(const ChorusParameters& p) override { store(chorus_, p); }
  const DistortionParameters& getDistortionParameters() override { return distortion_; }
  void setDistortionParameters(const DistortionParameters& p) override { store(distortion_, p); }
  const EchoParameters& getEchoParameters() override { return echo_; }
  void setEchoParameters(const EchoParameters& p) override { store(echo_, p); }
  const FlangerParameters& getFlangerParameters() override { return flanger_; }
  void setFlangerParameters(const FlangerParameters& p) override { store(flanger_, p); }
  const FrequencyShiftParameters& getFrequencyShiftParameters() override { return frequencyShift_; }
  void setFrequencyShiftParameters(const FrequencyShiftParameters& p) override { store(frequencyShift_, p); }
  const VocalMorpherParameters& getVocalMorpherParameters() override { return vocalMorpher_; }
  void setVocalMorpherParameters(const VocalMorpherParameters& p) override { store(vocalMorpher_, p); }
  const PitchShiftParameters& getPitchShiftParameters() override { return pitchShift_; }
  void setPitchShiftParameters(const PitchShiftParameters& p) override { store(pitchShift_, p); }
  const RingModulatorParameters& getRingModulatorParameters() override { return ringModulator_; }
  void setRingModulatorParameters(const RingModulatorParameters& p) override { store(ringModulator_, p); }
  const AutowahParameters& getAutowahParameters() override { return autowah_; }
  void setAutowahParameters(const AutowahParameters& p) override { store(autowah_, p); }
  const CompressorParameters& getCompressorParameters() override { return compressor_; }
  void setCompressorParameters(const CompressorParameters& p) override { store(compressor_, p); }
  const EqualizerParameters& getEqualizerParameters() override { return equalizer_; }
  void setEqualizerParameters(const EqualizerParameters& p) override { store(equalizer_, p); }

  float getSlotGain() override { return slotGain_; }
  void setSlotGain(const float& gain) override { store(slotGain_, gain); }
  bool isSendAuto() override { return sendAuto_; }
  void setSendAuto(const bool& sendAuto) override { store(sendAuto_, sendAuto); }

  IFilter* getFilter() override {
    std::lock_guard<std::mutex> lock(filterMutex_);
    return filter_;
  }
  // The attached filter's OpenAL name and update count, false when there is
  // no valid one. Safe on the update thread under the OpenAL lock: it takes
  // only a lock that the filter swap holds and that takes nothing after it.
  bool readFilter(ALuint& name, std::uint32_t& updateCount);
  void attachFilter(IFilter* filter) override;
  void detachFilter() override;

  std::uint32_t getUpdateCount() override { return updateCount_.load(); }
  bool isValid() override { return valid_.load(); }

  ALuint getOpenALEffect() const { return effect_; }
  ALuint getOpenALEffectSlot() const { return slot_; }

 private:
  template <typename T>
  void store(T& field, const T& value) {
    cMutexLock lock(mutex_);
    field = value;
    uploadParameters();
  }
  bool uploadParameters();
  void sendTypeParameters();
  IFilter* swapFilter(IFilter* filter);
  bool usable() const { return efx_ != nullptr && efx_->supported && slot_ != 0 && effect_ != 0; }

  EfxFunctionTable* efx_;
  cMutex mutex_;
  EffectType type_ = EFFECT_NULL;
  float slotGain_ = 1.0f;
  bool sendAuto_ = false;
  std::atomic<std::uint32_t> updateCount_{0};
  std::atomic<bool> valid_{false};
  // filter_ changes under mutex_ and filterMutex_ both; filterMutex_ is
  // held for nothing but the swap and readFilter.
  std::mutex filterMutex_;
  IFilter* filter_ = nullptr;
  ALuint effect_ = 0;
  ALuint slot_ = 0;
  EaxReverbParameters eaxReverb_;
  ReverbParameters reverb_;
  ChorusParameters chorus_;
  DistortionParameters distortion_;
  EchoParameters echo_;
  FlangerParameters flanger_;
  FrequencyShiftParameters frequencyShift_;
  VocalMorpherParameters vocalMorpher_;
  PitchShiftParameters pitchShift_;
  RingModulatorParameters ringModulator_;
  AutowahParameters autowah_;
  CompressorParameters compressor_;
  EqualizerParameters equalizer_;
};

}  // namespace cAural
