// The subtitle reader on arbitrary text: blocks cut anywhere, stray carriage
// returns, times of any size; then a cue is chosen for every time.
#include <cstdint>
#include <cstdio>
#include <string>

#include "render_engine/CSpriteVideo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One sprite on a movie that does not exist: it only reads subtitles.
  static RenderEngine::CSpriteVideo* sprite = [] {
    return new RenderEngine::CSpriteVideo("no movie here", false, true, "", false);
  }();
  sprite->parseSrt(std::string(reinterpret_cast<const char*>(data), size));
  for (const RenderEngine::SubtitleCue& cue : sprite->getCues()) {
    if (cue.text.size() > size) __builtin_trap();
  }
  sprite->updateSubtitleCue();
  (void)RenderEngine::CSpriteVideo::parseCueTimes(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
