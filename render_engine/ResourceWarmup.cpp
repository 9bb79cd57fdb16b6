#include "render_engine/ResourceWarmup.h"

#include "render_engine/CNodeReader.h"
#include "render_engine/CSprite.h"
#include "render_engine/Font.h"
#include "render_engine/Texture.h"
#include "render_engine/TextureManager.h"

namespace RenderEngine {

ResourceWarmup::~ResourceWarmup() { release(); }

bool ResourceWarmup::queued(const Piece& piece) const {
  for (const Piece& p : pieces_) {
    if (p.kind == piece.kind && p.name == piece.name && p.size == piece.size && p.outline == piece.outline) {
      return true;
    }
  }
  return false;
}

void ResourceWarmup::addScene(const std::string& name, bool largePictures) {
  ExportCNode::CNodeReader reader(name);
  const ExportCNode::SceneResources found = reader.scanResources();
  for (const ExportCNode::SceneFont& f : found.fonts) {
    Piece piece;
    piece.kind = Piece::Font;
    piece.name = f.file;
    piece.size = f.size;
    piece.outline = f.outline;
    if (!queued(piece)) pieces_.push_back(piece);
  }
  for (const ExportCNode::ScenePicture& p : found.pictures) {
    if (!largePictures && CSprite::takesTextureWhenDrawn(p.width)) continue;
    Piece piece;
    piece.kind = Piece::Picture;
    piece.name = std::to_string(p.textureNumber);  // as the sprite names it
    if (!queued(piece)) pieces_.push_back(piece);
  }
}

void ResourceWarmup::addStep(std::function<void()> step) {
  Piece piece;
  piece.step = std::move(step);
  pieces_.push_back(std::move(piece));
}

bool ResourceWarmup::step() {
  if (isDone()) return false;
  const Piece& piece = pieces_[next_++];
  switch (piece.kind) {
    case Piece::Font:
      // A broken font file stops nothing here: the text node that takes it says so.
      try {
        fonts_.push_back(piece.outline < 0 ? acquirePlainFont(piece.name, piece.size)
                                           : acquireFont(piece.name, piece.size, piece.outline));
      } catch (const std::exception&) {
      }
      break;
    case Piece::Picture:
      pictures_.push_back(TextureManager::instance().getTexture(piece.name));
      break;
    case Piece::Step:
      if (piece.step) piece.step();
      break;
  }
  return true;
}

void ResourceWarmup::release() {
  for (CFont* font : fonts_) releaseFont(font);
  fonts_.clear();
  for (ITexture* picture : pictures_) picture->release(true);
  pictures_.clear();
}

}  // namespace RenderEngine
