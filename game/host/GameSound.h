#pragma once
// The one road by which the game's overlays and screens play a sound effect by
// its id. It goes to the sound engine unless a test has put a recorder in its
// place.
using GameSoundPlayer = void (*)(int soundId);

// Plays the sound once (not looped).
void playGameSound(int soundId);
// Replaces the player; nullptr restores the sound engine. Returns the previous
// replacement (nullptr when the engine was in place).
GameSoundPlayer setGameSoundPlayer(GameSoundPlayer player);
