#pragma once
// Movies for the video sprite's tests, made by the game's own movie writer in
// a temporary data folder: every picture paints its frame number in large
// blocks, so a test reads back which frame the sprite shows. Textures go to a
// headless GL backend.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "render_engine/CSpriteVideo.h"
#include "render_engine/Texture.h"
#include "render_engine/TextureManager.h"
#include "support/TempDir.h"
#include "tools/movie_writer.h"

namespace videotest {

struct MovieOptions {
  double seconds = 2.0;
  int width = 160;
  int height = 96;
  int fps = 30;
  std::string codec = "mpeg4";
  int bFrames = 0;
  int audioChannels = 2;  // 0: no sound stream
  int audioRate = 44100;
  bool withVideo = true;
};

inline int frameCountOf(const MovieOptions& o) { return static_cast<int>(o.seconds * o.fps + 0.5); }

inline bool writeCodedMovie(const std::string& path, const MovieOptions& o) {
  moviewriter::VideoSpec spec;
  spec.width = o.width;
  spec.height = o.height;
  spec.fps = o.fps;
  spec.codec = o.codec;
  spec.bFrames = o.bFrames;
  spec.quality = o.codec == "mpeg4" ? 4 : 20;
  spec.withVideo = o.withVideo;
  moviewriter::AudioTrack track;
  if (o.audioChannels > 0) track = moviewriter::sineTrack(o.seconds, o.audioRate, o.audioChannels);
  return moviewriter::writeMovie(
      path, spec, frameCountOf(o),
      [&](int frame, std::uint8_t* rgb, int stride) {
        moviewriter::drawFrameCode(rgb, o.width, o.height, stride, 3, frame);
      },
      o.audioChannels > 0 ? &track : nullptr);
}

// The frame number the sprite's texture image holds (-1 when none reads).
inline int shownFrame(const RenderEngine::CSpriteVideo& v) {
  if (v.getTextureImage().empty()) return -1;
  return moviewriter::readFrameCode(v.getTextureImage().data(), v.getWidth(), v.getHeight(), v.getTextureRowBytes(),
                                    v.getTextureRowBytes() / v.getTextureWidthPow2());
}

class VideoTest : public ::testing::Test {
 protected:
  VideoTest() {
    std::filesystem::create_directories(dir.path() / "video");
    saved_ = RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
    RenderEngine::TextureManager::instance().resetForTests();
  }
  ~VideoTest() override {
    RenderEngine::TextureManager::instance().resetForTests();
    RenderEngine::TextureGlBackend::set(saved_);
  }
  // Writes video/<name> (made once per process for a name and options).
  void make(const std::string& name, const MovieOptions& o) {
    ASSERT_TRUE(writeCodedMovie((dir.path() / "video" / name).string(), o)) << name;
  }
  std::string path(const std::string& name) const { return (dir.path() / "video" / name).string(); }

  qmtest::TempDir dir;
  qmtest::ScopedCwd cwd{dir.path()};
  RenderEngine::TextureGlBackend saved_{};
};

}  // namespace videotest
