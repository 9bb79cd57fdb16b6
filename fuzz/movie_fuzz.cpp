// The video sprite on damaged movie files: the file is demultiplexed,
// decoded, converted and its sound resampled, then the movie is played for a
// few updates and destroyed. Nothing may crash, hang or leak, and every
// upload must describe the memory it is given.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "FuzzDataTree.h"
#include "TextureFuzzGl.h"
#include "render_engine/CSpriteVideo.h"
#include "render_engine/TextureManager.h"

extern "C" {
#include <libavutil/log.h>
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzDataTree* tree = [] {
    setenv("ALSOFT_DRIVERS", "null", 0);
    RenderEngine::TextureGlBackend::set(fuzzTextureGl());
    return new FuzzDataTree();
  }();
  tree->put("video/fuzz.mp4", data, size);
  {
    // Odd sizes play with their sound decoded first, even ones muted.
    RenderEngine::CSpriteVideo movie("fuzz.mp4", size % 2 == 1, true, "", size % 4 == 1);
    av_log_set_level(AV_LOG_QUIET);  // the library's own complaints about the damage
    movie.play(false);
    for (int i = 0; i < 6 && !movie.isFinished(); ++i) movie.update(i == 0 ? 0 : 150);
    if (movie.getTextureRowBytes() * movie.getTextureHeightPow2() != static_cast<int>(movie.getTextureImage().size()))
      __builtin_trap();
    movie.stop();
  }
  RenderEngine::TextureManager::instance().purgeUnused();
  return 0;
}
