#include "game/host/ActorHooks.h"

#include "sound/AudioEngine.h"

namespace ActorHooks {
namespace {
SoundPlayer g_player = nullptr;
BannerQuery g_banner = nullptr;
}  // namespace

SoundPlayer setSoundPlayer(SoundPlayer player) {
  SoundPlayer previous = g_player;
  g_player = player;
  return previous;
}

void playSound(std::int32_t soundId) {
  if (soundId < 0) return;
  const auto id = static_cast<std::uint32_t>(soundId);
  if (g_player != nullptr) {
    g_player(id);
  } else {
    AudioEngine::playSound(id, false);
  }
}

BannerQuery setBannerQuery(BannerQuery query) {
  BannerQuery previous = g_banner;
  g_banner = query;
  return previous;
}

bool isBannerShown() { return g_banner != nullptr && g_banner(); }

}  // namespace ActorHooks
