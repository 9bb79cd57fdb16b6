#pragma once
// EFX effect and filter types and one parameter record per effect type. A
// record's fields are in the order of the EFX parameters they map to; the
// default values are those of a new effect.
#include <cstdint>

namespace cAural {

struct cVector3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

enum EffectType : std::int32_t {
  EFFECT_NULL = 0,
  EFFECT_EAX_REVERB = 1,
  EFFECT_REVERB = 2,
  EFFECT_CHORUS = 3,
  EFFECT_DISTORTION = 4,
  EFFECT_ECHO = 5,
  EFFECT_FLANGER = 6,
  EFFECT_FREQUENCY_SHIFTER = 7,
  EFFECT_VOCAL_MORPHER = 8,
  EFFECT_PITCH_SHIFTER = 9,
  EFFECT_RING_MODULATOR = 10,
  EFFECT_AUTOWAH = 11,
  EFFECT_COMPRESSOR = 12,
  EFFECT_EQUALIZER = 13,
  EFFECT_TYPE_COUNT = 14,
};

enum FilterType : std::int32_t {
  FILTER_NULL = 0,
  FILTER_LOWPASS = 1,
  FILTER_HIGHPASS = 2,
  FILTER_BANDPASS = 3,
  FILTER_TYPE_COUNT = 4,
};

struct EaxReverbParameters {
  EaxReverbParameters() = default;
  // All 27 values in field order; the same order as the EFX reverb presets.
  EaxReverbParameters(float density, float diffusion, float gain, float gainHF, float gainLF, float decayTime,
                      float decayHFRatio, float decayLFRatio, float reflectionsGain, float reflectionsDelay,
                      cVector3 reflectionsPan, float lateReverbGain, float lateReverbDelay, cVector3 lateReverbPan,
                      float echoTime, float echoDepth, float modulationTime, float modulationDepth,
                      float airAbsorptionGainHF, float hfReference, float lfReference, float roomRolloffFactor,
                      bool decayHFLimit)
      : density(density), diffusion(diffusion), gain(gain), gainHF(gainHF), gainLF(gainLF), decayTime(decayTime),
        decayHFRatio(decayHFRatio), decayLFRatio(decayLFRatio), reflectionsGain(reflectionsGain),
        reflectionsDelay(reflectionsDelay), reflectionsPan(reflectionsPan), lateReverbGain(lateReverbGain),
        lateReverbDelay(lateReverbDelay), lateReverbPan(lateReverbPan), echoTime(echoTime), echoDepth(echoDepth),
        modulationTime(modulationTime), modulationDepth(modulationDepth), airAbsorptionGainHF(airAbsorptionGainHF),
        hfReference(hfReference), lfReference(lfReference), roomRolloffFactor(roomRolloffFactor),
        decayHFLimit(decayHFLimit) {}

  float density = 1.0f;
  float diffusion = 1.0f;
  float gain = 0.32f;
  float gainHF = 0.89f;
  // EFX's own default: a low-frequency gain of 0 would cut the reverb's lows.
  float gainLF = 1.0f;
  float decayTime = 1.49f;
  float decayHFRatio = 0.83f;
  float decayLFRatio = 1.0f;
  float reflectionsGain = 0.05f;
  float reflectionsDelay = 0.007f;
  cVector3 reflectionsPan;
  float lateReverbGain = 1.26f;
  float lateReverbDelay = 0.011f;
  cVector3 lateReverbPan;
  float echoTime = 0.25f;
  float echoDepth = 0.0f;
  float modulationTime = 0.25f;
  float modulationDepth = 0.0f;
  float airAbsorptionGainHF = 0.994f;
  float hfReference = 5000.0f;
  float lfReference = 250.0f;
  float roomRolloffFactor = 0.0f;
  bool decayHFLimit = true;
};

struct ReverbParameters {
  float density = 1.0f;
  float diffusion = 1.0f;
  float gain = 0.32f;
  float gainHF = 0.89f;
  float decayTime = 1.49f;
  float decayHFRatio = 0.83f;
  float reflectionsGain = 0.05f;
  float reflectionsDelay = 0.007f;
  float lateReverbGain = 1.26f;
  float lateReverbDelay = 0.011f;
  float airAbsorptionGainHF = 0.994f;
  float roomRolloffFactor = 0.0f;
  bool decayHFLimit = true;
};

// Waveforms: 0 sinusoid, 1 triangle.
struct ChorusParameters {
  std::int32_t waveform = 1;
  std::int32_t phase = 90;
  float rate = 1.1f;
  float depth = 0.1f;
  float feedback = 0.25f;
  float delay = 0.016f;
};

struct DistortionParameters {
  float edge = 0.2f;
  float gain = 0.05f;
  float lowpassCutoff = 8000.0f;
  float eqCenter = 3600.0f;
  float eqBandwidth = 3600.0f;
};

struct EchoParameters {
  float delay = 0.1f;
  float lrDelay = 0.1f;
  float damping = 0.5f;
  float feedback = 0.5f;
  float spread = -1.0f;
};

struct FlangerParameters {
  std::int32_t waveform = 1;
  std::int32_t phase = 0;
  float rate = 0.27f;
  float depth = 1.0f;
  float feedback = -0.5f;
  float delay = 0.002f;
};

// Directions: 0 down, 1 up, 2 off.
struct FrequencyShiftParameters {
  float frequency = 0.0f;
  std::int32_t leftDirection = 0;
  std::int32_t rightDirection = 0;
};

// Phonemes 0 to 29; waveforms 0 sinusoid, 1 triangle, 2 sawtooth.
struct VocalMorpherParameters {
  std::int32_t phonemeA = 0;
  std::int32_t phonemeB = 10;
  std::int32_t phonemeACoarseTune = 0;
  std::int32_t phonemeBCoarseTune = 0;
  std::int32_t waveform = 0;
  float rate = 1.41f;
};

struct PitchShiftParameters {
  std::int32_t coarseTune = 12;
  std::int32_t fineTune = 0;
};

// Waveforms 0 sinusoid, 1 triangle, 2 sawtooth.
struct RingModulatorParameters {
  float frequency = 440.0f;
  float highPassCutoff = 800.0f;
  std::int32_t waveform = 0;
};

struct AutowahParameters {
  float attackTime = 0.06f;
  float releaseTime = 0.06f;
  float resonance = 1000.0f;
  float peakGain = 11.22f;
};

struct CompressorParameters {
  bool active = true;
};

struct EqualizerParameters {
  float lowGain = 1.0f;
  float lowCutoff = 200.0f;
  float mid1Gain = 1.0f;
  float mid1Center = 500.0f;
  float mid1Width = 1.0f;
  float mid2Gain = 1.0f;
  float mid2Center = 3000.0f;
  float mid2Width = 1.0f;
  float highGain = 1.0f;
  float highCutoff = 6000.0f;
};

}  // namespace cAural
