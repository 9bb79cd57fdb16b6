#include "game/menus/QMRLogoSequence.h"

#include <GL/gl.h>

#include <algorithm>

#include "app/Options.h"
#include "game/host/GameHost.h"
#include "render_engine/GlStateCache.h"

namespace {
enum Phase { kCreate = 0, kFadeIn = 1, kHold = 2, kFadeOut = 3, kDone = 4 };
}

QMRLogoSequence::~QMRLogoSequence() { unload(); }

bool QMRLogoSequence::load() {
  gameHost().setCursorMode(3);
  unload();
  logoNames_.assign(1, kLogoName);
  phase_ = -1;
  timer_ = -1;
  return true;
}

void QMRLogoSequence::unload() {
  delete sprite_;
  sprite_ = nullptr;
}

void QMRLogoSequence::enter() {
  phase_ = kCreate;
  timer_ = -1;
  setDeviceState(0, 0);
}

void QMRLogoSequence::leave() { unload(); }

void QMRLogoSequence::showNextLogo() {
  unload();
  if (logoNames_.empty()) {
    // Nothing (more) to show: straight on to the menu.
    phase_ = kDone;
    gameHost().switchToSequence(kMenuSequence);
    return;
  }
  // The logo is wider than the large-texture limit: load it anyway.
  const bool skipLarge = RenderEngine::CSprite::isSkipLargeTextures();
  RenderEngine::CSprite::setSkipLargeTextures(false);
  sprite_ = new RenderEngine::CSprite(logoNames_.front());
  RenderEngine::CSprite::setSkipLargeTextures(skipLarge);
  const int w = sprite_->getWidth();
  const int h = sprite_->getHeight();
  if (w > 0 && h > 0) sprite_->setScale(480.0f / static_cast<float>(w), 320.0f / static_cast<float>(h), 1.0f);
  sprite_->setPosition(240, 160, 0);
  sprite_->setColor(255, 255, 255, 0);
  logoNames_.pop_front();
  timer_ = kFadeMs;
  phase_ = kFadeIn;
  gameHost().skipNextFrame();
}

void QMRLogoSequence::update(int ms) {
  if (phase_ == kCreate) {
    showNextLogo();
  } else {
    if (timer_ > 0) timer_ = std::max(timer_ - std::max(ms, 0), 0);
    const float fade = static_cast<float>(timer_) / static_cast<float>(kFadeMs);
    switch (phase_) {
      case kFadeIn:
        if (sprite_ != nullptr) sprite_->setColor(255, 255, 255, (1.0f - fade) * 255.0f);
        if (timer_ == 0) {
          timer_ = kHoldMs;
          phase_ = kHold;
        }
        break;
      case kHold:
        if (timer_ == 0) {
          timer_ = kFadeMs;
          phase_ = kFadeOut;
        }
        break;
      case kFadeOut:
        if (sprite_ != nullptr) sprite_->setColor(255, 255, 255, fade * 255.0f);
        if (timer_ == 0) phase_ = kDone;
        break;
      case kDone:
        if (logoNames_.empty()) {
          gameHost().switchToSequence(kMenuSequence);
        } else {
          phase_ = kCreate;
          timer_ = -1;
        }
        break;
      default:
        break;
    }
  }
  if (sprite_ != nullptr) sprite_->update(ms);
}

void QMRLogoSequence::draw() {
  glColor4f(1, 1, 1, 1);
  RenderEngine::drawSolidRect(0, 0, 480, 320);
  if (sprite_ == nullptr) return;
  const bool culling = RenderEngine::GlStateCache::capabilityState(GL_CULL_FACE) == RenderEngine::GlStateCache::Enabled;
  if (culling) RenderEngine::cachedDisable(GL_CULL_FACE);
  sprite_->draw(true, true);
  if (culling) RenderEngine::cachedEnable(GL_CULL_FACE);
}
