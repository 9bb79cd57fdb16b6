// The texture registry without a GL context: sheet index and keys, texture
// coordinates, reference counts and purge, missing and broken files, the
// bound-texture cache, reloads and movie textures.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include <string>
#include <vector>

#include "RecordingTextureGl.h"
#include "render_engine/FrameDrawing.h"
#include "render_engine/TextureManager.h"
#include "render_engine/TexturePng.h"
#include "support/TempDir.h"
#include "tools/texture_writer.h"

using RenderEngine::CTexture;
using RenderEngine::ITexture;
using RenderEngine::TextureGlBackend;
using RenderEngine::TextureManager;
using RenderEngine::TexVertex;
using qmtest::recordedGl;
using texwriter::Picture;
using texwriter::Rgba;
using texwriter::SpriteRecord;

namespace {

class TextureManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recordedGl() = {};
    old_ = TextureGlBackend::set(qmtest::recordingBackend());
    tm.resetForTests();
  }
  void TearDown() override {
    tm.resetForTests();
    TextureGlBackend::set(old_);
  }

  std::string texturePath(const std::string& file) const { return (dir.path() / "textures" / file).string(); }
  void writeTexture(const std::string& file, const Picture& p, texwriter::PngFormat f = texwriter::PngFormat::Rgba8) {
    std::string error;
    ASSERT_TRUE(texwriter::writePng(texturePath(file), p, {f, false}, &error)) << error;
  }
  void writeIndex(const std::vector<SpriteRecord>& records) {
    ASSERT_TRUE(texwriter::writeFile(texturePath("tex.dat"), texwriter::encodeTexIndex(records)));
  }
  // Fetches a texture while capturing what goes to the error stream.
  ITexture* fetchQuietly(const std::string& name, std::string* err = nullptr) {
    testing::internal::CaptureStderr();
    ITexture* t = tm.getTexture(name);
    const std::string e = testing::internal::GetCapturedStderr();
    if (err != nullptr) *err = e;
    return t;
  }
  static CTexture* asC(ITexture* t) { return static_cast<CTexture*>(t); }

  qmtest::TempDir dir;
  qmtest::ScopedCwd cwd{dir.path()};
  TextureManager& tm = TextureManager::instance();
  TextureGlBackend old_{};
};

void fillSentinel(TexVertex (&v)[4]) {
  for (TexVertex& x : v) x = TexVertex{1, 2, 3, -7, -7};
}

// Corner 0 is (right, bottom), 1 (left, bottom), 2 (right, top), 3 (left, top).
void expectCorners(const TexVertex (&v)[4], float left, float top, float right, float bottom) {
  const float want[4][2] = {{right, bottom}, {left, bottom}, {right, top}, {left, top}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(v[i].u, want[i][0]) << i;
    EXPECT_FLOAT_EQ(v[i].v, want[i][1]) << i;
  }
}

}  // namespace

TEST_F(TextureManagerTest, PlainPictureUploadsPaddedAndItsCoordinatesCoverThePicture) {
  writeTexture("pic.bin", Picture(100, 50, Rgba{9, 8, 7, 255}));
  ITexture* t = fetchQuietly("pic");
  EXPECT_EQ(t->getImageHeight(), 50);
  EXPECT_EQ(t->getTextureWidth(), 128);
  ASSERT_EQ(recordedGl().images.size(), 1u);
  const qmtest::TexImageCall& up = recordedGl().images[0];
  EXPECT_EQ(up.texture, asC(t)->getGlName());
  EXPECT_EQ(up.width, 128);
  EXPECT_EQ(up.height, 64);
  EXPECT_EQ(up.format, static_cast<GLenum>(GL_RGBA));
  EXPECT_EQ(up.firstBytes, (std::vector<std::uint8_t>{9, 8, 7, 255}));

  TexVertex v[4];
  fillSentinel(v);
  tm.setupTexCoords(v, "pic");
  expectCorners(v, 0, 0, 0.78125f, 0.78125f);
  EXPECT_EQ(v[0].x, 1.0f);  // positions are the sprite's business
  EXPECT_EQ(t->getRefCount(), 1);  // the query gave its reference back
  EXPECT_EQ(recordedGl().images.size(), 1u);  // decoded once
  t->release(true);
}

TEST_F(TextureManagerTest, AtlasSpritesLiveOnTheirSheet) {
  writeIndex({{12, 3, 10, 20, 30, 40}, {13, 3, 50, 0, 8, 8}, {7, 0, 0, 0, 16, 16}});
  writeTexture("tex3.bin", Picture(100, 60, Rgba{1, 2, 3, 255}));
  writeTexture("12.bin", Picture(4, 4));  // a plain file of the same name is not used

  // A size query as the very first request already knows the index.
  EXPECT_EQ(tm.getTextureWidth("12"), 30);
  EXPECT_EQ(tm.getTextureHeight("12"), 40);
  EXPECT_EQ(tm.findAtlasSheet("14"), -1);
  EXPECT_EQ(tm.storedCount(), 0u);  // atlas sizes come from the index alone

  ITexture* a = tm.getTexture("12");
  ITexture* b = tm.getTexture("13");
  EXPECT_EQ(a, b);
  EXPECT_EQ(tm.findStored("tex3"), a);
  EXPECT_EQ(tm.findStored("12"), nullptr);
  EXPECT_EQ(a->getRefCount(), 2);

  TexVertex v[4];
  tm.setupTexCoords(v, "12");
  expectCorners(v, 10.0f / 128, 20.0f / 64, 40.0f / 128, 60.0f / 64);

  // Sheet 0 is missing: an empty texture, and its sprite keeps no coordinates.
  TexVertex w[4];
  fillSentinel(w);
  tm.setupTexCoords(w, "7");
  EXPECT_EQ(w[0].u, -7.0f);
  EXPECT_EQ(tm.findStored("tex0")->getImageWidth(), 0);
  a->release(true);
  b->release(true);
  EXPECT_EQ(tm.findStored("tex3"), nullptr);
}

TEST_F(TextureManagerTest, IndexRecordsAreLittleEndianAndAPartialOneIsIgnored) {
  std::vector<std::uint8_t> bytes = texwriter::encodeTexIndex({{-2, 1, 258, -3, 300, 2}, {5, 1, 0, 0, 1, 1},
                                                                {5, 2, 4, 4, 2, 2}});  // 5 again: replaces
  bytes.insert(bytes.end(), {9, 0, 1, 0, 0});  // a record cut short
  ASSERT_TRUE(texwriter::writeFile(texturePath("tex.dat"), bytes));
  tm.loadAtlasIndex(texturePath("tex.dat"));
  EXPECT_FALSE(tm.isAtlasIndexPending());
  const RenderEngine::TextureAtlasEntry* e = tm.findAtlasEntry("-2");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ((std::vector<float>{float(e->sheet), e->x, e->y, e->width, e->height}),
            (std::vector<float>{1, 258, -3, 300, 2}));
  EXPECT_EQ(tm.findAtlasSheet("5"), 2);
  EXPECT_EQ(tm.findAtlasSheet("9"), -1);
}

TEST_F(TextureManagerTest, MissingIndexIsReportedOnceAndNamesArePlainFiles) {
  writeTexture("12.bin", Picture(20, 10));
  std::string err;
  ITexture* t = fetchQuietly("12", &err);
  EXPECT_EQ(err, "Error loading texture index\n");
  EXPECT_TRUE(tm.hasAtlasIndexFailed());
  EXPECT_EQ(t->getImageWidth(), 20);
  EXPECT_EQ(tm.findStored("12"), t);
  // The index appearing later changes nothing: a failure is not retried.
  writeIndex({{12, 3, 0, 0, 5, 5}});
  ITexture* u = fetchQuietly("12", &err);
  EXPECT_EQ(err, "");
  EXPECT_EQ(u, t);
  EXPECT_EQ(tm.findAtlasSheet("12"), -1);
  EXPECT_EQ(tm.getTextureWidth("12"), 20);
  t->release(true);
  u->release(true);
}

TEST_F(TextureManagerTest, FilesThatAreNoFilesAreRefusedWithoutBlocking) {
  // A FIFO blocks a plain open until someone writes; /dev/zero never ends.
  std::filesystem::create_directories(dir.path() / "textures");
  ASSERT_EQ(mkfifo(texturePath("tex.dat").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(texturePath("fifo.bin").c_str(), 0600), 0);
  std::string err;
  ITexture* t = fetchQuietly("fifo", &err);
  EXPECT_EQ(err, "Error loading texture index\n");
  EXPECT_EQ(t->getImageWidth(), 0);
  t->release(true);

  tm.resetForTests();
  std::filesystem::remove(texturePath("tex.dat"));
  std::filesystem::create_symlink("/dev/zero", texturePath("tex.dat"));
  testing::internal::CaptureStderr();
  tm.loadAtlasIndex(texturePath("tex.dat"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error loading texture index\n");
  EXPECT_TRUE(tm.hasAtlasIndexFailed());
}

TEST_F(TextureManagerTest, ReferencesAreCountedAndTheLastPurgingReleaseDeletes) {
  writeIndex({});
  writeTexture("a.bin", Picture(8, 8));
  writeTexture("b.bin", Picture(8, 8));
  ITexture* a1 = tm.getTexture("a");
  ITexture* a2 = tm.getTexture("a");
  ASSERT_EQ(a1, a2);
  EXPECT_EQ(a1->getRefCount(), 2);
  const GLuint name = asC(a1)->getGlName();
  a1->release(true);
  EXPECT_EQ(tm.findStored("a"), a2);
  EXPECT_TRUE(recordedGl().deleted.empty());
  a2->release(true);
  EXPECT_EQ(tm.findStored("a"), nullptr);
  EXPECT_EQ(recordedGl().deleted, std::vector<GLuint>{name});

  // A texture fetched only for a query stays, unreferenced, until a purge.
  EXPECT_EQ(tm.getTextureWidth("b"), 8);
  ASSERT_NE(tm.findStored("b"), nullptr);
  EXPECT_EQ(tm.findStored("b")->getRefCount(), 0);
  ITexture* keep = tm.getTexture("a");
  keep->release(false);  // without purge: kept
  EXPECT_NE(tm.findStored("a"), nullptr);
  tm.purgeUnused();
  EXPECT_EQ(tm.storedCount(), 0u);
}

TEST_F(TextureManagerTest, MissingFileIsAnEmptyTextureThatIsNotProbedAgain) {
  writeIndex({});
  ITexture* t = tm.getTexture("ghost");
  EXPECT_EQ(t->getTextureWidth(), 0);
  EXPECT_TRUE(recordedGl().generated.empty());
  EXPECT_EQ(tm.getTextureWidth("ghost"), 0);
  TexVertex v[4];
  fillSentinel(v);
  tm.setupTexCoords(v, "ghost");
  EXPECT_EQ(v[3].u, -7.0f);

  // The file turning up later is not seen while the texture is still known...
  writeTexture("ghost.bin", Picture(16, 16));
  ITexture* again = tm.getTexture("ghost");
  EXPECT_EQ(again, t);
  EXPECT_EQ(t->getImageWidth(), 0);
  t->release(true);
  again->release(true);
  // ...and is once the last holder has let go.
  EXPECT_EQ(tm.storedCount(), 0u);
  ITexture* found = tm.getTexture("ghost");
  EXPECT_EQ(found->getImageWidth(), 16);
  found->release(true);
}

TEST_F(TextureManagerTest, BrokenPictureUploadsNothingAndHasNoSize) {
  writeIndex({});
  std::vector<std::uint8_t> png = texwriter::encodePng(Picture(64, 64, Rgba{1, 1, 1, 1}));
  png.resize(100);
  ASSERT_TRUE(texwriter::writeFile(texturePath("broken.bin"), png));
  testing::internal::CaptureStdout();
  ITexture* t = tm.getTexture("broken");
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "ERROR: could not load " + texturePath("broken.bin") + "\n");
  EXPECT_EQ(t->getImageHeight(), 0);
  EXPECT_EQ(t->getTextureWidth(), 0);
  EXPECT_TRUE(recordedGl().generated.empty());
  // Not decoded again on the next request either.
  testing::internal::CaptureStdout();
  ITexture* again = tm.getTexture("broken");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  again->release(false);

  // A good texture whose file breaks before a reload loses its picture.
  writeTexture("good.bin", Picture(8, 8));
  ITexture* good = tm.getTexture("good");
  ASSERT_EQ(good->getImageWidth(), 8);
  const GLuint name = asC(good)->getGlName();
  ASSERT_TRUE(texwriter::writeFile(texturePath("good.bin"), png));
  testing::internal::CaptureStdout();
  EXPECT_FALSE(asC(good)->loadFromPng(texturePath("good.bin")));
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(good->getTextureWidth(), 0);
  EXPECT_EQ(recordedGl().deleted, std::vector<GLuint>{name});
  t->release(true);
  good->release(true);
}

TEST_F(TextureManagerTest, BindSkipsTheBoundTextureUntilATextureIsDeleted) {
  writeIndex({});
  writeTexture("a.bin", Picture(4, 4));
  writeTexture("b.bin", Picture(4, 4));
  writeTexture("c.bin", Picture(4, 4));
  recordedGl().reuseNames = true;
  ITexture* a = tm.getTexture("a");
  ITexture* b = tm.getTexture("b");
  const GLuint nameA = asC(a)->getGlName();
  const GLuint nameB = asC(b)->getGlName();
  recordedGl().binds.clear();
  a->bind();
  a->bind();
  b->bind();
  b->bind();
  EXPECT_EQ(recordedGl().binds, (std::vector<GLuint>{nameA, nameB}));
  EXPECT_EQ(RenderEngine::boundTexture(), static_cast<std::int64_t>(nameB));

  // A purge that deletes something forgets which texture is bound.
  tm.getTextureWidth("c");
  tm.purgeUnused();
  EXPECT_EQ(RenderEngine::boundTexture(), RenderEngine::kNoBoundTexture);
  b->bind();
  EXPECT_EQ(recordedGl().binds.back(), nameB);

  // Dropping GL textures does too: a new texture handed the same name as the
  // deleted, once-bound one must really be bound before its upload.
  tm.reloadAll(0);
  EXPECT_EQ(asC(a)->getGlName(), 0u);
  EXPECT_EQ(a->getImageWidth(), 4);  // sizes stay
  recordedGl().images.clear();
  ITexture* c = tm.getTexture("c");
  EXPECT_EQ(asC(c)->getGlName(), nameB);  // reused by the driver
  ASSERT_EQ(recordedGl().images.size(), 1u);
  EXPECT_EQ(recordedGl().images[0].texture, nameB);
  a->release(true);
  b->release(true);
  c->release(true);
}

TEST_F(TextureManagerTest, ReloadRebuildsFileTexturesInKeyOrderAndSkipsMovies) {
  writeIndex({{12, 1, 0, 0, 4, 4}});
  writeTexture("tex1.bin", Picture(16, 16, Rgba{1, 0, 0, 255}));
  writeTexture("b.bin", Picture(8, 8, Rgba{2, 0, 0, 255}));
  writeTexture("a.bin", Picture(8, 8, Rgba{3, 0, 0, 255}));
  ITexture* b = tm.getTexture("b");
  ITexture* a = tm.getTexture("a");
  ITexture* sheet = tm.getTexture("12");
  ITexture* ghost = tm.getTexture("ghost");  // no file
  const std::uint8_t frame[4 * 4 * 4] = {};
  ITexture* movie = tm.createMovieTexture("videotextureslot0", frame, 3, 3, 4, 4, true);

  recordedGl().images.clear();
  tm.reloadAll(2);
  for (ITexture* t : {a, b, sheet}) EXPECT_NE(asC(t)->getGlName(), 0u);
  EXPECT_EQ(asC(movie)->getGlName(), 0u);  // dropped, back with its next frame
  std::vector<std::uint8_t> order;
  for (const auto& call : recordedGl().images) order.push_back(call.firstBytes[0]);
  EXPECT_EQ(order, (std::vector<std::uint8_t>{3, 2, 1}));  // "a", "b", "tex1"
  EXPECT_EQ(ghost->getImageWidth(), 0);
  EXPECT_EQ(RenderEngine::boundTexture(), RenderEngine::kNoBoundTexture);
  EXPECT_EQ(movie->getImageWidth(), 3);

  ITexture* next = tm.updateMovieTexture("videotextureslot0", frame, 3, 3, 4, 4, true);
  EXPECT_EQ(next, movie);
  EXPECT_NE(asC(movie)->getGlName(), 0u);
  next->release(false);
  for (ITexture* t : {a, b, sheet, ghost, movie}) t->release(true);
  EXPECT_EQ(tm.storedCount(), 0u);
}

TEST_F(TextureManagerTest, MovieTexturesUploadRawFramesAndKeepTheirSizes) {
  std::vector<std::uint8_t> rgb(4 * 2 * 3, 0);
  rgb[0] = 200;
  ITexture* t = tm.createMovieTexture("videotextureslot1", rgb.data(), 3, 2, 4, 2, false);
  EXPECT_EQ(tm.findStored("videotextureslot1"), t);
  EXPECT_EQ(t->getTextureWidth(), 4);
  ASSERT_EQ(recordedGl().images.size(), 1u);
  EXPECT_EQ(recordedGl().images[0].format, static_cast<GLenum>(GL_RGB));
  EXPECT_EQ(recordedGl().images[0].internalFormat, GL_RGB);
  EXPECT_EQ(recordedGl().images[0].firstBytes[0], 200);

  std::vector<std::uint8_t> rgba(8 * 4 * 4, 7);
  ITexture* u = tm.updateMovieTexture("videotextureslot1", rgba.data(), 5, 3, 8, 4, true);
  EXPECT_EQ(u, t);
  ASSERT_EQ(recordedGl().images.size(), 2u);
  EXPECT_EQ(recordedGl().images[1].format, static_cast<GLenum>(GL_RGBA));
  EXPECT_EQ(t->getImageWidth(), 3);  // the stored sizes are the first frame's
  u->release(false);

  // Sizes that do not describe the buffer upload nothing.
  asC(t)->uploadImage(rgba.data(), 9, 3, 8, 4, true);
  asC(t)->uploadImage(rgba.data(), 0, 3, 8, 4, true);
  asC(t)->uploadImage(nullptr, 5, 3, 8, 4, true);
  EXPECT_EQ(recordedGl().images.size(), 2u);

  // The upload reports its own error...
  recordedGl().errorOnUpload = GL_INVALID_VALUE;
  testing::internal::CaptureStdout();
  asC(t)->uploadImage(rgba.data(), 5, 3, 8, 4, true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error loadTextureFromMovieImage1281\n");
  EXPECT_FALSE(RenderEngine::takeDrainedInvalidOperation());
  // ...but not one that earlier code left, which stays for the end-of-frame check.
  recordedGl().pendingError = GL_INVALID_OPERATION;
  testing::internal::CaptureStdout();
  asC(t)->uploadImage(rgba.data(), 5, 3, 8, 4, true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(RenderEngine::takeDrainedInvalidOperation());
  t->release(true);
  EXPECT_EQ(tm.storedCount(), 0u);
}

// --- The texture writer's manifest, as the sample data build uses it ----------

TEST(TextureManifest, RejectsMistakesWithTheirLine) {
  texwriter::Manifest m;
  std::string error;
  EXPECT_FALSE(texwriter::parseManifest("sprite 1 a 4 4 sheep\n", m, &error));
  EXPECT_EQ(error, "line 1: a sprite must follow a sheet line");
  EXPECT_FALSE(texwriter::parseManifest("# c\nsheet 0\nsprite 1 a 4 4 sheep\nsprite 1 b 4 4 wolf\n", m, &error));
  EXPECT_EQ(error, "line 4: sprite id 1 appears twice");
  EXPECT_FALSE(texwriter::parseManifest("texture t 4 4 rgba block zz\n", m, &error));
  EXPECT_EQ(error, "line 1: block: argument 1 must be a colour RRGGBB or RRGGBBAA");
  EXPECT_FALSE(texwriter::parseManifest("texture tex3 4 4 rgba sheep\n", m, &error));
  EXPECT_FALSE(texwriter::parseManifest("texture ../x 4 4 rgba sheep\n", m, &error));
  EXPECT_FALSE(texwriter::parseManifest("sheet 0 64\nsprite 1 a 65 4 sheep\n", m, &error));
  EXPECT_TRUE(texwriter::parseManifest("sheet 0 64\nsprite 1 a 64 4 sheep\n", m, &error)) << error;
}

TEST_F(TextureManagerTest, SampleManifestBuildsATreeTheManagerReads) {
  const std::vector<std::uint8_t> text = texwriter::readFile(QM_TEST_SOURCE_DIR "/data/textures/textures.txt");
  ASSERT_FALSE(text.empty());
  texwriter::Manifest m;
  std::string error;
  ASSERT_TRUE(texwriter::parseManifest(std::string(text.begin(), text.end()), m, &error)) << error;
  ASSERT_TRUE(texwriter::buildTextures(m, dir.str(), &error)) << error;
  ASSERT_FALSE(m.sheets.empty());
  EXPECT_TRUE(tm.isAtlasIndexPending());
  for (const texwriter::ManifestSheet& sheet : m.sheets) {
    for (const texwriter::NamedSprite& s : sheet.sprites) {
      const std::string name = std::to_string(s.id);
      EXPECT_EQ(tm.getTextureWidth(name), s.picture.width()) << s.label;
      EXPECT_EQ(tm.findAtlasSheet(name), sheet.number) << s.label;
      // The sprite's pixels sit where the index says on the decoded sheet.
      const RenderEngine::TextureAtlasEntry* e = tm.findAtlasEntry(name);
      int tw = 0, th = 0, iw = 0, ih = 0;
      RenderEngine::PixelBuffer px = RenderEngine::loadPngImage(
          texturePath("tex" + std::to_string(sheet.number) + ".bin"), tw, th, iw, ih);
      ASSERT_TRUE(px);
      const int cx = s.picture.width() / 2;
      const int cy = s.picture.height() / 2;
      const std::uint8_t* p = &px[((static_cast<std::size_t>(e->y) + cy) * tw + static_cast<std::size_t>(e->x) + cx) * 4];
      EXPECT_EQ((Rgba{p[0], p[1], p[2], p[3]}), s.picture.at(cx, cy)) << s.label;
    }
  }
  for (const texwriter::ManifestTexture& t : m.textures) {
    EXPECT_EQ(tm.getTextureWidth(t.name), t.picture.width()) << t.name;
  }
  tm.purgeUnused();
}

// Shapes are drawn with several samples a pixel: the rim of a disc is partly
// covered, its centre and the corners are not; a "double" sheet keeps its
// sprites at twice the size given, as smooth.
TEST(TextureManifest, ShapesHaveSmoothEdgesAndDoubleSheetsTwiceTheSize) {
  texwriter::Picture disc;
  ASSERT_TRUE(texwriter::drawPicture("disc", {"ff0000"}, 16, 16, disc));
  ASSERT_EQ(disc.width(), 16);
  EXPECT_EQ(disc.density(), 1);
  EXPECT_EQ(disc.at(8, 8).a, 255);
  EXPECT_EQ(disc.at(0, 0).a, 0);
  int partial = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const texwriter::Rgba p = disc.at(x, y);
      if (p.a > 0 && p.a < 255) {
        ++partial;
        EXPECT_EQ(p.r, 255) << "no dark fringe at " << x << "," << y;
      }
    }
  }
  EXPECT_GE(partial, 20);
  texwriter::Picture twice;
  ASSERT_TRUE(texwriter::drawPicture("disc", {"ff0000"}, 16, 16, twice, nullptr, 2));
  EXPECT_EQ(twice.width(), 32);
  EXPECT_EQ(twice.height(), 32);
  EXPECT_EQ(twice.at(16, 16).a, 255);
  // Flat drawings stay exact.
  texwriter::Picture fill;
  ASSERT_TRUE(texwriter::drawPicture("fill", {"10203040"}, 3, 2, fill));
  EXPECT_EQ(fill.at(2, 1), (texwriter::Rgba{16, 32, 48, 64}));
  std::string error;
  EXPECT_FALSE(texwriter::drawPicture("disc", {"ff0000"}, 16, 16, twice, &error, 0));
  EXPECT_FALSE(texwriter::drawPicture("disc", {"ff0000"}, 5000, 16, twice, &error, 2));

  texwriter::Manifest m;
  ASSERT_TRUE(texwriter::parseManifest("sheet 3 64 double\nsprite 7 a 10 6 disc ffffff\n", m, &error)) << error;
  ASSERT_EQ(m.sheets.size(), 1u);
  EXPECT_EQ(m.sheets[0].maxSide, 64);
  EXPECT_EQ(m.sheets[0].sprites[0].picture.width(), 20);
  EXPECT_EQ(m.sheets[0].sprites[0].picture.height(), 12);
  EXPECT_FALSE(texwriter::parseManifest("sheet 3 64 double\nsprite 7 a 40 6 disc ffffff\n", m, &error));
  EXPECT_EQ(error, "line 2: sprite 7 is larger than its sheet (64)");
}
