#pragma once
// A data tree with a few of the game's sounds for engine tests, and the
// engine started on it (ALSOFT_DRIVERS chooses the backend).
#include <gtest/gtest.h>

#include "SoundFixtures.h"
#include "sound/AudioEngine.h"
#include "sound/SoundDecoding.h"
#include "support/TempDir.h"

namespace qmtest {

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto put = [this](const std::string& name, const std::vector<std::uint8_t>& bytes) {
      ASSERT_TRUE(soundwriter::writeFile(dir_.str() + "/win32_audio/" + name, bytes));
    };
    std::filesystem::create_directories(dir_.path() / "win32_audio");
    put("button_click.wav", sineWav(0.3, 22050, 1, 16));   // 5
    put("good.wav", sineWav(3.0, 44100, 2, 16));           // 16
    put("plop1.wav", sineWav(0.2, 22050, 1, 8));           // 22
    put("plop2.wav", sineWav(0.2, 22050, 2, 8));           // 23
    put("main_menu.ogg", sineOgg(1.0, 44100, 2));          // 46
    put("ig_music1.ogg", sineOgg(1.0, 22050, 1));          // 39
    put("ig_music2.ogg", sineOgg(0.5, 22050, 3));          // 40: three channels
    const auto wav = sineWav(0.2, 22050, 1, 16);
    put("pouf1.wav", {wav.begin(), wav.begin() + 30});     // 26: cut inside its header
    put("pouf2.wav", std::vector<std::uint8_t>(500, 0x41)); // 27: not a WAV
    cwd_ = std::make_unique<ScopedCwd>(dir_.path());
    AudioEngine::init();
  }
  void TearDown() override {
    AudioEngine::shutdown();
    AudioEngine::musicVolume = 0.7f;
    AudioEngine::soundVolume = 1.0f;
    AudioEngine::maxSoundBytes = soundfile::kMaxDecodedBytes;
    AudioEngine::soundBudgetBytes = soundfile::kDecodedBudgetBytes;
    cwd_.reset();
  }

  TempDir dir_;
  std::unique_ptr<ScopedCwd> cwd_;
};

}  // namespace qmtest
