// level_sheet DATA_DIR MAP OUT.png: one picture of the levels of a map, each
// drawn as the level screen shows it when play begins (scenery, pieces,
// animals, HUD), a third of its size, five to a row, with its number and
// name over it (needs a display: xvfb-run). For looking at a whole map at
// once: is every piece readable, is the HUD's band clear, does each level
// look like an idea of its own.
#include <GL/freeglut.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/LocalizedText.h"
#include "app/Random.h"
#include "game/play/InGameSequence.h"
#include "game/progress/LevelsManager.h"
#include "render_engine/CNodeReader.h"
#include "render_engine/CNodeText.h"
#include "tools/level_player.h"
#include "tools/level_window.h"
#include "tools/scratch_folder.h"
#include "tools/screen_capture.h"

namespace {

using screencapture::kHeight;
using screencapture::kWidth;

constexpr int kColumns = 5;
constexpr int kShrink = 3;
constexpr int kTileWidth = kWidth / kShrink;
constexpr int kTileHeight = kHeight / kShrink;
constexpr int kGap = 6;
constexpr int kLabelHeight = 48 / kShrink * 2;  // the top 48 points of a label frame

// The level's number and name, drawn alone at the top of a frame, large
// enough to read at a third of the size.
void drawLabel(int level, const std::string& name) {
  const ExportCNode::FontTableEntry& font = ExportCNode::sceneFontTable[0];
  RenderEngine::CNodeText label(font.file, 30, 2, RenderEngine::CNodeText::kNoText);
  label.setTextRect(6.0f, 4.0f, 468.0f, 40.0f);
  const std::string text = std::to_string(level) + "  " + name;
  label.setText(text.c_str());
  label.draw(true, true);
}

// Averages each kShrink x kShrink block of the frame into the sheet.
void shrinkInto(const std::vector<unsigned char>& frame, texwriter::Picture& sheet, int left, int top, int height) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < kTileWidth; ++x) {
      int sum[3] = {0, 0, 0};
      for (int dy = 0; dy < kShrink; ++dy) {
        for (int dx = 0; dx < kShrink; ++dx) {
          const unsigned char* p = screencapture::pixelAt(frame, x * kShrink + dx, y * kShrink + dy);
          for (int c = 0; c < 3; ++c) sum[c] += p[c];
        }
      }
      const int n = kShrink * kShrink;
      sheet.set(left + x, top + y,
                texwriter::Rgba{static_cast<std::uint8_t>(sum[0] / n), static_cast<std::uint8_t>(sum[1] / n),
                                static_cast<std::uint8_t>(sum[2] / n), 255});
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: level_sheet DATA_DIR MAP OUT.png\n");
    return 1;
  }
  const std::string out = std::filesystem::absolute(argv[3]).string();
  const int map = std::atoi(argv[2]);
  if (!levelwindow::open("level_sheet", argv[0], argv[1])) return 1;
  initTexts();
  setLanguage("en");
  std::vector<int> levels;
  LevelsManager& design = LevelsManager::getInstance();
  if (map < 1 || map > design.mapCount()) {
    std::fprintf(stderr, "level_sheet: no map %d\n", map);
    return 1;
  }
  for (const LevelRecord* record : design.getMap(map).levels) {
    if (record != nullptr && record->id > 0) levels.push_back(record->id);
  }
  if (levels.empty()) {
    std::fprintf(stderr, "level_sheet: map %d holds no level\n", map);
    return 1;
  }
  const int rows = (static_cast<int>(levels.size()) + kColumns - 1) / kColumns;
  constexpr int kCellHeight = kLabelHeight + kTileHeight + kGap;
  texwriter::Picture sheet(kColumns * (kTileWidth + kGap) + kGap, rows * kCellHeight + kGap,
                           texwriter::Rgba{40, 40, 40, 255});
  int drawn = 0;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    const int level = levels[i];
    seedRandom(1);
    levelplay::Replayer replayer(level);
    if (!replayer.built()) {
      std::fprintf(stderr, "level_sheet: level %d: %s\n", level, replayer.failure().c_str());
      continue;
    }
    // Drawn where play begins: the briefings read, the pieces settled.
    bool shot = false;
    levelplay::PlayOptions options;
    options.frameLimit = 2000;
    options.onFrame = [&](InGameSequence& game, int) {
      if (shot || game.getState() != InGameSequence::kPlay) return;
      shot = true;
      const int left = kGap + static_cast<int>(i) % kColumns * (kTileWidth + kGap);
      const int top = kGap + static_cast<int>(i) / kColumns * kCellHeight;
      screencapture::beginFrame();
      drawLabel(level, game.getLevel().name);
      shrinkInto(screencapture::readFrame(), sheet, left, top, kLabelHeight);
      screencapture::beginFrame();
      game.draw();
      shrinkInto(screencapture::readFrame(), sheet, left, top + kLabelHeight, kTileHeight);
    };
    options.stopAtRest = true;
    replayer.play({}, options);
    if (shot) {
      ++drawn;
    } else {
      std::fprintf(stderr, "level_sheet: level %d never began\n", level);
    }
  }
  if (!texwriter::writePng(out, sheet)) {
    std::fprintf(stderr, "level_sheet: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("map %d: %d of %zu levels drawn into %s\n", map, drawn, levels.size(), out.c_str());
  return drawn == static_cast<int>(levels.size()) ? 0 : 1;
}
