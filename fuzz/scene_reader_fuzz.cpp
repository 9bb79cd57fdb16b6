// The scene-file reader on arbitrary bytes, with the game's fonts and a sprite
// sheet in its data tree, followed by what a screen does with a tree: update
// it, ask for its bounds and touch targets, show frames by tag, copy it and
// delete it. The reader must hand back a lone node whatever the input.
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "FuzzDataTree.h"
#include "FuzzSceneFonts.h"
#include "render_engine/CNodeReader.h"
#include "render_engine/Font.h"
#include "render_engine/TextureManager.h"
#include "tools/texture_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzDataTree tree;
  static const bool ready = [] {
    installSceneFonts();
    // Sprites 300 and 301 on sheet 3; every other number has no picture.
    const std::vector<std::uint8_t> sheet = texwriter::encodePng(texwriter::Picture(64, 32, texwriter::Rgba{9, 9, 9, 255}));
    tree.put("textures/tex3.bin", sheet.data(), sheet.size());
    const std::vector<std::uint8_t> index =
        texwriter::encodeTexIndex({{300, 3, 0, 0, 32, 32}, {301, 3, 32, 0, 32, 16}});
    tree.put("textures/tex.dat", index.data(), index.size());
    return true;
  }();
  (void)ready;

  ExportCNode::CNodeReader reader("fuzz.bin");
  reader.setQuiet(true);
  RenderEngine::CNode* root = reader.readBytes(data, size);
  if (root == nullptr || root->getParent() != nullptr) std::abort();
  if (!reader.getError().empty() && root->getChildCount() != 0) std::abort();

  const int tag = size > 0 ? data[size - 1] : 1;
  root->playAnimationRecursive(-1);
  root->update(33);
  root->update(500);
  root->showFrameByTag(tag, size > 1 ? data[size - 2] % 8 : 0);
  root->getBoundingBox();
  RenderEngine::NodeList targets;
  root->collectTouchTargets(targets);
  for (RenderEngine::CNode* target : targets) target->containsPoint(tag, tag);
  root->findVisibleByTag(tag);
  root->isAnimating();
  RenderEngine::CNode* copy = root->duplicate();
  copy->update(33);
  delete copy;
  delete root;
  RenderEngine::TextureManager::instance().purgeUnused();
  return 0;
}
