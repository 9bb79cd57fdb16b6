#pragma once
// Remembers which OpenGL capabilities and client arrays were last switched on or
// off, so drawing code can ask for a state many times per frame and OpenGL is
// only called on a change. Every switch of these states must go through here:
// a call made elsewhere is not recorded and would leave the cache wrong.
#include <GL/gl.h>

#include <cstdint>

namespace RenderEngine {

class GlStateCache {
 public:
  enum State : std::uint16_t { Unset = 0, Disabled = 1, Enabled = 2 };

  static void cachedEnable(GLenum capability);
  static void cachedDisable(GLenum capability);
  static void cachedEnableClientState(GLenum array);
  static void cachedDisableClientState(GLenum array);

  // The recorded state (Unset for an enumeration never switched).
  static State capabilityState(GLenum capability);
  static State clientState(GLenum array);

  // The OpenGL entry points the cache calls; tests substitute counters.
  struct Backend {
    void (*enable)(GLenum);
    void (*disable)(GLenum);
    void (*enableClientState)(GLenum);
    void (*disableClientState)(GLenum);
  };
  static Backend setBackend(const Backend& backend);
  static Backend defaultBackend();
  // Forgets every recorded state (tests only; the game never clears the cache).
  static void resetForTests();
};

// Convenience spellings used throughout the drawing code.
inline void cachedEnable(GLenum c) { GlStateCache::cachedEnable(c); }
inline void cachedDisable(GLenum c) { GlStateCache::cachedDisable(c); }
inline void cachedEnableClientState(GLenum a) { GlStateCache::cachedEnableClientState(a); }
inline void cachedDisableClientState(GLenum a) { GlStateCache::cachedDisableClientState(a); }

// Fills the rectangle (x, y, width, height), in the current matrix's units, with
// the colour last given to glColor4f. Leaves texturing enabled.
void drawSolidRect(float x, float y, float width, float height);

}  // namespace RenderEngine
