// brutdump FILE: loads a scene file through the game's reader, without a
// window, and prints its node tree. Pictures, fonts and texts load when the
// working folder holds them (run it from build/data: sprites then show their
// pictures' sizes, and a missing picture shows as size 0x0); otherwise the
// tree is shown without them. Exit status 0 when the file loaded, 1 with the
// reader's message when it did not.
#include <cstdio>

#include "app/LocalizedText.h"
#include "app/ResourcePaths.h"

#include "render_engine/CNodeReader.h"
#include "render_engine/Font.h"
#include "render_engine/Texture.h"
#include "render_engine/TextureManager.h"
#include "tools/scene_tree.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: brutdump FILE\n");
    return 2;
  }
  RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
  RenderEngine::FontDrawBackend::set(RenderEngine::FontDrawBackend::headless());
  if (fileExists(resolveResourcePath("text/I"))) initTexts();
  ExportCNode::CNodeReader reader(argv[1]);
  RenderEngine::CNode* root = reader.readFile(argv[1]);
  const bool ok = reader.getError().empty();
  if (ok) std::fputs(SceneTree::printTree(root).c_str(), stdout);
  delete root;
  // The registry keeps fonts for the process; a tool gives them back.
  RenderEngine::resetFontRegistryForTests();
  RenderEngine::TextureManager::instance().resetForTests();
  return ok ? 0 : 1;
}
