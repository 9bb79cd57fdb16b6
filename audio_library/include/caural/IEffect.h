#pragma once
// An EFX filter (low-, high- or band-pass) and an EFX effect loaded into its
// own auxiliary slot. Every change goes to OpenAL at once; the update count
// counts the uploads attempted, so that users of the object see it changed.
// A value OpenAL refuses makes the object invalid until an upload succeeds.
#include <cstdint>

#include "caural/EffectTypes.h"
#include "sound/aural/AuralBase.h"

namespace cAural {

class CAURAL_API IFilter : public IRefCounted {
 public:
  ~IFilter() override = default;
  virtual FilterType getType() = 0;
  virtual void setType(const FilterType& type) = 0;
  virtual float getGain() = 0;
  virtual void setGain(const float& gain) = 0;
  virtual float getLowFrequencyGain() = 0;
  virtual void setLowFrequencyGain(const float& gain) = 0;
  virtual float getHighFrequencyGain() = 0;
  virtual void setHighFrequencyGain(const float& gain) = 0;
  virtual std::uint32_t getUpdateCount() = 0;
  virtual bool isValid() = 0;
};

class CAURAL_API IEffect : public IRefCounted {
 public:
  ~IEffect() override = default;
  virtual EffectType getType() = 0;
  virtual void setType(const EffectType& type) = 0;

  virtual const EaxReverbParameters& getEaxReverbParameters() = 0;
  virtual void setEaxReverbParameters(const EaxReverbParameters& p) = 0;
  virtual const ReverbParameters& getReverbParameters() = 0;
  virtual void setReverbParameters(const ReverbParameters& p) = 0;
  virtual const ChorusParameters& getChorusParameters() = 0;
  virtual void setChorusParameters(const ChorusParameters& p) = 0;
  virtual const DistortionParameters& getDistortionParameters() = 0;
  virtual void setDistortionParameters(const DistortionParameters& p) = 0;
  virtual const EchoParameters& getEchoParameters() = 0;
  virtual void setEchoParameters(const EchoParameters& p) = 0;
  virtual const FlangerParameters& getFlangerParameters() = 0;
  virtual void setFlangerParameters(const FlangerParameters& p) = 0;
  virtual const FrequencyShiftParameters& getFrequencyShiftParameters() = 0;
  virtual void setFrequencyShiftParameters(const FrequencyShiftParameters& p) = 0;
  virtual const VocalMorpherParameters& getVocalMorpherParameters() = 0;
  virtual void setVocalMorpherParameters(const VocalMorpherParameters& p) = 0;
  virtual const PitchShiftParameters& getPitchShiftParameters() = 0;
  virtual void setPitchShiftParameters(const PitchShiftParameters& p) = 0;
  virtual const RingModulatorParameters& getRingModulatorParameters() = 0;
  virtual void setRingModulatorParameters(const RingModulatorParameters& p) = 0;
  virtual const AutowahParameters& getAutowahParameters() = 0;
  virtual void setAutowahParameters(const AutowahParameters& p) = 0;
  virtual const CompressorParameters& getCompressorParameters() = 0;
  virtual void setCompressorParameters(const CompressorParameters& p) = 0;
  virtual const EqualizerParameters& getEqualizerParameters() = 0;
  virtual void setEqualizerParameters(const EqualizerParameters& p) = 0;

  virtual float getSlotGain() = 0;
  virtual void setSlotGain(const float& gain) = 0;
  virtual bool isSendAuto() = 0;
  virtual void setSendAuto(const bool& sendAuto) = 0;

  // The filter that sends to this effect pass through; attaching holds a
  // reference on it (and lets go of the one attached before).
  virtual IFilter* getFilter() = 0;
  virtual void attachFilter(IFilter* filter) = 0;
  virtual void detachFilter() = 0;

  virtual std::uint32_t getUpdateCount() = 0;
  virtual bool isValid() = 0;
};

}  // namespace cAural
