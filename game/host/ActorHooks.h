#pragma once
// What the actors reach outside the physics scene: the sound engine (a sound
// played once by id) and whether the text banner is on screen (no bleats
// then). The game installs the banner query when it creates its banner; until
// then no banner is shown. Tests install a recorder in place of the engine.
#include <cstdint>

namespace ActorHooks {

using SoundPlayer = void (*)(std::uint32_t soundId);
using BannerQuery = bool (*)();

// nullptr restores the sound engine. Returns the previous player.
SoundPlayer setSoundPlayer(SoundPlayer player);
// Plays the sound once (no loop); -1 (no sound) is ignored.
void playSound(std::int32_t soundId);

// nullptr: no banner. Returns the previous query.
BannerQuery setBannerQuery(BannerQuery query);
bool isBannerShown();

}  // namespace ActorHooks
