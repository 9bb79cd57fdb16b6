#include "render_engine/TextureManager.h"

#include <cstdio>
#include <vector>

#include "app/DataFiles.h"
#include "app/ResourcePaths.h"
#include "platform/platform.h"

namespace RenderEngine {
namespace {

constexpr std::size_t kIndexRecordSize = 12;
// Names are 16-bit numbers, so a real index holds at most one record for each.
constexpr std::size_t kMaxIndexRecords = 65536;

std::int16_t readInt16Le(const unsigned char* p) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

}  // namespace

TextureManager& TextureManager::instance() {
  // Never destroyed: textures may still be held when the process ends, and
  // their GL context is gone by then.
  static TextureManager* const manager = new TextureManager();
  return *manager;
}

void TextureManager::ensureAtlasIndex() {
  if (atlasPending_) loadAtlasIndex(resolveResourcePath("textures/tex.dat"));
}

void TextureManager::loadAtlasIndex(const std::string& path) {
  atlas_.clear();
  // Only a regular file: a FIFO would block the open, a device never ends.
  FileStatus status = FileStatus::Ok;
  std::FILE* f = openRegularFile(path, status);
  if (f == nullptr) {
    atlasFailed_ = true;
    atlasPending_ = false;
    std::fputs("Error loading texture index\n", stderr);
    return;
  }
  unsigned char record[kIndexRecordSize];
  // A trailing piece shorter than a record is not a record.
  std::size_t records = 0;
  std::size_t got = 0;
  while (records < kMaxIndexRecords && (got = std::fread(record, 1, kIndexRecordSize, f)) == kIndexRecordSize) {
    ++records;
    TextureAtlasEntry entry;
    entry.sheet = readInt16Le(record + 2);
    entry.x = readInt16Le(record + 4);
    entry.y = readInt16Le(record + 6);
    entry.width = readInt16Le(record + 8);
    entry.height = readInt16Le(record + 10);
    atlas_[std::to_string(readInt16Le(record))] = entry;
  }
  if (got > 0 && got < kIndexRecordSize) {
    std::fprintf(stderr, "Texture index %s: its last %zu byte(s) are not a whole record of %zu and are left out\n",
                 path.c_str(), got, kIndexRecordSize);
  } else if (records == kMaxIndexRecords && std::fgetc(f) != EOF) {
    std::fprintf(stderr, "Texture index %s: only its first %zu records are read\n", path.c_str(), kMaxIndexRecords);
  }
  std::fclose(f);
  atlasFailed_ = false;
  atlasPending_ = false;
}

const TextureAtlasEntry* TextureManager::findAtlasEntry(const std::string& name) const {
  if (atlasFailed_) return nullptr;
  auto it = atlas_.find(name);
  // A record with sheet -1 names no sheet: the name is a plain picture, for its
  // size and coordinates as for its texture.
  if (it == atlas_.end() || static_cast<std::int16_t>(it->second.sheet) == -1) return nullptr;
  return &it->second;
}

int TextureManager::findAtlasSheet(const std::string& name) const {
  const TextureAtlasEntry* entry = findAtlasEntry(name);
  return entry == nullptr ? -1 : static_cast<std::int16_t>(entry->sheet);
}

void TextureManager::keyAndPath(const std::string& name, std::string& key, std::string& path) const {
  const int sheet = findAtlasSheet(name);
  if (sheet != -1) {
    const std::string s = std::to_string(sheet);
    key = "tex" + s;
    path = "textures/tex" + s + ".bin";
  } else {
    key = name;
    path = "textures/" + name + ".bin";
  }
}

CTexture* TextureManager::storeNew(const std::string& key) {
  CTexture* texture = new CTexture();
  textures_[key] = texture;
  return texture;
}

ITexture* TextureManager::getTexture(const std::string& name) {
  ensureAtlasIndex();
  std::string key;
  std::string path;
  keyAndPath(name, key, path);
  auto it = textures_.find(key);
  if (it != textures_.end()) {
    it->second->addRef();
    return it->second;
  }
  CTexture* texture = storeNew(key);
  const std::string resolved = resolveResourcePath(path);
  // A missing file stays an empty texture; keeping it stored means it is
  // neither probed again on every request nor lost when its holders let go.
  // The resolver has just found the file where it returns another path than
  // the name; probing it once more would only open it again.
  if (resolved != path || fileExists(resolved)) texture->loadFromPng(resolved);
  return texture;
}

int TextureManager::getTextureWidth(const std::string& name) {
  // The index first: the lookup below would otherwise take an atlas sprite
  // for a plain picture on the first query of the process.
  ensureAtlasIndex();
  if (const TextureAtlasEntry* entry = findAtlasEntry(name)) return static_cast<int>(entry->width);
  ITexture* texture = getTexture(name);
  const int width = texture->getImageWidth();
  texture->release(false);
  return width;
}

int TextureManager::getTextureHeight(const std::string& name) {
  ensureAtlasIndex();
  if (const TextureAtlasEntry* entry = findAtlasEntry(name)) return static_cast<int>(entry->height);
  ITexture* texture = getTexture(name);
  const int height = texture->getImageHeight();
  texture->release(false);
  return height;
}

void TextureManager::setupTexCoords(TexVertex (&vertices)[4], const std::string& name) {
  ITexture* texture = getTexture(name);
  if (texture->getImageWidth() != 0 && texture->getImageHeight() != 0) {
    const float textureWidth = static_cast<float>(texture->getTextureWidth());
    const float textureHeight = static_cast<float>(texture->getTextureHeight());
    float left = 0.0f;
    float top = 0.0f;
    float right = static_cast<float>(texture->getImageWidth()) / textureWidth;
    float bottom = static_cast<float>(texture->getImageHeight()) / textureHeight;
    if (const TextureAtlasEntry* entry = findAtlasEntry(name)) {
      left = entry->x / textureWidth;
      top = entry->y / textureHeight;
      right = (entry->x + entry->width) / textureWidth;
      bottom = (entry->y + entry->height) / textureHeight;
    }
    vertices[0].u = right;
    vertices[0].v = bottom;
    vertices[1].u = left;
    vertices[1].v = bottom;
    vertices[2].u = right;
    vertices[2].v = top;
    vertices[3].u = left;
    vertices[3].v = top;
  }
  texture->release(false);
}

void TextureManager::purgeUnused() {
  bool deleted = false;
  for (auto it = textures_.begin(); it != textures_.end();) {
    if (it->second != nullptr && it->second->getRefCount() < 1) {
      delete it->second;
      it = textures_.erase(it);
      deleted = true;
    } else {
      ++it;
    }
  }
  if (deleted) invalidateBoundTexture();
}

void TextureManager::reloadAll(int mode) {
  const TextureGlBackend& gl = TextureGlBackend::current();
  if (mode == 0 || mode == 2) {
    gl.flush();
    for (auto& [key, texture] : textures_) texture->deleteGlTexture();
  }
  if (mode == 1 || mode == 2) {
    gl.flush();
    for (auto& [key, texture] : textures_) {
      if (texture->isMovieTexture()) continue;
      const std::string resolved = resolveResourcePath("textures/" + key + ".bin");
      // A name whose file never existed stays empty, as it was made.
      if (texture->getImageWidth() == 0 && !fileExists(resolved)) continue;
      texture->loadFromPng(resolved);
      gl.flush();
      platform::sleepMs(100);
    }
    invalidateBoundTexture();
  }
}

ITexture* TextureManager::createMovieTexture(const std::string& key, const std::uint8_t* pixels, int imageWidth,
                                             int imageHeight, int textureWidth, int textureHeight, bool alpha) {
  CTexture* texture = nullptr;
  auto it = textures_.find(key);
  if (it != textures_.end()) {
    // The key is still held (a movie whose texture someone kept): reuse that
    // texture rather than lose it from the registry.
    texture = it->second;
    texture->addRef();
  } else {
    texture = storeNew(key);
  }
  texture->setMovieTexture(true);
  texture->uploadImage(pixels, imageWidth, imageHeight, textureWidth, textureHeight, alpha);
  return texture;
}

ITexture* TextureManager::updateMovieTexture(const std::string& key, const std::uint8_t* pixels, int imageWidth,
                                             int imageHeight, int textureWidth, int textureHeight, bool alpha) {
  return createMovieTexture(key, pixels, imageWidth, imageHeight, textureWidth, textureHeight, alpha);
}

ITexture* TextureManager::findStored(const std::string& key) const {
  auto it = textures_.find(key);
  return it == textures_.end() ? nullptr : it->second;
}

void TextureManager::resetForTests() {
  for (auto& [key, texture] : textures_) delete texture;
  textures_.clear();
  atlas_.clear();
  atlasPending_ = true;
  atlasFailed_ = false;
  invalidateBoundTexture();
}

}  // namespace RenderEngine
