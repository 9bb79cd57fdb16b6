#include "render_engine/GlStateCache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using RenderEngine::GlStateCache;

namespace {

std::vector<std::string> g_calls;

class CacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlStateCache::resetForTests();
    g_calls.clear();
    old_ = GlStateCache::setBackend(GlStateCache::Backend{
        [](GLenum c) { g_calls.push_back("enable " + std::to_string(c)); },
        [](GLenum c) { g_calls.push_back("disable " + std::to_string(c)); },
        [](GLenum a) { g_calls.push_back("enableClient " + std::to_string(a)); },
        [](GLenum a) { g_calls.push_back("disableClient " + std::to_string(a)); },
    });
  }
  void TearDown() override {
    GlStateCache::setBackend(old_);
    GlStateCache::resetForTests();
  }
  GlStateCache::Backend old_{};
};

std::string call(const char* what, GLenum e) { return std::string(what) + " " + std::to_string(e); }

}  // namespace

TEST_F(CacheTest, CallsOpenGlOnlyOnAChange) {
  RenderEngine::cachedEnable(GL_BLEND);
  RenderEngine::cachedEnable(GL_BLEND);
  RenderEngine::cachedDisable(GL_FOG);  // never seen: reaches OpenGL even if already off
  RenderEngine::cachedDisable(GL_FOG);
  RenderEngine::cachedDisable(GL_BLEND);
  RenderEngine::cachedEnable(GL_BLEND);
  EXPECT_EQ(g_calls, (std::vector<std::string>{call("enable", GL_BLEND), call("disable", GL_FOG),
                                               call("disable", GL_BLEND), call("enable", GL_BLEND)}));
}

TEST_F(CacheTest, ClientArraysAreKeptApartFromCapabilities) {
  // GL_VERTEX_ARRAY is also a valid capability value; the two maps must not mix.
  RenderEngine::cachedEnable(GL_VERTEX_ARRAY);
  RenderEngine::cachedEnableClientState(GL_VERTEX_ARRAY);
  RenderEngine::cachedEnableClientState(GL_VERTEX_ARRAY);
  RenderEngine::cachedDisableClientState(GL_TEXTURE_COORD_ARRAY);
  EXPECT_EQ(g_calls, (std::vector<std::string>{call("enable", GL_VERTEX_ARRAY), call("enableClient", GL_VERTEX_ARRAY),
                                               call("disableClient", GL_TEXTURE_COORD_ARRAY)}));
  EXPECT_EQ(GlStateCache::clientState(GL_COLOR_ARRAY), GlStateCache::Unset);
  EXPECT_EQ(GlStateCache::capabilityState(GL_TEXTURE_COORD_ARRAY), GlStateCache::Unset);
}
