#pragma once
// The drawings of the game's actors and blocks for the texture manifests:
// sheep and wolves in parts (body, head, eyelid, mouth), the black animals'
// extras, and every block kind. Colours come parsed from the manifest.
#include <string>
#include <vector>

#include "tools/texture_writer.h"

namespace texwriter {

bool isActorDrawing(const std::string& drawing);
// False with *error set when the drawing needs more colours than given.
bool drawActorPicture(const std::string& drawing, const std::vector<Rgba>& colours, Picture& out,
                      std::string* error);

}  // namespace texwriter
