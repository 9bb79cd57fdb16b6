#include "audio_library/Effect.h"

#include "audio_library/Filter.h"

namespace cAural {

namespace {

constexpr const char* kSender = "Audio Effect";

ALint clampWaveform2(std::int32_t w) { return w == 0 ? 0 : 1; }
ALint clampTo0Through2(std::int32_t v) { return v >= 0 && v <= 2 ? v : 0; }
ALint clampPhoneme(std::int32_t v) { return v >= 1 && v <= 29 ? v : 0; }
ALint flag(bool b) { return b ? 1 : 0; }

}  // namespace

ALint convertEffectType(EffectType type) {
  if (type == EFFECT_EAX_REVERB) return AL_EFFECT_EAXREVERB;
  if (type >= EFFECT_REVERB && type <= EFFECT_EQUALIZER) return type - 1;
  return AL_EFFECT_NULL;
}

cEffect::cEffect(EfxFunctionTable* efx) : efx_(efx) {
  if (efx_ != nullptr) efx_->addRef();
  cMutexLock lock(mutex_);
  if (efx_ == nullptr || !efx_->supported) return;
  cEfxLock al(*efx_);
  efx_->alGenAuxiliaryEffectSlots(1, &slot_);
  if (checkEfxError(*efx_, kSender)) {
    slot_ = 0;
    return;
  }
  efx_->alGenEffects(1, &effect_);
  if (checkEfxError(*efx_, kSender)) {
    efx_->alDeleteAuxiliaryEffectSlots(1, &slot_);
    efx_->getError();
    slot_ = effect_ = 0;
    return;
  }
  efx_->alAuxiliaryEffectSloti(slot_, AL_EFFECTSLOT_EFFECT, static_cast<ALint>(effect_));
  if (checkEfxError(*efx_, kSender)) {
    // Forgotten once deleted, so that the destructor deletes only the slot.
    efx_->alDeleteEffects(1, &effect_);
    efx_->getError();
    effect_ = 0;
    return;
  }
  valid_ = true;
}

cEffect::~cEffect() {
  {
    cMutexLock lock(mutex_);
    if (efx_ != nullptr && efx_->supported && (slot_ != 0 || effect_ != 0)) {
      cEfxLock al(*efx_);
      if (slot_ != 0) efx_->alAuxiliaryEffectSloti(slot_, AL_EFFECTSLOT_EFFECT, AL_EFFECT_NULL);
      if (effect_ != 0) efx_->alDeleteEffects(1, &effect_);
      if (slot_ != 0) efx_->alDeleteAuxiliaryEffectSlots(1, &slot_);
      checkEfxError(*efx_, kSender);
    }
    if (filter_ != nullptr) filter_->IRefCounted::release();
    filter_ = nullptr;
  }
  if (efx_ != nullptr) efx_->release();
}

void cEffect::setType(const EffectType& type) { store(type_, type); }

void cEffect::attachFilter(IFilter* filter) {
  cMutexLock lock(mutex_);
  if (filter != nullptr) filter->addRef();
  IFilter* old = swapFilter(filter);
  // Let go of only once no reader can see it.
  if (old != nullptr) old->IRefCounted::release();
  uploadParameters();
}

void cEffect::detachFilter() {
  cMutexLock lock(mutex_);
  IFilter* old = swapFilter(nullptr);
  if (old == nullptr) return;
  old->IRefCounted::release();
  // Counted like every other change, so that sends drop the filter too.
  uploadParameters();
}

IFilter* cEffect::swapFilter(IFilter* filter) {
  std::lock_guard<std::mutex> lock(filterMutex_);
  IFilter* old = filter_;
  filter_ = filter;
  return old;
}

bool cEffect::readFilter(ALuint& name, std::uint32_t& updateCount) {
  std::lock_guard<std::mutex> lock(filterMutex_);
  auto* f = dynamic_cast<cFilter*>(filter_);
  if (f == nullptr || !f->isValid()) return false;
  name = f->getOpenALFilter();
  updateCount = f->getUpdateCount();
  return true;
}

bool cEffect::uploadParameters() {
  ++updateCount_;
  if (!usable()) return false;
  cEfxLock al(*efx_);
  efx_->alEffecti(effect_, AL_EFFECT_TYPE, convertEffectType(type_));
  valid_ = !checkEfxError(*efx_, kSender);
  if (!valid_) return false;
  efx_->alAuxiliaryEffectSlotf(slot_, AL_EFFECTSLOT_GAIN, slotGain_);
  valid_ = !checkEfxError(*efx_, kSender);
  if (!valid_) return false;
  efx_->alAuxiliaryEffectSloti(slot_, AL_EFFECTSLOT_AUXILIARY_SEND_AUTO, flag(sendAuto_));
  valid_ = !checkEfxError(*efx_, kSender);
  if (!valid_) return false;
  sendTypeParameters();
  // Loaded again: the slot takes a copy of the effect's type and values.
  efx_->alAuxiliaryEffectSloti(slot_, AL_EFFECTSLOT_EFFECT, static_cast<ALint>(effect_));
  valid_ = !checkEfxError(*efx_, kSender);
  return valid_;
}

void cEffect::sendTypeParameters() {
  const ALuint e = effect_;
  auto f = [this, e](ALenum param, float value) { efx_->alEffectf(e, param, value); };
  auto i = [this, e](ALenum param, ALint value) { efx_->alEffecti(e, param, value); };
  auto fv = [this, e](ALenum param, const cVector3& v) {
    const ALfloat values[3] = {v.x, v.y, v.z};
    efx_->alEffectfv(e, param, values);
  };
  switch (type_) {
    case EFFECT_EAX_REVERB: {
      const EaxReverbParameters& p = eaxReverb_;
      f(AL_EAXREVERB_DENSITY, p.density);
      f(AL_EAXREVERB_DIFFUSION, p.diffusion);
      f(AL_EAXREVERB_GAIN, p.gain);
      f(AL_EAXREVERB_GAINHF, p.gainHF);
      f(AL_EAXREVERB_GAINLF, p.gainLF);
      f(AL_EAXREVERB_DECAY_TIME, p.decayTime);
      f(AL_EAXREVERB_DECAY_HFRATIO, p.decayHFRatio);
      f(AL_EAXREVERB_DECAY_LFRATIO, p.decayLFRatio);
      f(AL_EAXREVERB_REFLECTIONS_GAIN, p.reflectionsGain);
      f(AL_EAXREVERB_REFLECTIONS_DELAY, p.reflectionsDelay);
      fv(AL_EAXREVERB_REFLECTIONS_PAN, p.reflectionsPan);
      f(AL_EAXREVERB_LATE_REVERB_GAIN, p.lateReverbGain);
      f(AL_EAXREVERB_LATE_REVERB_DELAY, p.lateReverbDelay);
      fv(AL_EAXREVERB_LATE_REVERB_PAN, p.lateReverbPan);
      f(AL_EAXREVERB_ECHO_TIME, p.echoTime);
      f(AL_EAXREVERB_ECHO_DEPTH, p.echoDepth);
      f(AL_EAXREVERB_MODULATION_TIME, p.modulationTime);
      f(AL_EAXREVERB_MODULATION_DEPTH, p.modulationDepth);
      f(AL_EAXREVERB_HFREFERENCE, p.hfReference);
      f(AL_EAXREVERB_LFREFERENCE, p.lfReference);
      f(AL_EAXREVERB_ROOM_ROLLOFF_FACTOR, p.roomRolloffFactor);
      f(AL_EAXREVERB_AIR_ABSORPTION_GAINHF, p.airAbsorptionGainHF);
      i(AL_EAXREVERB_DECAY_HFLIMIT, flag(p.decayHFLimit));
      break;
    }
    case EFFECT_REVERB: {
      const ReverbParameters& p = reverb_;
      f(AL_REVERB_DENSITY, p.density);
      f(AL_REVERB_DIFFUSION, p.diffusion);
      f(AL_REVERB_GAIN, p.gain);
      f(AL_REVERB_GAINHF, p.gainHF);
      f(AL_REVERB_DECAY_TIME, p.decayTime);
      f(AL_REVERB_DECAY_HFRATIO, p.decayHFRatio);
      f(AL_REVERB_REFLECTIONS_GAIN, p.reflectionsGain);
      f(AL_REVERB_REFLECTIONS_DELAY, p.reflectionsDelay);
      f(AL_REVERB_LATE_REVERB_GAIN, p.lateReverbGain);
      f(AL_REVERB_LATE_REVERB_DELAY, p.lateReverbDelay);
      f(AL_REVERB_ROOM_ROLLOFF_FACTOR, p.roomRolloffFactor);
      f(AL_REVERB_AIR_ABSORPTION_GAINHF, p.airAbsorptionGainHF);
      i(AL_REVERB_DECAY_HFLIMIT, flag(p.decayHFLimit));
      break;
    }
    case EFFECT_CHORUS: {
      const ChorusParameters& p = chorus_;
      i(AL_CHORUS_WAVEFORM, clampWaveform2(p.waveform));
      i(AL_CHORUS_PHASE, p.phase);
      f(AL_CHORUS_RATE, p.rate);
      f(AL_CHORUS_DEPTH, p.depth);
      f(AL_CHORUS_FEEDBACK, p.feedback);
      f(AL_CHORUS_DELAY, p.delay);
      break;
    }
    case EFFECT_DISTORTION: {
      const DistortionParameters& p = distortion_;
      f(AL_DISTORTION_EDGE, p.edge);
      f(AL_DISTORTION_GAIN, p.gain);
      f(AL_DISTORTION_LOWPASS_CUTOFF, p.lowpassCutoff);
      f(AL_DISTORTION_EQCENTER, p.eqCenter);
      f(AL_DISTORTION_EQBANDWIDTH, p.eqBandwidth);
      break;
    }
    case EFFECT_ECHO: {
      const EchoParameters& p = echo_;
      f(AL_ECHO_DELAY, p.delay);
      f(AL_ECHO_LRDELAY, p.lrDelay);
      f(AL_ECHO_DAMPING, p.damping);
      f(AL_ECHO_FEEDBACK, p.feedback);
      f(AL_ECHO_SPREAD, p.spread);
      break;
    }
    case EFFECT_FLANGER: {
      const FlangerParameters& p = flanger_;
      i(AL_FLANGER_WAVEFORM, clampWaveform2(p.waveform));
      i(AL_FLANGER_PHASE, p.phase);
      f(AL_FLANGER_RATE, p.rate);
      f(AL_FLANGER_DEPTH, p.depth);
      f(AL_FLANGER_FEEDBACK, p.feedback);
      f(AL_FLANGER_DELAY, p.delay);
      break;
    }
    case EFFECT_FREQUENCY_SHIFTER: {
      const FrequencyShiftParameters& p = frequencyShift_;
      f(AL_FREQUENCY_SHIFTER_FREQUENCY, p.frequency);
      i(AL_FREQUENCY_SHIFTER_LEFT_DIRECTION, clampTo0Through2(p.leftDirection));
      i(AL_FREQUENCY_SHIFTER_RIGHT_DIRECTION, clampTo0Through2(p.rightDirection));
      break;
    }
    case EFFECT_VOCAL_MORPHER: {
      const VocalMorpherParameters& p = vocalMorpher_;
      i(AL_VOCAL_MORPHER_PHONEMEA, clampPhoneme(p.phonemeA));
      i(AL_VOCAL_MORPHER_PHONEMEB, clampPhoneme(p.phonemeB));
      i(AL_VOCAL_MORPHER_PHONEMEA_COARSE_TUNING, p.phonemeACoarseTune);
      i(AL_VOCAL_MORPHER_PHONEMEB_COARSE_TUNING, p.phonemeBCoarseTune);
      i(AL_VOCAL_MORPHER_WAVEFORM, clampTo0Through2(p.waveform));
      f(AL_VOCAL_MORPHER_RATE, p.rate);
      break;
    }
    case EFFECT_PITCH_SHIFTER: {
      const PitchShiftParameters& p = pitchShift_;
      i(AL_PITCH_SHIFTER_COARSE_TUNE, p.coarseTune);
      i(AL_PITCH_SHIFTER_FINE_TUNE, p.fineTune);
      break;
    }
    case EFFECT_RING_MODULATOR: {
      const RingModulatorParameters& p = ringModulator_;
      f(AL_RING_MODULATOR_FREQUENCY, p.frequency);
      f(AL_RING_MODULATOR_HIGHPASS_CUTOFF, p.highPassCutoff);
      i(AL_RING_MODULATOR_WAVEFORM, clampTo0Through2(p.waveform));
      break;
    }
    case EFFECT_AUTOWAH: {
      const AutowahParameters& p = autowah_;
      f(AL_AUTOWAH_ATTACK_TIME, p.attackTime);
      f(AL_AUTOWAH_RELEASE_TIME, p.releaseTime);
      f(AL_AUTOWAH_RESONANCE, p.resonance);
      f(AL_AUTOWAH_PEAK_GAIN, p.peakGain);
      break;
    }
    case EFFECT_COMPRESSOR:
      i(AL_COMPRESSOR_ONOFF, flag(compressor_.active));
      break;
    case EFFECT_EQUALIZER: {
      const EqualizerParameters& p = equalizer_;
      f(AL_EQUALIZER_LOW_GAIN, p.lowGain);
      f(AL_EQUALIZER_LOW_CUTOFF, p.lowCutoff);
      f(AL_EQUALIZER_MID1_GAIN, p.mid1Gain);
      f(AL_EQUALIZER_MID1_CENTER, p.mid1Center);
      f(AL_EQUALIZER_MID1_WIDTH, p.mid1Width);
      f(AL_EQUALIZER_MID2_GAIN, p.mid2Gain);
      f(AL_EQUALIZER_MID2_CENTER, p.mid2Center);
      f(AL_EQUALIZER_MID2_WIDTH, p.mid2Width);
      f(AL_EQUALIZER_HIGH_GAIN, p.highGain);
      f(AL_EQUALIZER_HIGH_CUTOFF, p.highCutoff);
      break;
    }
    default:
      break;
  }
}

}  // namespace cAural
