#pragma once
// Pictures of the game's own screens: the studio logo, the honour board's
// backdrop and medals, the placeholder screens' backdrop. Reached from the
// manifests as the drawing "screen-art <name> [words]".
#include <string>
#include <vector>

#include "tools/texture_writer.h"

namespace texwriter {

// False (and *error) for a name or words it does not know.
bool drawScreenArt(const std::vector<std::string>& args, int width, int height, Picture& out, std::string* error);

}  // namespace texwriter
