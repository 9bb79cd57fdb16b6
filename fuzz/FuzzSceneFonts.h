#pragma once
// Scene files name the game's two fonts: targets that read scenes draw text
// headless with free fonts copied in under the game's names, and textures go
// to a recorder instead of GL. Call once, inside the target's data tree.
#include <cstdlib>
#include <filesystem>

#include "TextureFuzzGl.h"
#include "render_engine/Font.h"
#include "render_engine/TextureManager.h"

inline void installSceneFonts() {
  RenderEngine::TextureGlBackend::set(fuzzTextureGl());
  RenderEngine::FontDrawBackend::set(RenderEngine::FontDrawBackend::headless());
  // The registry keeps its fonts for the process; they are given back before
  // the registry itself goes at exit, so the leak check sees none.
  RenderEngine::fontRegistry();
  std::atexit([] { RenderEngine::resetFontRegistryForTests(); });
  std::filesystem::create_directories("font");
  std::filesystem::copy_file(QM_FONT_SANS_BOLD, "font/Arial Black.ttf");
  std::filesystem::copy_file(QM_FONT_SERIF_BOLD, "font/icannon.ttf");
}
