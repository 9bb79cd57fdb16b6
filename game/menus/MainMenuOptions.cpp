#include "game/menus/MainMenuSequence.h"

#include <cmath>
#include <cstring>

#include "app/LocalizedText.h"
#include "app/Options.h"
#include "game/host/GameHost.h"
#include "render_engine/CButton.h"
#include "render_engine/CNodeText.h"
#include "sound/AudioEngine.h"

// The main menu's options page (screen 4): the sound and music sliders with
// their knobs and buttons, the five languages, full screen, and leaving it
// with OK (saved) or back (every value as it was).

using RenderEngine::CNode;

namespace {
bool isVolumeButton(int tag) { return tag >= 431 && tag <= 434; }
}  // namespace

float MainMenuSequence::volumeFromOption(int value, int max) {
  if (max <= 0 || value < 0) return 0.5f;
  const float v = static_cast<float>(value) / static_cast<float>(max);
  if (!std::isfinite(v)) return 0.5f;
  return v > 1.0f ? 1.0f : v;
}

CNode* MainMenuSequence::knobOf(int option) const {
  return option == OPTION_SOUND_VOLUME ? soundSlider_ : option == OPTION_MUSIC_VOLUME ? musicSlider_ : nullptr;
}

CNode* MainMenuSequence::optionItem(int tag) const {
  for (CNode* item : optionItems_) {
    if (item->getTag() == tag) return item;
  }
  return nullptr;
}

void MainMenuSequence::setKnob(CNode* knob, int base, int value, int max) {
  if (knob == nullptr) return;
  const int step = max > 0 ? 160 / max : 0;
  const RenderEngine::Vector3& p = knob->getPosition();
  knob->setPosition(static_cast<float>(base + step * value), p.y, p.z);
}

void MainMenuSequence::applyVolumeOption() {
  savedSound_ = getOptionValue(OPTION_SOUND_VOLUME);
  const int soundMax = getOptionMax(OPTION_SOUND_VOLUME);
  AudioEngine::setSoundVolume(volumeFromOption(savedSound_, soundMax));
  setKnob(soundSlider_, kSoundKnobBase, savedSound_, soundMax);
  savedMusic_ = getOptionValue(OPTION_MUSIC_VOLUME);
  const int musicMax = getOptionMax(OPTION_MUSIC_VOLUME);
  AudioEngine::setMusicVolume(volumeFromOption(savedMusic_, musicMax));
  setKnob(musicSlider_, kMusicKnobBase, savedMusic_, musicMax);
}

void MainMenuSequence::updateLanguageButtons() {
  savedLanguage_ = getCurrentLanguageIndex();
  const char* code = getLanguageCode(savedLanguage_);
  for (int i = 0; i < 5; ++i) showState(findTag(kLanguageTags[i]), std::strcmp(code, kLanguageCodes[i]) == 0 ? 1 : 0);
  savedFullscreen_ = getOptionValue(OPTION_FULLSCREEN);
  applyVolumeOption();
  if (fullscreenOnButton_ != nullptr && fullscreenOffButton_ != nullptr) {
    const bool on = savedFullscreen_ == 1;
    showState(fullscreenOnButton_, on ? 1 : 0);
    showState(fullscreenOffButton_, on ? 0 : 1);
  }
}

void MainMenuSequence::stepVolumeSlider(int option, int delta) {
  CNode* knob = knobOf(option);
  if (knob == nullptr) return;
  knob->moveBy(static_cast<float>(kKnobStep * delta), 0, 0);
  const int base = option == OPTION_SOUND_VOLUME ? kSoundKnobBase : kMusicKnobBase;
  const float x = knob->getPosition().x;
  for (int i = 0; i <= 10; ++i) {
    if (x != static_cast<float>(base + kKnobStep * i)) continue;
    setOptionValue(option, i);
    const float volume = volumeFromOption(i, getOptionMax(option));
    if (option == OPTION_SOUND_VOLUME) {
      AudioEngine::setSoundVolume(volume);
    } else {
      AudioEngine::setMusicVolume(volume);
    }
    return;
  }
}

void MainMenuSequence::dragVolumeSlider(int x, int y) {
  if (!touchHeld_ || soundSlider_ == nullptr || musicSlider_ == nullptr) return;
  CNode* knob = nullptr;
  int option = 0, low = 0, high = 0;
  if (pressedTag_ == kSoundKnobTag) {
    knob = soundSlider_;
    option = OPTION_SOUND_VOLUME;
    low = kSoundKnobBase;
    high = kSoundKnobBase + 160;
  } else if (pressedTag_ == kMusicKnobTag) {
    knob = musicSlider_;
    option = OPTION_MUSIC_VOLUME;
    low = kMusicKnobBase;
    high = kMusicKnobBase + 160;
  } else {
    return;
  }
  const RenderEngine::Vector3& p = knob->getPosition();
  if (std::fabs(static_cast<float>(y) - p.y) >= 20.0f) return;
  const float fx = static_cast<float>(x);
  if (p.x - 8.0f > fx && p.x > static_cast<float>(low)) {
    stepVolumeSlider(option, -1);
  } else if (p.x + 8.0f < fx && p.x < static_cast<float>(high)) {
    stepVolumeSlider(option, 1);
  }
}

void MainMenuSequence::repeatVolumeButton(int ms) {
  if (!touchHeld_ || pressedTag_ == kSoundKnobTag || pressedTag_ == kMusicKnobTag) return;
  if (ms > 0) holdTimer_ += ms;
  if (ms >= 0 && holdTimer_ < kRepeatMs) return;
  holdTimer_ = 0;
  CNode* item = optionItem(pressedTag_);
  if (item == nullptr || !item->containsPoint(dragX_, dragY_)) return;
  const auto knobX = [](CNode* knob) { return knob != nullptr ? knob->getPosition().x : 0.0f; };
  switch (pressedTag_) {
    case 431:
      if (musicSlider_ != nullptr && knobX(musicSlider_) < 341.0f) stepVolumeSlider(OPTION_MUSIC_VOLUME, 1);
      break;
    case 432:
      if (musicSlider_ != nullptr && knobX(musicSlider_) > 181.0f) stepVolumeSlider(OPTION_MUSIC_VOLUME, -1);
      break;
    case 433:
      if (soundSlider_ != nullptr && knobX(soundSlider_) < 337.0f) stepVolumeSlider(OPTION_SOUND_VOLUME, 1);
      break;
    case 434:
      if (soundSlider_ != nullptr && knobX(soundSlider_) > 177.0f) stepVolumeSlider(OPTION_SOUND_VOLUME, -1);
      break;
    default:
      break;
  }
}

void MainMenuSequence::optionsTouchBegan(int x, int y) {
  dragX_ = x;
  dragY_ = y;
  bool hit = false;
  for (CNode* item : optionItems_) {
    if (!item->containsPoint(x, y)) continue;
    pressedTag_ = item->getTag();
    hit = true;
    if (isVolumeButton(pressedTag_)) repeatVolumeButton(-1);
  }
  if (!hit) {
    for (CNode* b : languageButtons_) {
      if (!b->containsPoint(x, y)) continue;
      pressedTag_ = b->getTag();
      hit = true;
    }
  }
  if (!hit) {
    if (fullscreenOnButton_ != nullptr && fullscreenOnButton_->containsPoint(x, y)) {
      pressedTag_ = kFullscreenOnTag;
      hit = true;
    } else if (fullscreenOffButton_ != nullptr && fullscreenOffButton_->containsPoint(x, y)) {
      pressedTag_ = kFullscreenOffTag;
      hit = true;
    }
  }
  if (hit) gameHost().playSound(kClickSound);
}

void MainMenuSequence::optionsTouchEnded(int x, int y) {
  bool handled = false;
  for (CNode* item : optionItems_) {
    if (item->getTag() != pressedTag_ || !item->containsPoint(x, y)) continue;
    handled = true;
    if (pressedTag_ == kOkTag) {
      closeOptions(true);
      showScreen(1);
      pressedTag_ = -1;
      return;
    }
  }
  if (!handled) {
    for (CNode* b : languageButtons_) {
      if (b->getTag() != pressedTag_ || !b->containsPoint(x, y)) continue;
      handled = true;
      const char* code = kLanguageCodes[b->getTag() - kLanguageTags[0]];
      if (std::strcmp(code, getLanguageCode(getCurrentLanguageIndex())) != 0) {
        setLanguage(code);
        RenderEngine::CNodeText::refreshAllLocalizedTexts();
        setOptionValue(OPTION_LANGUAGE, getCurrentLanguageIndex());
        // The refresh gave the figures their text ids' strings back.
        refreshStaticTexts();
      }
      for (CNode* other : languageButtons_) showState(other, other == b ? 1 : 0);
      break;
    }
  }
  if (!handled && fullscreenOnButton_ != nullptr && fullscreenOffButton_ != nullptr) {
    if (pressedTag_ == kFullscreenOnTag && fullscreenOnButton_->containsPoint(x, y)) {
      setOptionValue(OPTION_FULLSCREEN, 1);
      showState(fullscreenOnButton_, 1);
      showState(fullscreenOffButton_, 0);
    } else if (pressedTag_ == kFullscreenOffTag && fullscreenOffButton_->containsPoint(x, y)) {
      setOptionValue(OPTION_FULLSCREEN, 0);
      showState(fullscreenOnButton_, 0);
      showState(fullscreenOffButton_, 1);
    }
  }
  pressedTag_ = -1;
}

void MainMenuSequence::closeOptions(bool confirm) {
  if (confirm) {
    gameHost().requestFullscreen(getOptionValue(OPTION_FULLSCREEN) != 0);
    saveOptions();
  } else {
    setOptionValue(OPTION_SOUND_VOLUME, savedSound_);
    AudioEngine::setSoundVolume(volumeFromOption(savedSound_, getOptionMax(OPTION_SOUND_VOLUME)));
    setOptionValue(OPTION_MUSIC_VOLUME, savedMusic_);
    AudioEngine::setMusicVolume(volumeFromOption(savedMusic_, getOptionMax(OPTION_MUSIC_VOLUME)));
    if (getOptionValue(OPTION_LANGUAGE) != savedLanguage_) {
      setLanguage(getLanguageCode(savedLanguage_));
      RenderEngine::CNodeText::refreshAllLocalizedTexts();
      setOptionValue(OPTION_LANGUAGE, savedLanguage_);
    }
    if (getOptionValue(OPTION_FULLSCREEN) != savedFullscreen_) {
      setOptionValue(OPTION_FULLSCREEN, savedFullscreen_);
      gameHost().requestFullscreen(savedFullscreen_ != 0);
    }
  }
  refreshStaticTexts();
}
