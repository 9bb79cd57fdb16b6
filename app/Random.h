#pragma once
// The game's one random generator. Seeded from the time at start-up; tests seed
// it to fix a sequence. Numbers come in the range 0..kRandomMax like the C
// library's rand on the platform the game was tuned on.
#include <cstdint>

constexpr int kRandomMax = 32767;

void seedRandom(std::uint32_t seed);
int randomNext();  // 0..kRandomMax
