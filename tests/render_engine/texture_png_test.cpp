// PNG decoding: every colour type, bit depth and interlacing comes out as RGBA
// in a zero-padded power-of-two buffer; broken files give nothing, safely.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "render_engine/TexturePng.h"
#include "support/TempDir.h"
#include "tools/texture_writer.h"

using RenderEngine::loadPngImage;
using RenderEngine::nextPowerOfTwo;
using texwriter::Picture;
using texwriter::PngFormat;
using texwriter::Rgba;

namespace {

// Every channel varies independently, alpha included.
Picture richPicture(int w, int h) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      p.set(x, y,
            Rgba{static_cast<std::uint8_t>(x * 7 + y * 13), static_cast<std::uint8_t>(x * 5 + 3),
                 static_cast<std::uint8_t>(y * 11 + 1), static_cast<std::uint8_t>((x * 17 + y * 3) & 0xFF)});
    }
  }
  // Black somewhere, for the grey picture whose value 0 is transparent.
  p.set(0, 0, Rgba{0, 0, 0, 255});
  return p;
}

// A few colours, some translucent, one fully transparent.
Picture palettePicture(int w, int h) {
  const Rgba colours[] = {{255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 0}, {10, 20, 30, 255}, {200, 100, 50, 7}};
  Picture p(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) p.set(x, y, colours[(x + 2 * y) % 5]);
  }
  return p;
}

struct Decoded {
  RenderEngine::PixelBuffer pixels;
  int textureWidth = -1, textureHeight = -1, imageWidth = -1, imageHeight = -1;
};

Decoded decodeFile(const std::string& path) {
  Decoded d;
  d.pixels = loadPngImage(path, d.textureWidth, d.textureHeight, d.imageWidth, d.imageHeight);
  return d;
}

// Compares the decoded buffer with want in the top-left corner and zeros around.
void expectPixels(const Decoded& d, const Picture& want, const std::string& what) {
  ASSERT_TRUE(d.pixels) << what;
  ASSERT_EQ(d.imageWidth, want.width()) << what;
  ASSERT_EQ(d.imageHeight, want.height()) << what;
  EXPECT_EQ(d.textureWidth, nextPowerOfTwo(want.width())) << what;
  EXPECT_EQ(d.textureHeight, nextPowerOfTwo(want.height())) << what;
  int wrong = 0;
  for (int y = 0; y < d.textureHeight && wrong < 5; ++y) {
    for (int x = 0; x < d.textureWidth && wrong < 5; ++x) {
      const std::uint8_t* p = &d.pixels[(static_cast<std::size_t>(y) * d.textureWidth + x) * 4];
      const Rgba got{p[0], p[1], p[2], p[3]};
      const bool inside = x < want.width() && y < want.height();
      const Rgba expected = inside ? want.at(x, y) : Rgba{0, 0, 0, 0};
      if (got != expected) {
        ++wrong;
        ADD_FAILURE() << what << " at " << x << "," << y << ": got " << int(got.r) << " " << int(got.g) << " "
                      << int(got.b) << " " << int(got.a) << ", want " << int(expected.r) << " " << int(expected.g)
                      << " " << int(expected.b) << " " << int(expected.a);
      }
    }
  }
}

class PngTest : public ::testing::Test {
 protected:
  std::string put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = (dir.path() / name).string();
    EXPECT_TRUE(texwriter::writeFile(path, bytes));
    return path;
  }
  std::string put(const std::string& name, const Picture& p, texwriter::PngOptions o = {}) {
    std::string error;
    std::vector<std::uint8_t> bytes = texwriter::encodePng(p, o, &error);
    EXPECT_FALSE(bytes.empty()) << error;
    return put(name, bytes);
  }
  // Decodes path expecting failure: nothing returned, sizes 0, the message.
  void expectRefused(const std::string& path, const std::string& what) {
    testing::internal::CaptureStdout();
    Decoded d = decodeFile(path);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(d.pixels) << what;
    EXPECT_EQ(d.imageWidth, 0) << what;
    EXPECT_EQ(d.imageHeight, 0) << what;
    EXPECT_EQ(d.textureWidth, 0) << what;
    EXPECT_EQ(d.textureHeight, 0) << what;
    EXPECT_EQ(out, "ERROR: could not load " + path + "\n") << what;
  }
  qmtest::TempDir dir;
};

std::uint32_t crc32Of(const std::uint8_t* data, std::size_t n) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < n; ++i) {
    c ^= data[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return ~c;
}

void putBigEndian(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v >> 24);
  b[at + 1] = static_cast<std::uint8_t>(v >> 16);
  b[at + 2] = static_cast<std::uint8_t>(v >> 8);
  b[at + 3] = static_cast<std::uint8_t>(v);
}

// Rewrites the header's size, with a correct checksum, so only the size is wrong.
std::vector<std::uint8_t> withHeaderSize(std::vector<std::uint8_t> png, std::uint32_t w, std::uint32_t h) {
  // Signature (8), IHDR length (4), "IHDR" at 12, data at 16, CRC at 29.
  putBigEndian(png, 16, w);
  putBigEndian(png, 20, h);
  putBigEndian(png, 29, crc32Of(&png[12], 17));
  return png;
}

}  // namespace

TEST(NextPowerOfTwo, RaisesToThePowerAtOrAbove) {
  // The last: no such 32-bit value.
  const std::pair<int, int> rows[] = {{-5, 1},   {0, 1},      {1, 1},    {3, 4},
                                      {64, 64},  {65, 128},   {801, 1024}, {(1 << 30) + 1, 0}};
  for (auto [in, out] : rows) EXPECT_EQ(nextPowerOfTwo(in), out) << in;
}

TEST_F(PngTest, EveryColourTypeDecodesToRgba) {
  const Picture rich = richPicture(37, 21);
  const Picture few = palettePicture(37, 21);
  const std::pair<PngFormat, const char*> formats[] = {
      {PngFormat::Rgba8, "rgba"},       {PngFormat::Rgb8, "rgb"},           {PngFormat::Palette8, "palette+tRNS"},
      {PngFormat::Grey1, "grey1"},      {PngFormat::Grey2, "grey2"},        {PngFormat::Grey4, "grey4"},
      {PngFormat::Grey8, "grey8"},      {PngFormat::GreyTrns8, "grey+tRNS"}, {PngFormat::GreyAlpha8, "grey+alpha"},
      {PngFormat::Rgb16, "rgb16"},      {PngFormat::Rgba16, "rgba16"},      {PngFormat::Grey16, "grey16"},
      {PngFormat::GreyAlpha16, "grey+alpha16"},
  };
  for (const auto& [format, name] : formats) {
    for (bool interlaced : {false, true}) {
      const std::string what = std::string(name) + (interlaced ? " interlaced" : "");
      const Picture& source = format == PngFormat::Palette8 ? few : rich;
      const std::string path = put(what + ".bin", source, {format, interlaced});
      expectPixels(decodeFile(path), texwriter::expectedDecode(source, format), what);
    }
  }
}

TEST_F(PngTest, OddAndLargeSizesArePaddedWithZeros) {
  // One-pixel-wide grey rows are where a 4-byte copy would overrun the most.
  for (auto [w, h] : {std::pair{1, 1}, {1, 9}, {9, 1}, {3, 5}, {100, 50}, {801, 3}}) {
    const Picture p = richPicture(w, h);
    for (PngFormat f : {PngFormat::Grey1, PngFormat::GreyAlpha8, PngFormat::Rgb8}) {
      const std::string what = std::to_string(w) + "x" + std::to_string(h) + " format " + std::to_string(int(f));
      expectPixels(decodeFile(put("p.bin", p, {f, false})), texwriter::expectedDecode(p, f), what);
    }
  }
}

TEST_F(PngTest, MissingEmptyAndForeignFilesAreRefused) {
  expectRefused((dir.path() / "none.bin").string(), "missing");
  expectRefused(dir.str(), "a folder");
  expectRefused(put("empty.bin", std::vector<std::uint8_t>{}), "empty");
  const std::string text = "GIF89a is not what this is\n";
  expectRefused(put("text.bin", std::vector<std::uint8_t>(text.begin(), text.end())), "not a PNG");
  std::vector<std::uint8_t> signatureOnly = texwriter::encodePng(richPicture(4, 4));
  signatureOnly.resize(8);
  expectRefused(put("sig.bin", signatureOnly), "signature only");
}

TEST_F(PngTest, TruncatedFilesGiveNothingOrTheWholePicture) {
  const Picture p = richPicture(40, 30);
  for (bool interlaced : {false, true}) {
    const std::vector<std::uint8_t> good = texwriter::encodePng(p, {PngFormat::Rgba8, interlaced});
    ASSERT_GT(good.size(), 200u);
    expectRefused(put("cut100.bin", std::vector<std::uint8_t>(good.begin(), good.begin() + 100)), "first 100 bytes");
    // Every cut: either refused cleanly or, when only trailing bytes after the
    // image rows are lost, the full picture.
    for (std::size_t cut = 0; cut < good.size(); cut += 7) {
      const std::string path = put("cut.bin", std::vector<std::uint8_t>(good.begin(), good.begin() + cut));
      testing::internal::CaptureStdout();
      Decoded d = decodeFile(path);
      testing::internal::GetCapturedStdout();
      if (d.pixels) {
        expectPixels(d, p, "cut at " + std::to_string(cut));
      } else {
        EXPECT_EQ(d.imageWidth, 0) << cut;
        EXPECT_EQ(d.textureWidth, 0) << cut;
      }
    }
  }
}

TEST_F(PngTest, DamagedDataAndHostileHeadersAreRefused) {
  const std::vector<std::uint8_t> good = texwriter::encodePng(richPicture(40, 30));
  std::vector<std::uint8_t> flipped = good;
  flipped[good.size() - 30] ^= 0x10;  // inside the image data: its checksum no longer matches
  expectRefused(put("flipped.bin", flipped), "damaged data");

  std::vector<std::uint8_t> badHeaderCrc = good;
  badHeaderCrc[20] ^= 0x01;
  expectRefused(put("hdr.bin", badHeaderCrc), "header checksum");

  // Sizes the data cannot fill, or that no texture could hold: refused before
  // any pixel memory is taken.
  expectRefused(put("huge.bin", withHeaderSize(good, 100000, 100000)), "100000 x 100000");
  expectRefused(put("over.bin", withHeaderSize(good, RenderEngine::kMaxPictureSide + 1, 30)), "over the limit");
  expectRefused(put("zero.bin", withHeaderSize(good, 0, 30)), "zero width");
  expectRefused(put("neg.bin", withHeaderSize(good, 0x80000000u, 30)), "width beyond 31 bits");
  expectRefused(put("short.bin", withHeaderSize(good, 40, 3000)), "more rows than the data holds");
}

// A picture larger than any the game draws is refused from its header, and
// the refusal names the file and its size; a caller may ask for less (the
// driver's largest texture).
TEST_F(PngTest, APictureLargerThanTheLargestTextureIsRefusedFromItsHeader) {
  const std::vector<std::uint8_t> good = texwriter::encodePng(richPicture(40, 30));
  const std::string path = put("8192.bin", withHeaderSize(good, 8192, 8192));
  testing::internal::CaptureStderr();
  expectRefused(path, "8192 x 8192");
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("picture " + path + ": 8192x8192 is larger than 2048x2048"), std::string::npos) << said;

  const std::string small = put("small.bin", richPicture(40, 30));
  Decoded fits;
  fits.pixels = loadPngImage(small, fits.textureWidth, fits.textureHeight, fits.imageWidth, fits.imageHeight,
                            RenderEngine::TextureSides::PowerOfTwo, 64);
  expectPixels(fits, richPicture(40, 30), "within 64");
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  Decoded refused;
  refused.pixels =
      loadPngImage(small, refused.textureWidth, refused.textureHeight, refused.imageWidth, refused.imageHeight,
                   RenderEngine::TextureSides::PowerOfTwo, 32);
  testing::internal::GetCapturedStdout();
  const std::string over = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(refused.pixels);
  EXPECT_EQ(refused.imageWidth, 0);
  EXPECT_NE(over.find("40x30 is larger than 32x32"), std::string::npos) << over;
}
