#pragma once
// A node that draws one textured rectangle centred on its origin, before its
// children. The texture is named by a string, or by a number whose decimal text
// is the name (scene files and physics models use numbers); a number the sheet
// index knows draws that sprite's part of its sheet.
#include <string>

#include "render_engine/CNode.h"
#include "render_engine/TextureManager.h"

namespace RenderEngine {

class CSprite : public CNode {
 public:
  // Pictures wider than this are left unloaded while skipLargeTextures is set.
  static constexpr int kLargeTextureWidth = 800;

  explicit CSprite(const std::string& textureName);
  explicit CSprite(int textureNumber);
  // Scene files give the size: it is kept when the texture is skipped.
  CSprite(int textureNumber, int width, int height);
  CSprite(const CSprite& other);
  ~CSprite() override;

  void draw(bool pass, bool push) override;
  CNode* clone() const override;
  // The quad's rectangle (children excluded), also for an invisible sprite.
  BoundingRect* getBoundingBox() override;
  // Gives the texture back; the next draw takes it again.
  void unloadTextures() override;
  void unloadLargeTextures() override;
  void setOpaque(bool opaque) override { opaque_ = opaque; }
  bool isOpaque() override { return opaque_; }

  void buildQuad();
  void setTextureOffset(float x, float y);

  int getWidth() const { return width_; }
  int getHeight() const { return height_; }
  int getTextureNumber() const { return textureNumber_; }
  const std::string& getTextureName() const { return textureName_; }
  ITexture* getTexture() const { return texture_; }
  const TexVertex& getVertex(int i) const { return vertices_[i]; }

  static void setSkipLargeTextures(bool skip);
  static bool isSkipLargeTextures();
  // Whether a sprite of this width takes its texture only when first drawn.
  static bool takesTextureWhenDrawn(int width);

 protected:
  // For kinds that set their texture and size themselves (video).
  CSprite() = default;

  // The name the texture manager knows this sprite's texture by.
  std::string textureKey() const;
  // Takes the texture unless the large-texture rule skips it; then fixes the
  // size and builds the quad.
  void acquireTexture(int widthForTest, bool keepGivenSize);
  // Takes the texture again (after a release or a skip) with its real size.
  void reacquireTexture();
  void drawQuad();

  std::string textureName_;
  ITexture* texture_ = nullptr;
  float offsetX_ = 0.0f;
  float offsetY_ = 0.0f;
  TexVertex vertices_[4] = {};
  bool opaque_ = false;
  int textureNumber_ = -1;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace RenderEngine
