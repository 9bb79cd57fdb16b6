#include "game/host/InGameHost.h"

#include "sound/AudioEngine.h"

void InGameHost::showBannerMessage(const BannerMessage& message) {
  if (OverlayHooks* hooks = overlayHooks()) hooks->showBannerMessage(message);
}

void InGameHost::showResult(const BannerMessage& message, int, int, int, int, int) { showBannerMessage(message); }

void InGameHost::playMusic(std::uint32_t id, bool loop) { AudioEngine::playMusic(id, loop, AudioEngine::musicVolume); }

InGameHost& defaultInGameHost() {
  static InGameHost host;
  return host;
}
