// Builds the game's textures from a manifest: make_textures MANIFEST OUT_DIR
// writes OUT_DIR/textures/tex<N>.bin (one per sheet), OUT_DIR/textures/<name>.bin
// (one per plain texture) and OUT_DIR/textures/tex.dat (the sheet index).
#include <cstdio>
#include <string>

#include "tools/texture_writer.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s MANIFEST OUT_DIR\n", argv[0]);
    return 2;
  }
  const std::vector<std::uint8_t> bytes = texwriter::readFile(argv[1]);
  if (bytes.empty()) {
    std::fprintf(stderr, "make_textures: cannot read %s\n", argv[1]);
    return 1;
  }
  texwriter::Manifest manifest;
  std::string error;
  if (!texwriter::parseManifest(std::string(bytes.begin(), bytes.end()), manifest, &error)) {
    std::fprintf(stderr, "make_textures: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  if (!texwriter::buildTextures(manifest, argv[2], &error)) {
    std::fprintf(stderr, "make_textures: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
