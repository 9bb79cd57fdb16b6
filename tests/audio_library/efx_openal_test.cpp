// Effects and filters on OpenAL Soft itself (the null backend): what the
// device supports, what it refuses, and its slot limit.
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "AuralTestSupport.h"
#include "audio_library/Effect.h"
#include "audio_library/Filter.h"
#include "caural/AuralEffects.h"

using namespace cAural;

namespace {

::testing::Environment* const folder = ::testing::AddGlobalTestEnvironment(new qmtest::InTempFolder);

class OnOpenAl : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(al_.ok()) << "no OpenAL device (ALSOFT_DRIVERS=null?)";
    ASSERT_TRUE(effects_.bindToCurrentContext());
  }
  void TearDown() override { effects_.unbind(); }

  qmtest::CurrentAlContext al_;
  cAuralEffects effects_;
};

// The count the device should report: 64 by default, or as the test's
// configuration says.
std::uint32_t expectedSlots() {
  const char* v = std::getenv("QM_EXPECTED_SLOTS");
  return v != nullptr ? static_cast<std::uint32_t>(std::atoi(v)) : 64u;
}

}  // namespace

TEST_F(OnOpenAl, ProbeFindsSlotsAndTypes) {
  EXPECT_EQ(effects_.getMaxEffectSlots(), expectedSlots());
  EXPECT_TRUE(effects_.isEffectTypeSupported(EFFECT_NULL));
  EXPECT_TRUE(effects_.isEffectTypeSupported(EFFECT_REVERB));
  EXPECT_TRUE(effects_.isEffectTypeSupported(EFFECT_EAX_REVERB));
  EXPECT_FALSE(effects_.isEffectTypeSupported(static_cast<EffectType>(14)));
  for (int t = 0; t < FILTER_TYPE_COUNT; ++t) EXPECT_TRUE(effects_.isFilterTypeSupported(static_cast<FilterType>(t)));
  // The probe gave every slot back.
  IEffect* e = effects_.createEffect();
  ASSERT_NE(e, nullptr);
  e->release();
}

TEST_F(OnOpenAl, EveryTypeUploadsAsTheProbeSaid) {
  for (int t = 0; t < EFFECT_TYPE_COUNT; ++t) {
    const auto type = static_cast<EffectType>(t);
    IEffect* e = effects_.createEffect();
    ASSERT_NE(e, nullptr);
    e->setType(type);
    EXPECT_EQ(e->isValid(), effects_.isEffectTypeSupported(type)) << "type " << t;
    EXPECT_EQ(e->getUpdateCount(), 1u);
    e->release();
  }
}

TEST_F(OnOpenAl, DenseReverbIsRefusedUntilARecordFits) {
  qmtest::ScopedCapture capture;
  IEffect* e = effects_.createEffect();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->getUpdateCount(), 0u);
  e->setType(EFFECT_REVERB);
  EXPECT_TRUE(e->isValid());
  EXPECT_EQ(e->getUpdateCount(), 1u);
  ReverbParameters dense;
  dense.density = 2.0f;
  e->setReverbParameters(dense);
  EXPECT_FALSE(e->isValid());
  EXPECT_TRUE(capture.has("Audio Effect", "OpenAL Error: Invalid Value."));
  // Nothing left pending for the next caller.
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
  e->setSlotGain(0.7f);
  EXPECT_FALSE(e->isValid());
  e->setReverbParameters(ReverbParameters{});
  EXPECT_TRUE(e->isValid());
  e->setType(EFFECT_EAX_REVERB);
  e->setEaxReverbParameters(EaxReverbParameters{});
  EXPECT_TRUE(e->isValid());
  e->release();
}

TEST_F(OnOpenAl, AnotherCallersPendingErrorDoesNotSpoilAnUpload) {
  IEffect* e = effects_.createEffect();
  ASSERT_NE(e, nullptr);
  alListenerf(AL_GAIN, -1.0f);  // refused, and left pending
  e->setType(EFFECT_ECHO);
  EXPECT_TRUE(e->isValid());
  e->release();
}

TEST_F(OnOpenAl, FilterGainsOutOfRange) {
  qmtest::ScopedCapture capture;
  IFilter* f = effects_.createFilter();
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->isValid());
  f->setType(FILTER_LOWPASS);
  EXPECT_TRUE(f->isValid());
  f->setGain(5.0f);
  EXPECT_FALSE(f->isValid());
  EXPECT_TRUE(capture.has("Audio Filter", "OpenAL Error: Invalid Value."));
  f->setGain(0.5f);
  EXPECT_TRUE(f->isValid());
  f->setHighFrequencyGain(2.0f);
  EXPECT_FALSE(f->isValid());
  f->setHighFrequencyGain(0.3f);
  EXPECT_TRUE(f->isValid());
  f->setType(FILTER_HIGHPASS);
  f->setGain(-0.1f);
  EXPECT_FALSE(f->isValid());
  f->setGain(1.0f);
  f->setLowFrequencyGain(1.5f);
  EXPECT_FALSE(f->isValid());
  f->setType(FILTER_BANDPASS);
  f->setLowFrequencyGain(0.2f);
  EXPECT_TRUE(f->isValid());
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
  f->release();
}

TEST_F(OnOpenAl, SlotLimitGivesNullAndLeaksNothing) {
  const std::uint32_t slots = effects_.getMaxEffectSlots();
  for (int round = 0; round < 2; ++round) {
    std::vector<IEffect*> made;
    for (std::uint32_t i = 0; i < slots; ++i) {
      IEffect* e = effects_.createEffect();
      ASSERT_NE(e, nullptr) << "effect " << i << " of round " << round;
      made.push_back(e);
    }
    EXPECT_EQ(effects_.createEffect(), nullptr);
    for (IEffect* e : made) e->release();
  }
}

TEST_F(OnOpenAl, UnbindClearsTheProbeAndQuietsLiveObjects) {
  IEffect* e = effects_.createEffect();
  IFilter* f = effects_.createFilter();
  ASSERT_NE(e, nullptr);
  ASSERT_NE(f, nullptr);
  e->attachFilter(f);
  effects_.unbind();
  EXPECT_EQ(effects_.getMaxEffectSlots(), 0u);
  EXPECT_FALSE(effects_.isEffectTypeSupported(EFFECT_REVERB));
  EXPECT_FALSE(effects_.isFilterTypeSupported(FILTER_NULL));
  EXPECT_EQ(effects_.createEffect(), nullptr);
  e->setType(EFFECT_REVERB);  // counted, sends nothing
  EXPECT_EQ(e->getUpdateCount(), 2u);
  e->release();
  f->release();
  ASSERT_TRUE(effects_.bindToCurrentContext());
  EXPECT_TRUE(effects_.isEffectTypeSupported(EFFECT_REVERB));
}

TEST(OnOpenAlContexts, EffectsWorkInTheirOwnContext) {
  qmtest::CurrentAlContext first;
  ASSERT_TRUE(first.ok());
  cAuralEffects effects;
  ASSERT_TRUE(effects.bindToCurrentContext());
  IEffect* e = effects.createEffect();
  ASSERT_NE(e, nullptr);
  {
    // A second context of another device becomes current, as another manager would make it.
    qmtest::CurrentAlContext second;
    ASSERT_TRUE(second.ok());
    ASSERT_EQ(alcGetCurrentContext(), second.context());
    e->setType(EFFECT_REVERB);
    EXPECT_TRUE(e->isValid());
    EXPECT_EQ(alcGetCurrentContext(), second.context());
    alcMakeContextCurrent(first.context());
  }
  e->release();
  effects.unbind();
}

TEST(OnOpenAlNone, NoContextMeansNoEfx) {
  ASSERT_EQ(alcGetCurrentContext(), nullptr);
  cAuralEffects effects;
  EXPECT_FALSE(effects.bindToCurrentContext());
  EXPECT_EQ(effects.getMaxEffectSlots(), 0u);
  EXPECT_FALSE(effects.isEffectTypeSupported(EFFECT_NULL));
  EXPECT_EQ(effects.createFilter(), nullptr);
}
