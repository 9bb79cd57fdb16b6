#include "app/DemoSound.h"

#include <algorithm>

#include "app/Options.h"
#include "sound/AudioEngine.h"

namespace {
constexpr std::uint32_t kButtonClick = 5;
constexpr std::uint32_t kMenuMusic = 46;

// An option as a gain; a damaged range gives the middle volume.
float volumeOf(int option) {
  const int value = getOptionValue(option);
  const int max = getOptionMax(option);
  if (max <= 0 || value < 0) return 0.5f;
  return std::clamp(static_cast<float>(value) / static_cast<float>(max), 0.0f, 1.0f);
}
}  // namespace

void startDemoSound() {
  AudioEngine::init();
  AudioEngine::setMusicVolume(volumeOf(OPTION_MUSIC_VOLUME));
  AudioEngine::setSoundVolume(volumeOf(OPTION_SOUND_VOLUME));
  AudioEngine::loadSoundByIndex(kButtonClick);  // no decoding on the first click
  AudioEngine::playMusic(kMenuMusic, true, -1.0f);  // -1: the option's volume stays
}

void playDemoClick() { AudioEngine::playSound(kButtonClick, false); }
