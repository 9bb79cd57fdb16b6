// The main menu built on an arbitrary scene file: whatever tree the reader
// hands back, building the menu on it, showing each screen, tapping, dragging
// and pressing keys there, building again and unloading must neither crash nor
// read out of bounds.
#include <cstdint>

#include "FuzzDataTree.h"
#include "FuzzSceneFonts.h"
#include "game/menus/MainMenuSequence.h"
#include "render_engine/CNodeReader.h"

namespace {

RenderEngine::CNode* readScene(const std::uint8_t* data, std::size_t size) {
  ExportCNode::CNodeReader reader("fuzz.bin");
  reader.setQuiet(true);
  return reader.readBytes(data, size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzDataTree tree;
  static const bool ready = [] {
    installSceneFonts();
    return true;
  }();
  (void)ready;

  // No host is installed: the menu's asks outside itself change nothing.
  MainMenuSequence menu;
  menu.buildScenesFrom(readScene(data, size), readScene(data, size));
  // Points from the input's last bytes, and the corners and centre.
  const int px = size > 0 ? data[size - 1] * 2 : 240;
  const int py = size > 1 ? data[size - 2] * 2 : 160;
  const int points[][2] = {{px, py}, {0, 0}, {479, 319}, {240, 160}, {-5, 400}};
  for (int screen : {0, 1, 2, 3, 4, 5, 6, 1}) {
    menu.showScreen(screen);
    menu.update(33);
    for (const auto& p : points) {
      menu.touchBegan(p[0], p[1]);
      menu.touchMoved(p[0] + 7, p[1] - 9);
      menu.update(250);
      menu.touchEnded(p[0] + 7, p[1] - 9);
      menu.update(33);
      if (menu.getScreen() == 5 || menu.getScreen() == 6) {
        // A map or level page: tap every button's place once.
        for (RenderEngine::CNode* b : menu.getScreen() == 5 ? menu.getMapButtons() : menu.getLevelButtons()) {
          if (b == nullptr) continue;
          const RenderEngine::Vector3& at = b->getPosition();
          menu.touchBegan(static_cast<int>(at.x), static_cast<int>(at.y) - 27);
          menu.touchEnded(static_cast<int>(at.x), static_cast<int>(at.y) - 27);
        }
      }
    }
    menu.keyPressed(27, 0, 0);
  }
  // A second build replaces the first tree.
  menu.buildScenesFrom(readScene(data, size), nullptr);
  menu.showScreen(5);
  menu.update(33);
  menu.unload();
  RenderEngine::TextureManager::instance().purgeUnused();
  return 0;
}
