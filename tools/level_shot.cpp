// level_shot DATA_DIR LEVEL OUT.png [FRAMES [SCRIPT]]: plays a level headless
// for FRAMES frames (default 45) from an optional tap script, then draws the
// level screen as the game does into a PNG (needs a display: xvfb-run). It
// also prints how many pixels the scene and the HUD change over the bare
// scenery, so a test can tell that they were drawn.
#include <GL/freeglut.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/LocalizedText.h"
#include "app/Random.h"
#include "game/actors/QMRBloc.h"
#include "game/actors/QMRSheep.h"
#include "game/play/GameHud.h"
#include "game/play/InGameSequence.h"
#include "game/play/QMRBackground.h"
#include "physics/CScenePhysics.h"
#include "tools/level_player.h"
#include "tools/level_window.h"
#include "tools/scratch_folder.h"
#include "tools/screen_capture.h"

namespace {

using screencapture::kHeight;
using screencapture::kWidth;

// Pixels that differ within the rectangle (points, y down).
int changed(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0 * 2; y < y1 * 2; ++y) {
    for (int x = x0 * 2; x < x1 * 2; ++x) {
      if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) continue;
      const unsigned char* pa = screencapture::pixelAt(a, x, y);
      const unsigned char* pb = screencapture::pixelAt(b, x, y);
      if (pa[0] != pb[0] || pa[1] != pb[1] || pa[2] != pb[2]) ++n;
    }
  }
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 6) {
    std::fprintf(stderr, "usage: level_shot DATA_DIR LEVEL OUT.png [FRAMES [SCRIPT]]\n");
    return 1;
  }
  const std::string out = std::filesystem::absolute(argv[3]).string();
  const int frames = argc > 4 ? std::atoi(argv[4]) : 45;
  std::vector<levelplay::Tap> taps;
  if (argc > 5) {
    std::string why;
    if (!levelplay::readScript(argv[5], taps, nullptr, why)) {
      std::fprintf(stderr, "level_shot: cannot read the script %s: %s\n", argv[5], why.c_str());
      return 1;
    }
  }
  if (!levelwindow::open("level_shot", argv[0], argv[1])) return 1;
  initTexts();
  setLanguage("en");
  seedRandom(1);
  bool written = false;
  const levelplay::PlayResult result =
      levelplay::playLevel(std::atoi(argv[2]), taps, frames < 1 ? 1 : frames, [&](InGameSequence& game) {
        screencapture::beginFrame();
        if (game.getBackground() != nullptr) game.getBackground()->draw(true, true);
        const std::vector<unsigned char> bare = screencapture::readFrame();
        screencapture::beginFrame();
        game.draw();
        const std::vector<unsigned char> full = screencapture::readFrame();
        int actors = 0;
        int actorsSeen = 0;
        for (const auto* actor : game.getActors()) {
          const auto& p = actor->getPosition();
          const int x = static_cast<int>(p.x);
          const int y = static_cast<int>(p.y);
          ++actors;
          if (changed(bare, full, x - 8, y - 8, x + 8, y + 8) > 20) ++actorsSeen;
        }
        // The level's blocks (crates, barrels, ice and the like) by the same test.
        int blocks = 0;
        int blocksSeen = 0;
        if (game.getScene() != nullptr) {
          for (auto* member : game.getScene()->getMembers()) {
            const auto* bloc = dynamic_cast<const QMRBloc*>(member);
            if (bloc == nullptr || !bloc->isVisible()) continue;
            const int x = static_cast<int>(bloc->getPosition().x);
            const int y = static_cast<int>(bloc->getPosition().y);
            ++blocks;
            if (changed(bare, full, x - 8, y - 8, x + 8, y + 8) > 20) ++blocksSeen;
          }
        }
        const unsigned char* skyPixel = screencapture::pixelAt(bare, 100, 200);
        const int sky = skyPixel[0] + skyPixel[1] + skyPixel[2];
        std::printf("background: %s\n", sky > 60 ? "drawn" : "missing");
        std::printf("actors: %d of %d drawn\n", actorsSeen, actors);
        std::printf("blocks: %d of %d drawn\n", blocksSeen, blocks);
        std::printf("hud: %d pixels\n", changed(bare, full, 0, 0, 480, 40));
        std::printf("scene: %d pixels\n", changed(bare, full, 0, 40, 480, 320));
        written = screencapture::writePng(out, full);
      });
  if (!result.built) {
    std::fprintf(stderr, "level_shot: cannot build the level: %s\n", result.failure.c_str());
    return 1;
  }
  return written ? 0 : 1;
}
