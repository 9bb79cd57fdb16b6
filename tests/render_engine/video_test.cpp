// The video sprite without sound: subtitle files and cue choice, the picture
// schedule on simulated time, decoder delay, the end of a movie, texture keys
// and what a damaged or missing file leaves behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "VideoFixtures.h"
#include "app/LocalizedText.h"
#include "tools/textbank_writer.h"

using RenderEngine::CSpriteVideo;
using videotest::MovieOptions;
using videotest::shownFrame;

namespace {

MovieOptions muted(double seconds = 2.0) {
  MovieOptions o;
  o.seconds = seconds;
  o.audioChannels = 0;
  return o;
}

class MovieTest : public videotest::VideoTest {};

// A sprite on a movie that does not exist: subtitles can be driven alone.
class SrtTest : public videotest::VideoTest {
 protected:
  std::unique_ptr<CSpriteVideo> subtitlesOnly() {
    testing::internal::CaptureStderr();
    auto v = std::make_unique<CSpriteVideo>("none.mp4", false, true, "", false);
    testing::internal::GetCapturedStderr();
    return v;
  }
};

TEST_F(SrtTest, CueTimesInMilliseconds) {
  EXPECT_EQ(CSpriteVideo::parseCueTimes("00:01:02,500"), 62500);
  EXPECT_EQ(CSpriteVideo::parseCueTimes("01:00:00,000"), 3600000);
  EXPECT_EQ(CSpriteVideo::parseCueTimes(" 00:00:01,900 "), 1900);
  EXPECT_EQ(CSpriteVideo::parseCueTimes("02,250"), 2250);
  EXPECT_EQ(CSpriteVideo::parseCueTimes(""), 0);
  // Numbers too large for an int are clamped, not overflowed.
  EXPECT_GT(CSpriteVideo::parseCueTimes("99999999999:00:00,000"), 0);
}

TEST_F(SrtTest, BlocksWithCarriageReturnsBlankLinesAndSeveralLines) {
  auto v = subtitlesOnly();
  v->parseSrt(
      "1\r\n00:00:01,900 --> 00:00:03,100\r\nFirst line\r\nsecond line\r\n\r\n \r\n"
      "2\r\n00:00:05,000-->00:00:06,000\r\n[VIBRATE]\r\n\r\n"
      "7\r\n00:00:08,000 --> 00:00:09,500\r\nLast\r\n");
  const auto& cues = v->getCues();
  ASSERT_EQ(cues.size(), 3u);
  EXPECT_EQ(cues[0].index, 1);
  EXPECT_EQ(cues[0].start, 1900);
  EXPECT_EQ(cues[0].end, 3100);
  EXPECT_EQ(cues[0].text, "First line\nsecond line");
  // No space before the arrow: the start keeps every digit.
  EXPECT_EQ(cues[1].start, 5000);
  EXPECT_EQ(cues[1].end, 6000);
  EXPECT_EQ(cues[1].text, "[VIBRATE]");
  EXPECT_EQ(cues[2].index, 7);
  EXPECT_EQ(cues[2].text, "Last");
}

TEST_F(SrtTest, BlocksCutShortAtTheEnd) {
  auto v = subtitlesOnly();
  v->parseSrt("1\n00:00:01,000 --> 00:00:02,000\nOne\n\n2");
  EXPECT_EQ(v->getCues().size(), 1u);
  v->parseSrt("1\n00:00:01,000 --> 00:00:02,000\nOne\n\n2\n00:00:03,000 --> 00:00:0");
  ASSERT_EQ(v->getCues().size(), 2u);
  EXPECT_EQ(v->getCues()[1].start, 3000);
  EXPECT_EQ(v->getCues()[1].text, "");
  v->parseSrt("1\n00:00:01,000 -");
  ASSERT_EQ(v->getCues().size(), 1u);
  EXPECT_EQ(v->getCues()[0].end, 0);
  v->parseSrt("");
  EXPECT_TRUE(v->getCues().empty());
}

TEST_F(SrtTest, FileOfTheCurrentLanguageAndNoFallback) {
  std::vector<std::pair<std::string, std::string>> list;
  int index = 0;
  for (const char* code : {"en", "fr", "de"}) {
    textbank::Banks banks;
    banks[5] = {code};
    dir.write("text/" + std::to_string(index++), textbank::encodeBankFile(banks));
    list.emplace_back(code, code);
  }
  dir.write("text/I", textbank::encodeLanguageList(list));
  resetTexts();
  initTexts();
  dir.write("video/movie0-fr.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nBonjour\r\n");
  dir.write("video/movie0-en.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n");
  auto v = subtitlesOnly();
  setLanguage("fr");
  v->readSrtFile("movie0");
  ASSERT_EQ(v->getCues().size(), 1u);
  EXPECT_EQ(v->getCues()[0].text, "Bonjour");
  setLanguage("de");  // no German file: no subtitles, not the English ones
  v->readSrtFile("movie0");
  EXPECT_TRUE(v->getCues().empty());
  resetTexts();
}

// A subtitle file that is no file shows nothing and says why; a missing one
// is simply no subtitles. Nothing blocks or is read without end.
TEST_F(SrtTest, SubtitleFilesThatAreNoFilesShowNothing) {
  dir.write("text/0", textbank::encodeBankFile({}));
  dir.write("text/I", textbank::encodeLanguageList({{"English", "en"}}));
  resetTexts();
  initTexts();
  auto v = subtitlesOnly();
  ASSERT_EQ(mkfifo(path("fifo-en.srt").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", path("zero-en.srt"));
  std::filesystem::create_directories(path("folder-en.srt"));
  {
    std::ofstream sparse(path("sparse-en.srt"), std::ios::binary);
  }
  std::filesystem::resize_file(path("sparse-en.srt"), 4ull << 30);
  dir.write("video/empty-en.srt", "");
  const std::pair<const char*, const char*> cases[] = {{"fifo", "not a regular file"},
                                                       {"zero", "not a regular file"},
                                                       {"folder", "not a regular file"},
                                                       {"sparse", "larger than 4 MB"},
                                                       {"empty", nullptr},
                                                       {"nosuchname", nullptr}};
  for (const auto& [name, why] : cases) {
    testing::internal::CaptureStderr();
    v->readSrtFile(name);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(v->getCues().empty()) << name;
    if (why != nullptr) {
      EXPECT_NE(err.find(std::string(name) + "-en.srt: " + why), std::string::npos) << err;
    } else {
      EXPECT_EQ(err, "") << name;
    }
    v->update(33);
    v->draw(false, true);
  }
  resetTexts();
}

// A cue is fitted into its box every frame: one longer than a screen could
// show is cut (never inside a character), and the count of cues is bounded.
TEST_F(SrtTest, LongCuesAndEndlessCueListsAreCut) {
  auto v = subtitlesOnly();
  std::string text = "1\n00:00:01,000 --> 00:00:02,000\na";
  for (int i = 0; i < 200000; ++i) text += "\xC3\xA9";  // 400 KB of one letter
  text += "\nsecond line\n\n2\n00:00:03,000 --> 00:00:04,000\nshort\n";
  testing::internal::CaptureStderr();
  v->parseSrt(text, "video/long-en.srt");
  const std::string err = testing::internal::GetCapturedStderr();
  ASSERT_EQ(v->getCues().size(), 2u);
  const std::string& cut = v->getCues()[0].text;
  EXPECT_LE(cut.size(), CSpriteVideo::kMaxCueBytes);
  EXPECT_GE(cut.size(), CSpriteVideo::kMaxCueBytes - 1);
  EXPECT_EQ(cut.size() % 2, 1u);  // "a" and whole two-byte letters
  EXPECT_EQ(v->getCues()[1].text, "short");
  EXPECT_NE(err.find("video/long-en.srt: 1 cue(s) longer than 1024 bytes cut"), std::string::npos) << err;

  std::string many;
  for (std::size_t i = 0; i < CSpriteVideo::kMaxCues + 5; ++i) many += "1\n00:00:01,000 --> 00:00:02,000\nx\n\n";
  testing::internal::CaptureStderr();
  v->parseSrt(many, "video/many-en.srt");
  const std::string manyErr = testing::internal::GetCapturedStderr();
  EXPECT_EQ(v->getCues().size(), CSpriteVideo::kMaxCues);
  EXPECT_NE(manyErr.find("only the first 10000 cues"), std::string::npos) << manyErr;
}

TEST_F(SrtTest, CueChosenInWholeSeconds) {
  make("cues.mp4", muted(4.0));
  dir.write("video/cues-.srt", "1\n00:00:01,900 --> 00:00:03,100\nShown\n\n2\n00:00:03,500 --> 00:00:03,900\nLate\n");
  CSpriteVideo v("cues.mp4", false, true, "cues", false);
  ASSERT_EQ(v.getCues().size(), 2u);
  v.play(false);
  v.update(0);
  // The cue follows the time of the update before (it is chosen first).
  std::vector<std::pair<int, int>> seen;  // (time in ms the cue was chosen for, cue)
  int t = 0;
  for (int i = 0; i < 38; ++i) {
    v.update(100);
    seen.emplace_back(t, v.getCurrentCue());
    t += 100;
  }
  for (const auto& [ms, cue] : seen) {
    // Cue 0 spans 1 s to 3 s inclusive; cue 1 (3.5-3.9 s) is 3 s to 3 s, hidden by cue 0 at 3.0 s.
    const int expected = (ms >= 1000 && ms <= 3000) ? 0 : -1;
    EXPECT_EQ(cue, expected) << "at " << ms << " ms";
  }
}

TEST_F(MovieTest, StandsPausedOnItsFirstPictureUntilPlay) {
  make("m.mp4", muted());
  testing::internal::CaptureStderr();
  CSpriteVideo v("m.mp4", false, true, "", false);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("NO AUDIO STREAM"), std::string::npos);
  ASSERT_TRUE(v.isValid());
  EXPECT_TRUE(v.hasMovieTexture());
  EXPECT_TRUE(v.isPaused());
  EXPECT_FALSE(v.isFinished());
  EXPECT_EQ(v.getWidth(), 160);
  EXPECT_EQ(v.getHeight(), 96);
  EXPECT_EQ(v.getTextureWidthPow2(), 256);
  EXPECT_EQ(v.getTextureHeightPow2(), 128);
  EXPECT_EQ(v.getTextureRowBytes(), 256 * 3);
  EXPECT_NEAR(v.getFrameDuration(), 1.0 / 30, 1e-4);
  EXPECT_EQ(shownFrame(v), 0);
  for (int i = 0; i < 10; ++i) v.update(33);
  EXPECT_EQ(shownFrame(v), 0);
  EXPECT_EQ(v.getPicturesDecoded(), 1);
}

TEST_F(MovieTest, PicturesFollowTheElapsedTime) {
  make("m.mp4", muted());
  CSpriteVideo v("m.mp4", false, true, "", false);
  v.play(false);
  v.restart();  // a known start: the next update counts no time
  EXPECT_EQ(shownFrame(v), 0);
  v.update(33);
  EXPECT_EQ(v.getPicturesDecoded(), 3);  // construction, restart, and one for the zero-time update
  EXPECT_EQ(shownFrame(v), 1);
  const float fd = v.getFrameDuration();
  for (int i = 0; i < 40; ++i) {
    const float lagBefore = v.getPlaybackTime() + 0.033f - v.getVideoClock();
    const int decodedBefore = v.getPicturesDecoded();
    v.update(33);
    const int decoded = v.getPicturesDecoded() - decodedBefore;
    // A lag of up to one frame decodes nothing; more decodes all but one frame of it.
    if (lagBefore <= fd + 1e-4f) {
      EXPECT_EQ(decoded, 0) << i;
    }
    EXPECT_EQ(shownFrame(v), static_cast<int>(std::lround(v.getVideoClock() / fd)));
    EXPECT_LE(v.getPlaybackTime() - v.getVideoClock(), fd + 1e-3f);
  }
  // A long update decodes every picture due but shows only the last.
  const int shown = v.getPicturesShown();
  const int decoded = v.getPicturesDecoded();
  v.update(500);
  EXPECT_EQ(v.getPicturesShown(), shown + 1);
  EXPECT_GE(v.getPicturesDecoded() - decoded, 13);
  EXPECT_EQ(shownFrame(v), static_cast<int>(std::lround(v.getVideoClock() / fd)));
}

TEST_F(MovieTest, RestartShowsTheFirstPictureAndCountsNoTime) {
  make("m.mp4", muted());
  CSpriteVideo v("m.mp4", false, true, "", false);
  v.play(false);
  for (int i = 0; i < 20; ++i) v.update(33);
  EXPECT_GT(shownFrame(v), 10);
  v.restart();
  EXPECT_EQ(shownFrame(v), 0);
  const int decoded = v.getPicturesDecoded();
  v.update(400);  // counted as 0 ms
  EXPECT_EQ(v.getPicturesDecoded(), decoded + 1);
  EXPECT_EQ(shownFrame(v), 1);
}

TEST_F(MovieTest, FinishesAfterItsLastPicture) {
  const MovieOptions o = muted(1.0);
  make("m.mp4", o);
  CSpriteVideo v("m.mp4", false, true, "", false);
  v.play(false);
  int last = -1;
  for (int i = 0; i < 200 && !v.isFinished(); ++i) {
    v.update(33);
    last = shownFrame(v);
  }
  EXPECT_TRUE(v.isFinished());
  EXPECT_EQ(last, videotest::frameCountOf(o) - 1);  // the last packet is decoded too
  const int decoded = v.getPicturesDecoded();
  v.update(33);
  EXPECT_EQ(v.getPicturesDecoded(), decoded);
}

TEST_F(MovieTest, LoopingStartsOverAfterTheEnd) {
  make("m.mp4", muted(0.5));
  CSpriteVideo v("m.mp4", false, true, "", false);
  v.play(true);
  bool wrapped = false;
  int previous = 0;
  for (int i = 0; i < 60; ++i) {
    v.update(33);
    const int f = shownFrame(v);
    if (f < previous) wrapped = true;
    previous = f;
    EXPECT_FALSE(v.isFinished());
  }
  EXPECT_TRUE(wrapped);
}

TEST_F(MovieTest, FirstPictureDespiteDecoderDelay) {
  MovieOptions o = muted(1.0);
  o.codec = "libx264";
  o.bFrames = 3;
  make("b.m4v", o);
  testing::internal::CaptureStderr();
  CSpriteVideo v("b.m4v", false, true, "", false);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.find("texture null"), std::string::npos);
  ASSERT_TRUE(v.hasMovieTexture());
  EXPECT_EQ(shownFrame(v), 0);
  EXPECT_EQ(v.getTexture(), RenderEngine::TextureManager::instance().findStored(v.getTextureName()));
  EXPECT_EQ(v.getTextureName().rfind("videotextureslot", 0), 0u);
  // Pictures come out in presentation order.
  v.play(false);
  int previous = 0;
  for (int i = 0; i < 40 && !v.isFinished(); ++i) {
    v.update(33);
    EXPECT_GE(shownFrame(v), previous);
    previous = shownFrame(v);
  }
  EXPECT_EQ(previous, videotest::frameCountOf(o) - 1);
}

TEST_F(MovieTest, TextureKeysAreNeverShared) {
  make("m.mp4", muted(0.3));
  auto a = std::make_unique<CSpriteVideo>("m.mp4", false, true, "", false);
  auto b = std::make_unique<CSpriteVideo>("m.mp4", false, true, "", false);
  EXPECT_NE(a->getTextureName(), b->getTextureName());
  const std::string keyB = b->getTextureName();
  const int alive = CSpriteVideo::aliveCount();
  a.reset();
  EXPECT_EQ(CSpriteVideo::aliveCount(), alive - 1);
  auto c = std::make_unique<CSpriteVideo>("m.mp4", false, true, "", false);
  EXPECT_NE(c->getTextureName(), keyB);
  EXPECT_NE(c->getTexture(), b->getTexture());
}

TEST_F(MovieTest, PicturesComeBackAfterTheTextureIsGivenBack) {
  make("m.mp4", muted(1.0));
  CSpriteVideo v("m.mp4", false, true, "", false);
  v.play(false);
  v.update(33);
  v.unloadTextures();
  EXPECT_EQ(v.getTexture(), nullptr);
  for (int i = 0; i < 3; ++i) v.update(33);
  ASSERT_NE(v.getTexture(), nullptr);
  EXPECT_EQ(v.getTexture(), RenderEngine::TextureManager::instance().findStored(v.getTextureName()));
  EXPECT_GT(v.getTexture()->getImageWidth(), 0);
}

TEST_F(MovieTest, RgbaPictures) {
  make("m.mp4", muted(0.3));
  CSpriteVideo v("m.mp4", false, true, "", true);
  EXPECT_EQ(v.getTextureRowBytes(), 256 * 4);
  EXPECT_EQ(shownFrame(v), 0);
  EXPECT_EQ(v.getTextureImage()[3], 255);
}

TEST_F(MovieTest, OneVideoPacket) {
  MovieOptions o = muted(1.0 / 30);
  make("one.mp4", o);
  CSpriteVideo v("one.mp4", false, true, "", false);
  EXPECT_EQ(v.getVideoPacketCount(), 1);
  EXPECT_TRUE(v.hasMovieTexture());
  v.play(false);
  for (int i = 0; i < 5; ++i) v.update(33);
  EXPECT_TRUE(v.isFinished());
}

// What a file that cannot play leaves: a finished sprite that is safe to use.
void expectInert(CSpriteVideo& v) {
  EXPECT_FALSE(v.isValid());
  EXPECT_TRUE(v.isFinished());
  EXPECT_FALSE(v.hasMovieTexture());
  v.play(false);
  EXPECT_TRUE(v.isFinished());
  for (int i = 0; i < 3; ++i) v.update(33);
  v.draw(true, true);
  v.pause();
  v.restart();
  v.stop();
  EXPECT_TRUE(v.isFinished());
}

std::string constructionMessages(const std::string& name, std::unique_ptr<CSpriteVideo>& out) {
  testing::internal::CaptureStderr();
  out = std::make_unique<CSpriteVideo>(name, false, true, "", false);
  return testing::internal::GetCapturedStderr();
}

TEST_F(MovieTest, MissingTruncatedAndForeignFiles) {
  std::unique_ptr<CSpriteVideo> v;
  EXPECT_NE(constructionMessages("missing.mp4", v).find("LOADING ERROR"), std::string::npos);
  expectInert(*v);

  make("whole.mp4", muted(1.0));
  std::ifstream in(path("whole.mp4"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (std::size_t cut : {std::size_t{0}, std::size_t{8}, std::size_t{40}, std::size_t{300}}) {
    dir.write("video/cut.mp4", bytes.substr(0, cut));
    const std::string err = constructionMessages("cut.mp4", v);
    EXPECT_FALSE(err.empty()) << cut;
    expectInert(*v);
  }
  dir.write("video/noise.mp4", std::string(5000, '\x5a'));
  constructionMessages("noise.mp4", v);
  expectInert(*v);
}

// Only a regular file of a sane size is opened, through the descriptor that
// was checked: a FIFO would block the open, /dev/zero and a sparse 4 GB file
// would be read into memory for ever. Each refusal names the file and why.
TEST_F(MovieTest, FilesThatAreNoMoviesAreRefusedBeforeAnythingIsRead) {
  ASSERT_EQ(mkfifo(path("fifo.mp4").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", path("zero.mp4"));
  std::filesystem::create_directories(path("folder.mp4"));
  {
    std::ofstream sparse(path("sparse.mp4"), std::ios::binary);
  }
  std::filesystem::resize_file(path("sparse.mp4"), 4ull << 30);
  const std::pair<const char*, const char*> cases[] = {{"fifo.mp4", "not a regular file"},
                                                       {"zero.mp4", "not a regular file"},
                                                       {"folder.mp4", "not a regular file"},
                                                       {"sparse.mp4", "larger than 128 MB"}};
  for (const auto& [name, why] : cases) {
    std::unique_ptr<CSpriteVideo> v;
    const std::string err = constructionMessages(name, v);
    EXPECT_NE(err.find("LOADING ERROR"), std::string::npos) << name;
    // A file that is no file is not found by the resolver either: the
    // message names it as asked for.
    EXPECT_NE(err.find(std::string(name) + ": " + why), std::string::npos) << err;
    expectInert(*v);
  }
  // A playlist names other files: the movie may open none of them.
  dir.write("video/list.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n/dev/zero\n#EXT-X-ENDLIST\n");
  std::unique_ptr<CSpriteVideo> list;
  constructionMessages("list.m3u8", list);
  expectInert(*list);
}

TEST_F(MovieTest, FileCutInsideItsPicturesPlaysWhatIsThere) {
  make("whole.mp4", muted(1.0));
  std::ifstream in(path("whole.mp4"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The MP4 writer puts its index last: cut it off and nothing can be found;
  // flip bytes in the middle and the pictures there are damaged.
  std::string damaged = bytes;
  for (std::size_t i = damaged.size() / 3; i < damaged.size() / 2; i += 7) damaged[i] = static_cast<char>(~damaged[i]);
  dir.write("video/damaged.mp4", damaged);
  std::unique_ptr<CSpriteVideo> v;
  constructionMessages("damaged.mp4", v);
  v->play(false);
  for (int i = 0; i < 100 && !v->isFinished(); ++i) v->update(33);
  EXPECT_TRUE(v->isFinished());
}

TEST_F(MovieTest, SoundWithoutPictures) {
  MovieOptions o;
  o.withVideo = false;
  o.seconds = 0.5;
  make("sound.mp4", o);
  std::unique_ptr<CSpriteVideo> v;
  EXPECT_NE(constructionMessages("sound.mp4", v).find("VIDEO STREAM ERROR"), std::string::npos);
  expectInert(*v);
}

}  // namespace
