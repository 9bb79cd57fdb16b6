#include "game/host/GameSound.h"

#include "sound/AudioEngine.h"

namespace {
GameSoundPlayer g_player = nullptr;
}

void playGameSound(int soundId) {
  if (soundId < 0) return;
  if (g_player != nullptr) {
    g_player(soundId);
    return;
  }
  AudioEngine::playSound(static_cast<unsigned>(soundId), false);
}

GameSoundPlayer setGameSoundPlayer(GameSoundPlayer player) {
  GameSoundPlayer previous = g_player;
  g_player = player;
  return previous;
}
