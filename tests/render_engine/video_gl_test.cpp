// The video sprite drawn through a real OpenGL context, as the game draws it:
// full screen in the 480x320 point space scaled by two, the picture where the
// sprite stands and the subtitle over its lower part.
//
// With QM_SCREENSHOT_DIR set, the frames are also written there as PNG files,
// and the game's own intro (from the built data tree) is photographed at a few
// moments with its French subtitles.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "VideoFixtures.h"
#include "app/LocalizedText.h"
#include "render_engine/CNodeText.h"
#include "render_engine/Font.h"
#include "render_engine/FrameDrawing.h"
#include "render_engine/GlStateCache.h"
#include "support/GlWindow.h"
#include "tools/texture_writer.h"

using RenderEngine::CSpriteVideo;
using videotest::MovieOptions;

namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 640;

class VideoGlTest : public videotest::VideoTest {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(qmtest::openGlWindow("video_gl_test", kWidth, kHeight)); }
  VideoGlTest() {
    RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::defaultBackend());
    std::filesystem::create_directories(dir.path() / "font");
    std::filesystem::copy_file(QM_FONT_SANS_BOLD, dir.path() / "font/Arial Black.ttf");
  }
  static void beginFrame() {
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kWidth, kHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    RenderEngine::clearScreen();
    RenderEngine::cachedEnable(GL_TEXTURE_2D);
    RenderEngine::invalidateBoundTexture();
    glColor4f(1, 1, 1, 1);
    glScalef(2, 2, 1);
  }
  // Rows bottom to top, as OpenGL reads them.
  static std::vector<std::uint8_t> readFrame() {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }
  static const std::uint8_t* at(const std::vector<std::uint8_t>& f, int x, int yDown) {
    return &f[(static_cast<std::size_t>(kHeight - 1 - yDown) * kWidth + x) * 3];
  }
  static void save(const std::vector<std::uint8_t>& f, const std::string& name) {
    const char* out = std::getenv("QM_SCREENSHOT_DIR");
    if (out == nullptr) return;
    texwriter::Picture p(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const std::uint8_t* c = at(f, x, y);
        p.set(x, y, {c[0], c[1], c[2], 255});
      }
    texwriter::writePng((std::filesystem::path(out) / name).string(), p);
  }
  // A silent movie "m.mp4" with the subtitles given, playing from its first picture.
  std::unique_ptr<CSpriteVideo> playWithSubtitles(double seconds, const std::string& srt) {
    MovieOptions o;
    o.seconds = seconds;
    o.audioChannels = 0;
    make("m.mp4", o);
    dir.write("video/m-.srt", srt);
    auto v = std::make_unique<CSpriteVideo>("m.mp4", false, true, "m", false);
    v->play(false);
    v->update(0);
    beginFrame();
    v->draw(true, true);
    return v;
  }
  ~VideoGlTest() override {
    RenderEngine::hideSubtitle();
  }
};

TEST_F(VideoGlTest, PictureFillsTheScreenWithTheFrameShown) {
  MovieOptions o;
  o.width = 480;
  o.height = 320;
  o.seconds = 1.0;
  o.audioChannels = 0;
  make("full.mp4", o);
  dir.write("video/full-.srt", "1\n00:00:00,000 --> 00:00:05,000\nA subtitle\n");
  CSpriteVideo v("full.mp4", false, true, "full", false);
  v.setPosition(240, 160, 0);
  v.play(false);
  for (int i = 0; i < 12; ++i) v.update(33);
  const int expected = videotest::shownFrame(v);
  ASSERT_GT(expected, 5);
  beginFrame();
  v.draw(true, true);
  const auto frame = readFrame();
  save(frame, "video_coded.png");
  // The eight blocks of the frame code, read off the screen (above the subtitle).
  int read = 0;
  for (int bit = 0; bit < 8; ++bit) {
    const int x = (bit % 4) * kWidth / 4 + kWidth / 8;
    const int y = (bit / 4) * kHeight / 2 + kHeight / 8;
    read = read * 2 + (at(frame, x, y)[0] > 128 ? 1 : 0);
  }
  EXPECT_EQ(read, expected);
  // The subtitle: white ink with a black outline in the bottom band.
  int white = 0;
  for (int y = 426; y < 600; ++y)
    for (int x = 48; x < 912; ++x) {
      const std::uint8_t* c = at(frame, x, y);
      if (c[0] > 200 && c[1] > 200 && c[2] > 200) ++white;
    }
  // The band is over blocks of frame code: count only where the picture is black.
  EXPECT_GT(white, 0);
  ASSERT_NE(CSpriteVideo::subtitleNode(), nullptr);
  EXPECT_TRUE(CSpriteVideo::subtitleNode()->isVisible());
  EXPECT_STREQ(CSpriteVideo::subtitleNode()->getText(), "A subtitle");
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(VideoGlTest, SubtitleLeavesWhenItsCueEnds) {
  auto v = playWithSubtitles(2.0, "1\n00:00:00,000 --> 00:00:00,900\nShort\n");
  ASSERT_NE(CSpriteVideo::subtitleNode(), nullptr);
  EXPECT_TRUE(CSpriteVideo::subtitleNode()->isVisible());
  for (int i = 0; i < 40; ++i) v->update(33);
  beginFrame();
  v->draw(true, true);
  EXPECT_FALSE(CSpriteVideo::subtitleNode()->isVisible());
}

TEST_F(VideoGlTest, VibrationCueKeepsTheSubtitleShown) {
  auto v = playWithSubtitles(3.0, "1\n00:00:00,000 --> 00:00:01,000\nBefore\n\n2\n00:00:01,000 --> 00:00:02,000\n[VIBRATE]\n");
  for (int i = 0; i < 20; ++i) {
    v->update(66);
    beginFrame();
    v->draw(true, true);
  }
  EXPECT_EQ(v->getCurrentCue(), 1);
  EXPECT_TRUE(CSpriteVideo::subtitleNode()->isVisible());
  EXPECT_STREQ(CSpriteVideo::subtitleNode()->getText(), "Before");
}

// Pictures of the game's own intro to look at (QM_SCREENSHOT_DIR set).
TEST_F(VideoGlTest, IntroScreenshots) {
  const char* out = std::getenv("QM_SCREENSHOT_DIR");
  const std::filesystem::path data = QM_GAME_DATA_DIR;
  if (out == nullptr || !std::filesystem::exists(data / "video/INTRO.m4v")) GTEST_SKIP() << "no screenshots asked";
  qmtest::ScopedCwd inData(data);
  resetTexts();
  initTexts();
  setLanguage(std::getenv("QM_SCREENSHOT_LANG") != nullptr ? std::getenv("QM_SCREENSHOT_LANG") : "fr");
  CSpriteVideo v("INTRO.m4v", false, true, "movie0", false);
  v.setPosition(240, 160, 0);
  v.play(false);
  int ms = 0;
  for (int second : {3, 8, 11, 15, 21, 26, 29}) {
    while (ms < second * 1000) {
      v.update(100);
      ms += 100;
    }
    beginFrame();
    v.draw(true, true);
    save(readFrame(), "intro_" + std::to_string(second) + ".png");
  }
  resetTexts();
}

}  // namespace
