// cast_shot DATA_DIR OUT_DIR: the level screen's pictures in one place, for a
// reviewer to look at (needs a display: xvfb-run). Writes
//   scenery<N>.png  every actor (sheep, wolf, the black sheep and the black
//                   wolf in both their looks) at the size the game draws them
//                   and, above, twice as large, on scenery N (1 to 9) under
//                   the HUD, with the peeping wolf at the bottom edge;
//   effect<K>.png   effect kind K (0 to 7) at five moments of its play;
//   reactions.png   each animal's change into its lost (or eaten) pose, at
//                   five moments of its jump.
// Each picture is drawn as the game draws (960x640, points scaled by two).
// Prints one line per picture written and, per scenery and actor, how many of
// the actor's pixels (at the game's size) stand out from the scenery behind
// it; exit 1 when a scene cannot be read.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/LocalizedText.h"
#include "render_engine/CNode.h"
#include "render_engine/CNodeReader.h"
#include "tools/screen_capture.h"

namespace {

using RenderEngine::CNode;

bool failed = false;

std::unique_ptr<CNode> readScene(const std::string& name) {
  ExportCNode::CNodeReader reader(name);
  CNode* root = reader.read();
  if (root == nullptr || !reader.getError().empty()) {
    std::fprintf(stderr, "cast_shot: cannot read %s: %s\n", name.c_str(), reader.getError().c_str());
    failed = true;
    delete root;
    return nullptr;
  }
  return std::unique_ptr<CNode>(root);
}

// Puts an actor's look in the pose of a state as the actor does, then lets its
// parts play for the given frames of 33 ms.
void pose(CNode* visual, int frame, int frames) {
  visual->showFrame(frame);
  visual->playAnimationRecursive(1);
  visual->stopAnimation();
  visual->showFrame(frame);
  for (int i = 0; i < frames; ++i) visual->update(33);
}

void drawAt(CNode* node, float x, float y, float scale) {
  glPushMatrix();
  glTranslatef(x, y, 0);
  glScalef(scale, scale, 1);
  node->draw(false, true);
  glPopMatrix();
}

void save(const std::string& path) {
  if (screencapture::writePng(path, screencapture::readFrame())) {
    std::printf("wrote %s\n", path.c_str());
  } else {
    std::fprintf(stderr, "cast_shot: cannot write %s\n", path.c_str());
    failed = true;
  }
}

// The looks of the animals: scene file, the path to each look's visual, and
// the pose frame of the playing state and of the lost state.
struct Look {
  const char* file;
  int look;  // -1: the root's first child is the visual's parent
  int playing;
  int lost;
};
const Look kLooks[] = {
    {"base-mouton.bin", -1, 77, 335}, {"mouton-loup.bin", -1, 89, 91}, {"mouton-noir.bin", 0, 77, 335},
    {"mouton-noir.bin", 1, 77, 335},  {"loup-noir.bin", 0, 89, 91},    {"loup-noir.bin", 1, 89, 91},
};

// The visual (the node whose own frames are the poses) of a look, in a copy
// of the scene kept alive by holder.
CNode* visualOf(const Look& look, std::unique_ptr<CNode>& holder) {
  holder = readScene(look.file);
  if (!holder || holder->getChild(0) == nullptr) return nullptr;
  CNode* top = holder->getChild(0);
  if (look.look >= 0) {
    // The black animals: child look of the root's first child, then its first child.
    CNode* which = top->getChild(look.look);
    if (which == nullptr) return nullptr;
    for (int i = 0; top->getChild(i) != nullptr; ++i) top->getChild(i)->setVisible(i == look.look);
    return which->getChild(0);
  }
  return top;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: cast_shot DATA_DIR OUT_DIR\n");
    return 2;
  }
  const std::filesystem::path out = std::filesystem::absolute(argv[2]);
  std::filesystem::create_directories(out);
  int glutArgc = 1;
  char* glutArgv[] = {argv[0], nullptr};
  glutInit(&glutArgc, glutArgv);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE);
  glutInitWindowSize(screencapture::kWidth, screencapture::kHeight);
  glutCreateWindow("cast_shot");
  std::error_code ec;
  std::filesystem::current_path(argv[1], ec);
  if (ec) {
    std::fprintf(stderr, "cast_shot: no data folder %s\n", argv[1]);
    return 1;
  }
  initTexts();
  setLanguage("en");

  std::unique_ptr<CNode> hud = readScene("hud.bin");
  if (hud) {
    // The tap guide and the hint of level 1 would cover the actors.
    hud->setVisibleByTag(false, 212);
    hud->setVisibleByTag(false, 213);
  }
  std::unique_ptr<CNode> peeper = readScene("loup-appear.bin");
  std::vector<std::unique_ptr<CNode>> holders(std::size(kLooks));
  std::vector<CNode*> visuals;
  for (std::size_t i = 0; i < std::size(kLooks); ++i) {
    CNode* v = visualOf(kLooks[i], holders[i]);
    if (v != nullptr) pose(v, kLooks[i].playing, 40);
    visuals.push_back(v);
  }
  if (peeper && peeper->getChild(0) != nullptr) pose(peeper->getChild(0), 0, 34);

  for (int scenery = 1; scenery <= 9; ++scenery) {
    std::unique_ptr<CNode> background = readScene("background" + std::to_string(scenery) + ".bin");
    screencapture::beginFrame();
    if (background) background->draw(false, true);
    const std::vector<unsigned char> bare = screencapture::readFrame();
    screencapture::beginFrame();
    if (background) background->draw(false, true);
    for (std::size_t i = 0; i < visuals.size(); ++i) {
      if (holders[i] != nullptr) drawAt(holders[i].get(), 60.0f + 72.0f * static_cast<float>(i), 262, 1.0f);
    }
    const std::vector<unsigned char> cast = screencapture::readFrame();
    for (std::size_t i = 0; i < visuals.size(); ++i) {
      // Pixels within the actor's box whose colour moved far from the scenery's.
      const int cx = (60 + 72 * static_cast<int>(i)) * 2;
      int standing = 0;
      for (int y = (262 - 20) * 2; y < (262 + 16) * 2; ++y) {
        for (int x = cx - 40; x < cx + 40; ++x) {
          const unsigned char* a = screencapture::pixelAt(bare, x, y);
          const unsigned char* b = screencapture::pixelAt(cast, x, y);
          const int d = std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
          if (d > 120) ++standing;
        }
      }
      std::printf("scenery %d actor %zu: %d pixels stand out\n", scenery, i, standing);
    }
    screencapture::beginFrame();
    if (background) background->draw(false, true);
    for (std::size_t i = 0; i < visuals.size(); ++i) {
      if (holders[i] == nullptr) continue;
      const float x = 60.0f + 72.0f * static_cast<float>(i);
      drawAt(holders[i].get(), x, 150, 2.0f);
      drawAt(holders[i].get(), x, 262, 1.0f);
    }
    if (peeper) drawAt(peeper.get(), 240, 320, 1.0f);
    if (hud) hud->draw(false, true);
    save((out / ("scenery" + std::to_string(scenery) + ".png")).string());
  }

  // The effects on the first scenery, at frames 0, 3, 7, 12 and 18 of their play.
  std::unique_ptr<CNode> background = readScene("background1.bin");
  std::unique_ptr<CNode> effects = readScene("fx.bin");
  const int moments[] = {0, 3, 7, 12, 18};
  for (int kind = 0; kind < 8 && effects && effects->getChild(0) != nullptr; ++kind) {
    screencapture::beginFrame();
    if (background) background->draw(false, true);
    for (int m = 0; m < 5; ++m) {
      std::unique_ptr<CNode> effect(effects->getChild(0)->duplicate());
      effect->showFrame(kind);
      if (CNode* part = effect->getChild(kind)) part->playAnimationRecursive(1);
      for (int f = 0; f < moments[m]; ++f) effect->update(33);
      drawAt(effect.get(), 48.0f + 96.0f * static_cast<float>(m), 170, 1.0f);
    }
    save((out / ("effect" + std::to_string(kind) + ".png")).string());
  }

  // Each animal turning into its lost pose, at five moments of its jump.
  screencapture::beginFrame();
  if (background) background->draw(false, true);
  for (std::size_t i = 0; i < visuals.size(); ++i) {
    if (visuals[i] == nullptr) continue;
    for (int m = 0; m < 5; ++m) {
      pose(visuals[i], kLooks[i].playing, 40);
      pose(visuals[i], kLooks[i].lost, m * 4);
      drawAt(holders[i].get(), 60.0f + 90.0f * static_cast<float>(m), 40.0f + 50.0f * static_cast<float>(i), 1.25f);
    }
  }
  save((out / "reactions.png").string());
  return failed ? 1 : 0;
}
