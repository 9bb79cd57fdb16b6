#pragma once
// The one registry of textures, keyed by name. Small pictures are packed into
// sheets; the index "textures/tex.dat" says which sprite id lives on which
// sheet and where. Plain pictures are "textures/<name>.bin", sheets
// "textures/tex<N>.bin", both PNG data. Game thread only.
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>

#include "render_engine/Texture.h"

namespace RenderEngine {

// Where a sprite lives on its sheet, in pixels of the sheet picture.
struct TextureAtlasEntry {
  int sheet = 0;
  float x = 0.0f;
  float y = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
};

// One corner of a textured quad as sprites keep it: position, then texture
// coordinates; 20 bytes, the stride the vertex arrays are drawn with.
struct TexVertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float u = 0.0f;
  float v = 0.0f;
};
static_assert(sizeof(TexVertex) == 20);

class TextureManager {
 public:
  // Created on first use, kept for the process.
  static TextureManager& instance();

  // The texture for a name: an atlas sprite's sheet, else "textures/<name>.bin".
  // The caller owns one reference. Never null: a picture that is missing or
  // does not decode gives an empty texture (GL name 0, every size 0), which is
  // kept like any other so the file is not looked for again on every request.
  ITexture* getTexture(const std::string& name);

  // An atlas sprite's size on its sheet; otherwise the picture's size (0 when
  // there is none). A texture fetched only for this stays with no reference
  // until the next purge.
  int getTextureWidth(const std::string& name);
  int getTextureHeight(const std::string& name);

  // Writes the texture coordinates of a sprite's four corners (order: right
  // top, left top, right bottom, left bottom in the sprite's own axes): the
  // sprite's rectangle on its sheet, or the whole picture. Nothing is written
  // when the texture is empty.
  void setupTexCoords(TexVertex (&vertices)[4], const std::string& name);

  // The name's sheet number; -1 when it is not an atlas sprite or the index
  // could not be read.
  int findAtlasSheet(const std::string& name) const;
  const TextureAtlasEntry* findAtlasEntry(const std::string& name) const;

  // Reads the sheet index at path (12-byte little-endian records of six 16-bit
  // values: id, sheet, x, y, width, height). An unreadable file prints "Error
  // loading texture index" on the error stream and leaves no atlas.
  void loadAtlasIndex(const std::string& path);

  // Deletes every texture that has no reference left.
  void purgeUnused();

  // Mode 0 drops every GL texture, 1 uploads every texture again from its file,
  // 2 does both. Movie textures have no file and are only dropped; they come
  // back with their next frame.
  void reloadAll(int mode);

  // Movie frames: a texture stored under key and filled from raw pixels (see
  // CTexture::uploadImage). Both hand the caller one reference.
  ITexture* createMovieTexture(const std::string& key, const std::uint8_t* pixels, int imageWidth, int imageHeight,
                               int textureWidth, int textureHeight, bool alpha);
  ITexture* updateMovieTexture(const std::string& key, const std::uint8_t* pixels, int imageWidth, int imageHeight,
                               int textureWidth, int textureHeight, bool alpha);

  // The texture stored under a key ("tex<N>" for a sheet), without adding a
  // reference; null when none is.
  ITexture* findStored(const std::string& key) const;
  std::size_t storedCount() const { return textures_.size(); }
  bool isAtlasIndexPending() const { return atlasPending_; }
  bool hasAtlasIndexFailed() const { return atlasFailed_; }

  // Deletes every texture and forgets the index, as at process start (tests).
  void resetForTests();

 private:
  TextureManager() = default;
  void ensureAtlasIndex();
  // The key and file name of a texture name: its sheet's, or its own.
  void keyAndPath(const std::string& name, std::string& key, std::string& path) const;
  CTexture* storeNew(const std::string& key);

  std::map<std::string, CTexture*> textures_;  // key order: reloads walk it in order
  std::unordered_map<std::string, TextureAtlasEntry> atlas_;
  bool atlasPending_ = true;
  bool atlasFailed_ = false;
};

}  // namespace RenderEngine
