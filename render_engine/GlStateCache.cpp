#include "render_engine/GlStateCache.h"

#include <unordered_map>

namespace RenderEngine {
namespace {

std::unordered_map<GLenum, std::uint16_t>& capabilities() {
  static std::unordered_map<GLenum, std::uint16_t> map;
  return map;
}
std::unordered_map<GLenum, std::uint16_t>& clientArrays() {
  static std::unordered_map<GLenum, std::uint16_t> map;
  return map;
}

void glEnableEntry(GLenum c) { glEnable(c); }
void glDisableEntry(GLenum c) { glDisable(c); }
void glEnableClientStateEntry(GLenum a) { glEnableClientState(a); }
void glDisableClientStateEntry(GLenum a) { glDisableClientState(a); }

GlStateCache::Backend& backend() {
  static GlStateCache::Backend b = GlStateCache::defaultBackend();
  return b;
}

// Stores want for key and reports whether OpenGL must be told.
bool change(std::unordered_map<GLenum, std::uint16_t>& map, GLenum key, std::uint16_t want) {
  std::uint16_t& slot = map[key];
  if (slot == want) return false;
  slot = want;
  return true;
}

}  // namespace

void GlStateCache::cachedEnable(GLenum capability) {
  if (change(capabilities(), capability, Enabled)) backend().enable(capability);
}
void GlStateCache::cachedDisable(GLenum capability) {
  if (change(capabilities(), capability, Disabled)) backend().disable(capability);
}
void GlStateCache::cachedEnableClientState(GLenum array) {
  if (change(clientArrays(), array, Enabled)) backend().enableClientState(array);
}
void GlStateCache::cachedDisableClientState(GLenum array) {
  if (change(clientArrays(), array, Disabled)) backend().disableClientState(array);
}

GlStateCache::State GlStateCache::capabilityState(GLenum capability) {
  return static_cast<State>(capabilities()[capability]);
}
GlStateCache::State GlStateCache::clientState(GLenum array) {
  return static_cast<State>(clientArrays()[array]);
}

GlStateCache::Backend GlStateCache::defaultBackend() {
  return Backend{&glEnableEntry, &glDisableEntry, &glEnableClientStateEntry, &glDisableClientStateEntry};
}
GlStateCache::Backend GlStateCache::setBackend(const Backend& b) {
  Backend old = backend();
  backend() = b;
  return old;
}
void GlStateCache::resetForTests() {
  capabilities().clear();
  clientArrays().clear();
}

void drawSolidRect(float x, float y, float width, float height) {
  cachedDisable(GL_TEXTURE_2D);
  cachedEnableClientState(GL_VERTEX_ARRAY);
  const GLfloat vertices[8] = {x, y, x + width, y, x + width, y + height, x, y + height};
  static const GLubyte indices[4] = {0, 1, 2, 3};
  glVertexPointer(2, GL_FLOAT, 0, vertices);
  glDrawElements(GL_TRIANGLE_FAN, 4, GL_UNSIGNED_BYTE, indices);
  cachedDisableClientState(GL_VERTEX_ARRAY);
  cachedEnable(GL_TEXTURE_2D);
}

}  // namespace RenderEngine
