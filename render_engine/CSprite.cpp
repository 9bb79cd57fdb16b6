#include "render_engine/CSprite.h"

#include <GL/gl.h>

#include <string>

#include "render_engine/GlStateCache.h"

namespace RenderEngine {

namespace {
bool gSkipLargeTextures = true;
}

void CSprite::setSkipLargeTextures(bool skip) { gSkipLargeTextures = skip; }
bool CSprite::isSkipLargeTextures() { return gSkipLargeTextures; }
bool CSprite::takesTextureWhenDrawn(int width) { return width > kLargeTextureWidth && gSkipLargeTextures; }

CSprite::CSprite(const std::string& textureName) : textureName_(textureName) {
  acquireTexture(TextureManager::instance().getTextureWidth(textureName_), false);
}

CSprite::CSprite(int textureNumber) : textureNumber_(textureNumber) {
  acquireTexture(TextureManager::instance().getTextureWidth(textureKey()), false);
}

CSprite::CSprite(int textureNumber, int width, int height)
    : textureNumber_(textureNumber), width_(width), height_(height) {
  acquireTexture(width, true);
}

CSprite::CSprite(const CSprite& o)
    : CNode(o),
      textureName_(o.textureName_),
      offsetX_(o.offsetX_),
      offsetY_(o.offsetY_),
      opaque_(o.opaque_),
      textureNumber_(o.textureNumber_),
      width_(o.width_),
      height_(o.height_) {
  acquireTexture(TextureManager::instance().getTextureWidth(textureKey()), false);
}

CSprite::~CSprite() {
  if (texture_ != nullptr) texture_->release(true);
}

CNode* CSprite::clone() const { return new CSprite(*this); }

std::string CSprite::textureKey() const {
  return textureNumber_ != -1 ? std::to_string(textureNumber_) : textureName_;
}

void CSprite::acquireTexture(int widthForTest, bool keepGivenSize) {
  if (takesTextureWhenDrawn(widthForTest)) {
    if (!keepGivenSize) width_ = height_ = 0;
    // Positions from the kept size, so bounds and hit tests are defined before
    // the first draw loads the texture.
    buildQuad();
    return;
  }
  reacquireTexture();
}

void CSprite::reacquireTexture() {
  TextureManager& manager = TextureManager::instance();
  const std::string key = textureKey();
  texture_ = manager.getTexture(key);
  width_ = manager.getTextureWidth(key);
  height_ = manager.getTextureHeight(key);
  buildQuad();
}

void CSprite::buildQuad() {
  const float hw = static_cast<float>(width_) / 2.0f;
  const float hh = static_cast<float>(height_) / 2.0f;
  vertices_[0].x = hw + offsetX_;
  vertices_[0].y = hh + offsetY_;
  vertices_[1].x = -hw + offsetX_;
  vertices_[1].y = hh + offsetY_;
  vertices_[2].x = hw + offsetX_;
  vertices_[2].y = -hh + offsetY_;
  vertices_[3].x = -hw + offsetX_;
  vertices_[3].y = -hh + offsetY_;
  for (TexVertex& v : vertices_) v.z = 0.0f;
  if (texture_ != nullptr) TextureManager::instance().setupTexCoords(vertices_, textureKey());
  boundsDirty_ = true;
}

void CSprite::setTextureOffset(float x, float y) {
  offsetX_ = x;
  offsetY_ = y;
  buildQuad();
}

void CSprite::unloadTextures() {
  if (texture_ == nullptr) return;
  ITexture* texture = texture_;
  texture_ = nullptr;
  texture->release(true);
}

void CSprite::unloadLargeTextures() {
  if (width_ > kLargeTextureWidth) unloadTextures();
}

BoundingRect* CSprite::getBoundingBox() {
  if (!boundsDirty_ && !box_.isEmpty()) return &box_;
  boundsDirty_ = false;
  box_.setEmpty();
  box_.addPoint(vertices_[0].x, vertices_[0].y);
  box_.addPoint(vertices_[3].x, vertices_[3].y);
  if (hasTransform()) mapBoxThroughLocalMatrix();
  return &box_;
}

void CSprite::drawQuad() {
  cachedEnableClientState(GL_VERTEX_ARRAY);
  cachedEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(3, GL_FLOAT, sizeof(TexVertex), &vertices_[0].x);
  glTexCoordPointer(2, GL_FLOAT, sizeof(TexVertex), &vertices_[0].u);
  static const GLubyte indices[4] = {0, 1, 2, 3};
  glDrawElements(GL_TRIANGLE_STRIP, 4, GL_UNSIGNED_BYTE, indices);
  cachedDisableClientState(GL_VERTEX_ARRAY);
  cachedDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void CSprite::draw(bool /*pass*/, bool push) {
  if (!isVisible() || isTransparent()) return;
  if (texture_ == nullptr) {
    reacquireTexture();
    matrixDirty_ = true;
  }
  DrawFrame frame = beginDrawTransform(push);
  texture_->bind();
  // Blending follows the alpha the quad is really drawn with: the inherited one
  // times the sprite's own, so an opaque sprite faded by an animation blends.
  float alpha = currentColor().a;
  if (hasOwnColor()) alpha *= color_.a;
  if (!opaque_ || alpha < 1.0f) {
    cachedEnable(GL_BLEND);
  } else {
    cachedDisable(GL_BLEND);
  }
  beginDrawColor(frame);
  drawQuad();
  drawChildList(children_, false, push, frame);  // children never see the pass flag
  endDraw(frame);
}

}  // namespace RenderEngine
