// Loads one level of a data tree headless, steps it and prints what was built
// (entities by collision type, joints, the physics rate) and where the bodies
// came to rest.
//   level_probe DATA_DIR LEVEL FRAMES
// Exits 0 when the level loaded (even with messages about left-out entries),
// 1 when it could not be loaded at all or the arguments are wrong.
#include <cstdint>
#include <cstdio>
#include <optional>

#include "physics/PhysicsXml.h"
#include "tools/level_build.h"

namespace {

constexpr int kMaxFrames = 100000;

bool parseCount(const char* text, int low, int high, int& out) {
  const std::optional<std::int32_t> v = PhysicsXml::parseInteger(text);
  if (!v || *v < low || *v > high) return false;
  out = *v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int level = 0;
  int frames = 0;
  if (argc != 4 || !parseCount(argv[2], INT32_MIN, INT32_MAX, level) || !parseCount(argv[3], 0, kMaxFrames, frames)) {
    std::fprintf(stderr, "usage: level_probe DATA_DIR LEVEL FRAMES (FRAMES from 0 to %d)\n", kMaxFrames);
    return 1;
  }
  const levelbuild::ProbeResult result = levelbuild::probeLevel(argv[1], level, frames);
  std::fflush(stdout);
  levelbuild::printReport(result, level, stdout);
  return result.loaded ? 0 : 1;
}
