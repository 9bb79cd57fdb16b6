// What effects and filters send through the EFX table, in which order and with
// which clamps, checked on a recording table; and their life without EFX.
#include <gtest/gtest.h>

#include "AuralTestSupport.h"
#include "EfxRecorder.h"
#include "audio_library/Effect.h"
#include "audio_library/Filter.h"
#include "caural/AuralEffects.h"

using namespace cAural;
using qmtest::EfxRecorder;

namespace {

class Upload : public ::testing::Test {
 protected:
  void SetUp() override { table_ = qmtest::recordingTable(rec_); }
  void TearDown() override { table_->release(); }

  cEffect* newEffect() {
    auto* e = new cEffect(table_);
    rec_.calls.clear();
    return e;
  }

  EfxRecorder rec_;
  EfxFunctionTable* table_ = nullptr;
};

std::string paramsOf(EfxRecorder& rec, cEffect& e, EffectType type) {
  rec.calls.clear();
  e.setType(type);
  return rec.parameterNames();
}

bool sent(const EfxRecorder& rec, const std::string& call) {
  return std::find(rec.calls.begin(), rec.calls.end(), call) != rec.calls.end();
}

}  // namespace

TEST_F(Upload, EveryTypeSendsItsParametersInOrder) {
  cEffect* e = newEffect();
  ASSERT_TRUE(e->isValid());
  EXPECT_EQ(paramsOf(rec_, *e, EFFECT_EAX_REVERB),
            "f1 f2 f3 f4 f5 f6 f7 f8 f9 f10 fv11 f12 f13 fv14 f15 f16 f17 f18 f20 f21 f22 f19 i23");
  EXPECT_EQ(paramsOf(rec_, *e, EFFECT_REVERB), "f1 f2 f3 f4 f5 f6 f7 f8 f9 f10 f12 f11 i13");
  EXPECT_EQ(paramsOf(rec_, *e, EFFECT_CHORUS), "i1 i2 f3 f4 f5 f6");
  EXPECT_EQ(paramsOf(rec_, *e, EFFECT_DISTORTION), "f1 f2 f3 f4 f5");
  EXPECT_EQ(paramsOf(rec_, *e, EFFECT_ECHO), "f1 f2 f3 f4 f5");
  EXPECT_EQ(paramsOf(rec_, *e, EFFECT_FLANGER), "i1 i2 f3 f4 f5 f6");
  EXPECT_EQ(paramsOf(rec_, *e, EFFECT_FREQUENCY_SHIFTER), "f1 i2 i3");
  EXPECT_EQ(paramsOf(rec_, *e, EFFECT_VOCAL_MORPHER), "i1 i3 i2 i4 i5 f6");
  EXPECT_EQ(paramsOf(rec_, *e, EFFECT_PITCH_SHIFTER), "i1 i2");
  EXPECT_EQ(paramsOf(rec_, *e, EFFECT_RING_MODULATOR), "f1 f2 i3");
  EXPECT_EQ(paramsOf(rec_, *e, EFFECT_AUTOWAH), "f1 f2 f3 f4");
  EXPECT_EQ(paramsOf(rec_, *e, EFFECT_COMPRESSOR), "i1");
  EXPECT_EQ(paramsOf(rec_, *e, EFFECT_EQUALIZER), "f1 f2 f3 f4 f5 f6 f7 f8 f9 f10");
  EXPECT_EQ(e->getUpdateCount(), 13u);
  e->release();
}

TEST_F(Upload, TypeSlotGainSendAutoFirstAndTheSlotReloadedLast) {
  cEffect* e = newEffect();
  e->setSendAuto(true);
  rec_.calls.clear();
  e->setType(EFFECT_NULL);
  const std::string slotLoad = "slot-i1=" + std::to_string(e->getOpenALEffect());
  EXPECT_EQ(rec_.calls, (std::vector<std::string>{"i32769=0", "slot-f2=1", "slot-i3=1", slotLoad}));
  rec_.calls.clear();
  e->setType(EFFECT_EAX_REVERB);
  ASSERT_GE(rec_.calls.size(), 4u);
  EXPECT_EQ(rec_.calls[0], "i32769=32768");
  EXPECT_EQ(rec_.calls.back(), slotLoad);
  rec_.calls.clear();
  e->setSlotGain(0.5f);
  EXPECT_EQ(rec_.calls[1], "slot-f2=0.5");
  rec_.calls.clear();
  e->setType(EFFECT_EQUALIZER);
  EXPECT_EQ(rec_.calls[0], "i32769=12");
  e->release();
}

TEST_F(Upload, DefaultsGoOutAsEfxDefinesThem) {
  cEffect* e = newEffect();
  e->setType(EFFECT_EAX_REVERB);
  EXPECT_TRUE(sent(rec_, "f5=1"));  // low-frequency gain
  EXPECT_TRUE(sent(rec_, "f3=0.32"));
  EXPECT_TRUE(sent(rec_, "i23=1"));
  EaxReverbParameters p;
  p.decayHFLimit = false;
  p.lateReverbPan = {0.5f, -0.25f, 1.0f};
  e->setEaxReverbParameters(p);
  EXPECT_TRUE(sent(rec_, "i23=0"));
  EXPECT_EQ(rec_.lastVector, (std::vector<float>{0.5f, -0.25f, 1.0f}));
  e->release();
}

TEST_F(Upload, OutOfRangeChoicesAreClamped) {
  cEffect* e = newEffect();
  ChorusParameters chorus;
  chorus.waveform = 5;
  e->setChorusParameters(chorus);
  e->setType(EFFECT_CHORUS);
  EXPECT_TRUE(sent(rec_, "i1=1"));
  rec_.calls.clear();
  chorus.waveform = 0;
  e->setChorusParameters(chorus);
  EXPECT_TRUE(sent(rec_, "i1=0"));

  FlangerParameters flanger;
  flanger.waveform = -3;
  e->setFlangerParameters(flanger);
  rec_.calls.clear();
  e->setType(EFFECT_FLANGER);
  EXPECT_TRUE(sent(rec_, "i1=1"));

  VocalMorpherParameters morpher;
  morpher.phonemeA = 30;
  morpher.phonemeB = 29;
  morpher.waveform = 3;
  e->setVocalMorpherParameters(morpher);
  rec_.calls.clear();
  e->setType(EFFECT_VOCAL_MORPHER);
  EXPECT_TRUE(sent(rec_, "i1=0"));
  EXPECT_TRUE(sent(rec_, "i3=29"));
  EXPECT_TRUE(sent(rec_, "i5=0"));

  FrequencyShiftParameters shift;
  shift.leftDirection = 7;
  shift.rightDirection = 2;
  e->setFrequencyShiftParameters(shift);
  rec_.calls.clear();
  e->setType(EFFECT_FREQUENCY_SHIFTER);
  EXPECT_TRUE(sent(rec_, "i2=0"));
  EXPECT_TRUE(sent(rec_, "i3=2"));

  RingModulatorParameters ring;
  ring.waveform = 3;
  e->setRingModulatorParameters(ring);
  rec_.calls.clear();
  e->setType(EFFECT_RING_MODULATOR);
  EXPECT_TRUE(sent(rec_, "i3=0"));
  ring.waveform = 2;
  rec_.calls.clear();
  e->setRingModulatorParameters(ring);
  EXPECT_TRUE(sent(rec_, "i3=2"));

  CompressorParameters off;
  off.active = false;
  e->setCompressorParameters(off);
  rec_.calls.clear();
  e->setType(EFFECT_COMPRESSOR);
  EXPECT_TRUE(sent(rec_, "i1=0"));
  e->release();
}

TEST_F(Upload, RefusedValueMakesInvalidOnceAndLeavesNothingPending) {
  qmtest::ScopedCapture capture;
  cEffect* e = newEffect();
  e->setType(EFFECT_REVERB);
  ASSERT_TRUE(e->isValid());
  rec_.failOn = "f1=2";
  ReverbParameters dense;
  dense.density = 2.0f;
  e->setReverbParameters(dense);
  EXPECT_FALSE(e->isValid());
  EXPECT_EQ(rec_.pending, AL_NO_ERROR);
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0].sender, "Audio Effect");
  EXPECT_EQ(capture.lines()[0].message, "OpenAL Error: Invalid Value.");
  EXPECT_EQ(capture.lines()[0].level, LOG_ERROR);
  e->setReverbParameters(ReverbParameters{});
  EXPECT_TRUE(e->isValid());
  e->release();
}

TEST_F(Upload, AnErrorLeftByOthersDoesNotCountAgainstTheEffect) {
  qmtest::ScopedCapture capture;
  cEffect* e = newEffect();
  rec_.pending = AL_INVALID_ENUM;  // from some earlier, unrelated call
  e->setType(EFFECT_ECHO);
  EXPECT_TRUE(e->isValid());
  EXPECT_TRUE(capture.lines().empty());
  e->release();
}

TEST_F(Upload, ErrorWithoutTextIsStillLogged) {
  qmtest::ScopedCapture capture;
  cEffect* e = newEffect();
  rec_.failOn = "i32769";
  rec_.failCode = AL_OUT_OF_MEMORY;
  e->setType(EFFECT_ECHO);
  EXPECT_FALSE(e->isValid());
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0].message, "OpenAL Error: (unknown).");
  EXPECT_EQ(capture.lines()[0].level, LOG_CRITICAL);
  e->release();
}

TEST_F(Upload, FailedConstructionStepsFreeWhatWasMadeOnce) {
  {
    rec_.failOn = "gen-slot";
    cEffect* e = new cEffect(table_);
    EXPECT_FALSE(e->isValid());
    EXPECT_EQ(e->getOpenALEffectSlot(), 0u);
    EXPECT_EQ(rec_.genEffects, 0);
    e->release();
    EXPECT_EQ(rec_.deleteSlots + rec_.deleteEffects, 0);
  }
  rec_ = EfxRecorder{};
  qmtest::EfxRecorder::current() = &rec_;
  {
    rec_.failOn = "gen-effect";
    cEffect* e = new cEffect(table_);
    EXPECT_FALSE(e->isValid());
    EXPECT_EQ(rec_.deleteSlots, 1);
    e->release();
    EXPECT_EQ(rec_.deleteSlots, 1);
  }
  rec_ = EfxRecorder{};
  qmtest::EfxRecorder::current() = &rec_;
  {
    rec_.failOn = "slot-i1=";
    cEffect* e = new cEffect(table_);
    EXPECT_FALSE(e->isValid());
    EXPECT_EQ(rec_.deleteEffects, 1);
    EXPECT_EQ(e->getOpenALEffect(), 0u);
    e->release();
    EXPECT_EQ(rec_.deleteEffects, 1);
    EXPECT_EQ(rec_.deleteSlots, 1);
  }
}

TEST_F(Upload, FilterReferencesAndDetachCounts) {
  cEffect* e = newEffect();
  auto* f = new cFilter(table_);
  auto* g = new cFilter(table_);
  e->detachFilter();  // nothing attached: nothing happens
  EXPECT_EQ(e->getUpdateCount(), 0u);
  e->attachFilter(f);
  EXPECT_EQ(f->getRefCount(), 2);
  EXPECT_EQ(e->getFilter(), f);
  EXPECT_EQ(e->getUpdateCount(), 1u);
  e->attachFilter(g);
  EXPECT_EQ(f->getRefCount(), 1);
  EXPECT_EQ(g->getRefCount(), 2);
  e->attachFilter(g);
  EXPECT_EQ(g->getRefCount(), 2);
  const std::uint32_t before = e->getUpdateCount();
  e->detachFilter();
  EXPECT_EQ(e->getFilter(), nullptr);
  EXPECT_EQ(g->getRefCount(), 1);
  EXPECT_EQ(e->getUpdateCount(), before + 1);
  e->attachFilter(f);
  e->release();  // lets go of the filter too
  EXPECT_EQ(f->getRefCount(), 1);
  f->release();
  g->release();
}

TEST_F(Upload, FiltersSendTheirPassGains) {
  auto* f = new cFilter(table_);
  ASSERT_TRUE(f->isValid());
  rec_.calls.clear();
  f->setType(FILTER_LOWPASS);
  EXPECT_EQ(rec_.calls, (std::vector<std::string>{"filter-i32769=1", "filter-f1=1", "filter-f2=1"}));
  EXPECT_EQ(f->getUpdateCount(), 1u);
  f->setHighFrequencyGain(0.25f);
  f->setLowFrequencyGain(0.75f);
  rec_.calls.clear();
  f->setType(FILTER_HIGHPASS);
  EXPECT_EQ(rec_.calls, (std::vector<std::string>{"filter-i32769=2", "filter-f1=1", "filter-f2=0.75"}));
  rec_.calls.clear();
  f->setGain(0.5f);
  f->setType(FILTER_BANDPASS);
  EXPECT_EQ(rec_.calls.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(rec_.calls.end() - 4, rec_.calls.end()),
            (std::vector<std::string>{"filter-i32769=3", "filter-f1=0.5", "filter-f2=0.75", "filter-f3=0.25"}));
  rec_.calls.clear();
  f->setType(static_cast<FilterType>(7));
  EXPECT_EQ(rec_.calls, (std::vector<std::string>{"filter-i32769=0"}));
  EXPECT_EQ(f->getUpdateCount(), 7u);

  qmtest::ScopedCapture capture;
  rec_.failOn = "filter-f1";
  f->setType(FILTER_LOWPASS);
  EXPECT_FALSE(f->isValid());
  EXPECT_TRUE(capture.has("Audio Filter", "OpenAL Error: Invalid Value."));
  rec_.failOn.clear();
  f->setGain(1.0f);
  EXPECT_TRUE(f->isValid());
  f->release();
  EXPECT_EQ(rec_.deleteFilters, 1);
}

TEST(NoEfx, SettersCountAndSendNothing) {
  EfxRecorder rec;
  EfxFunctionTable* table = qmtest::recordingTable(rec);
  table->supported = false;
  for (EfxFunctionTable* t : {table, static_cast<EfxFunctionTable*>(nullptr)}) {
    rec.calls.clear();
    auto* e = new cEffect(t);
    auto* f = new cFilter(t);
    EXPECT_FALSE(e->isValid());
    EXPECT_FALSE(f->isValid());
    e->setType(EFFECT_REVERB);
    e->setSlotGain(0.5f);
    f->setGain(0.5f);
    EXPECT_EQ(e->getUpdateCount(), 2u);
    EXPECT_EQ(e->getSlotGain(), 0.5f);
    EXPECT_EQ(f->getUpdateCount(), 1u);
    EXPECT_EQ(f->getGain(), 0.5f);
    EXPECT_FALSE(e->isValid());
    e->release();
    f->release();
    EXPECT_TRUE(rec.calls.empty());
  }
  table->release();

  cAuralEffects effects;
  EXPECT_EQ(effects.getMaxEffectSlots(), 0u);
  for (int t = 0; t < EFFECT_TYPE_COUNT; ++t) EXPECT_FALSE(effects.isEffectTypeSupported(static_cast<EffectType>(t)));
  for (int t = 0; t < FILTER_TYPE_COUNT; ++t) EXPECT_FALSE(effects.isFilterTypeSupported(static_cast<FilterType>(t)));
  EXPECT_EQ(effects.createEffect(), nullptr);
  EXPECT_EQ(effects.createFilter(), nullptr);
}

TEST(NewEffect, HoldsTheDefaults) {
  cEffect e(nullptr);
  EXPECT_EQ(e.getType(), EFFECT_NULL);
  EXPECT_EQ(e.getSlotGain(), 1.0f);
  EXPECT_FALSE(e.isSendAuto());
  EXPECT_EQ(e.getUpdateCount(), 0u);
  EXPECT_EQ(e.getEaxReverbParameters().gainLF, 1.0f);
  EXPECT_EQ(e.getReverbParameters().decayTime, 1.49f);
  EXPECT_EQ(e.getChorusParameters().phase, 90);
  EXPECT_EQ(e.getVocalMorpherParameters().phonemeB, 10);
  EXPECT_EQ(e.getEqualizerParameters().highCutoff, 6000.0f);
  cFilter f(nullptr);
  EXPECT_EQ(f.getType(), FILTER_NULL);
  EXPECT_EQ(f.getLowFrequencyGain(), 1.0f);
  EXPECT_EQ(convertEffectType(EFFECT_EAX_REVERB), AL_EFFECT_EAXREVERB);
  EXPECT_EQ(convertEffectType(EFFECT_REVERB), AL_EFFECT_REVERB);
  EXPECT_EQ(convertEffectType(EFFECT_EQUALIZER), AL_EFFECT_EQUALIZER);
  EXPECT_EQ(convertEffectType(static_cast<EffectType>(14)), AL_EFFECT_NULL);
  EXPECT_EQ(convertFilterType(FILTER_BANDPASS), AL_FILTER_BANDPASS);
  EXPECT_EQ(convertFilterType(static_cast<FilterType>(-1)), AL_FILTER_NULL);
}

TEST(Presets, RegistriesByTypeAndName) {
  cAuralEffects effects;
  const ReverbParameters unknown = effects.getReverbPreset("never added");
  EXPECT_EQ(unknown.gain, 0.32f);
  EXPECT_EQ(unknown.decayTime, 1.49f);
  EXPECT_TRUE(unknown.decayHFLimit);
  EXPECT_EQ(effects.getEaxReverbPreset(nullptr).gainLF, 1.0f);

  ReverbParameters hall;
  hall.decayTime = 5.0f;
  EXPECT_TRUE(effects.addReverbPreset("hall", hall));
  hall.decayTime = 7.0f;
  EXPECT_TRUE(effects.addReverbPreset("hall", hall));
  EXPECT_EQ(effects.getReverbPreset("hall").decayTime, 7.0f);

  EchoParameters echo;
  echo.delay = 0.2f;
  effects.addEchoPreset("hall", echo);
  EXPECT_TRUE(effects.isPresetRegistered(EFFECT_REVERB, "hall"));
  EXPECT_TRUE(effects.isPresetRegistered(EFFECT_ECHO, "hall"));
  EXPECT_FALSE(effects.isPresetRegistered(EFFECT_CHORUS, "hall"));
  EXPECT_FALSE(effects.isPresetRegistered(EFFECT_NULL, "hall"));
  EXPECT_FALSE(effects.isPresetRegistered(static_cast<EffectType>(14), "hall"));
  effects.removePreset(EFFECT_NULL, "hall");
  effects.removePreset(EFFECT_ECHO, "hall");
  effects.removePreset(EFFECT_ECHO, "nope");
  EXPECT_FALSE(effects.isPresetRegistered(EFFECT_ECHO, "hall"));
  EXPECT_TRUE(effects.isPresetRegistered(EFFECT_REVERB, "hall"));
  effects.addReverbPreset("", hall);
  EXPECT_TRUE(effects.isPresetRegistered(EFFECT_REVERB, nullptr));
  effects.removeAllPresets(EFFECT_REVERB);
  EXPECT_FALSE(effects.isPresetRegistered(EFFECT_REVERB, "hall"));
  EXPECT_EQ(effects.getReverbPreset("hall").decayTime, 1.49f);

  EqualizerParameters eq;
  eq.lowGain = 2.0f;
  effects.addEqualizerPreset("bass", eq);
  EXPECT_EQ(effects.getEqualizerPreset("bass").lowGain, 2.0f);
  CompressorParameters off;
  off.active = false;
  effects.addCompressorPreset("off", off);
  EXPECT_FALSE(effects.getCompressorPreset("off").active);
}

TEST(Presets, EaxRecordFromItsValuesInOrder) {
  const EaxReverbParameters p(0.5f, 0.6f, 0.3f, 0.8f, 0.9f, 2.0f, 0.7f, 1.1f, 0.04f, 0.01f, {1, 2, 3}, 1.2f, 0.02f,
                              {4, 5, 6}, 0.2f, 0.1f, 0.3f, 0.05f, 0.99f, 4000.0f, 200.0f, 0.5f, false);
  EXPECT_EQ(p.density, 0.5f);
  EXPECT_EQ(p.gainLF, 0.9f);
  EXPECT_EQ(p.reflectionsPan.z, 3.0f);
  EXPECT_EQ(p.lateReverbPan.x, 4.0f);
  EXPECT_EQ(p.lfReference, 200.0f);
  EXPECT_FALSE(p.decayHFLimit);
}
