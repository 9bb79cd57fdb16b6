#include "app/Random.h"

namespace {
std::uint32_t g_state = 1;
}

void seedRandom(std::uint32_t seed) { g_state = seed; }

int randomNext() {
  // A linear congruential step, keeping bits 16..30 as the result.
  g_state = g_state * 214013u + 2531011u;
  return static_cast<int>((g_state >> 16) & 0x7FFFu);
}
