// Builds the game's textures from manifests: make_textures MANIFEST... OUT_DIR
// reads the manifests in the order given as one text (each file starts its own
// sheets, so a subsystem's pictures can live in a file of their own) and writes OUT_DIR/textures/tex<N>.bin (one per sheet), OUT_DIR/textures/<name>.bin
// (one per plain texture) and OUT_DIR/textures/tex.dat (the sheet index).
#include <cstdio>
#include <string>

#include "tools/texture_writer.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s MANIFEST... OUT_DIR\n", argv[0]);
    return 2;
  }
  texwriter::Manifest manifest;
  std::string error;
  for (int i = 1; i < argc - 1; ++i) {
    const std::vector<std::uint8_t> bytes = texwriter::readFile(argv[i]);
    if (bytes.empty()) {
      std::fprintf(stderr, "make_textures: cannot read %s\n", argv[i]);
      return 1;
    }
    texwriter::Manifest part;
    if (!texwriter::parseManifest(std::string(bytes.begin(), bytes.end()), part, &error)) {
      std::fprintf(stderr, "make_textures: %s: %s\n", argv[i], error.c_str());
      return 1;
    }
    for (auto& sheet : part.sheets) {
      for (const auto& held : manifest.sheets) {
        if (held.number == sheet.number) {
          std::fprintf(stderr, "make_textures: %s: sheet %d is already defined\n", argv[i], sheet.number);
          return 1;
        }
      }
      manifest.sheets.push_back(std::move(sheet));
    }
    for (auto& texture : part.textures) manifest.textures.push_back(std::move(texture));
  }
  if (!texwriter::buildTextures(manifest, argv[argc - 1], &error)) {
    std::fprintf(stderr, "make_textures: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
