#pragma once
// The pictures of the game's overlays (pointer, banner, window buttons,
// result window, medals, achievement plaque, map HUD), drawn as anti-aliased
// shapes. Reached from the manifests as the drawing "art <name>".
#include <string>

#include "tools/texture_writer.h"

namespace texwriter {

// False (and *error) for a name it does not know.
bool drawOverlayArt(const std::string& name, int width, int height, Picture& out, std::string* error);

}  // namespace texwriter
