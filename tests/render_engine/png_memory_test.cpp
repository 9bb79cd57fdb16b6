// What decoding a hostile picture costs in memory. The test binary puts its
// own malloc in front of the C library's, so every allocation libpng makes is
// seen; the sanitizer builds bring their own allocator and skip this test.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "render_engine/TexturePng.h"
#include "support/TempDir.h"
#include "tools/texture_writer.h"

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
}

namespace {
std::atomic<std::size_t> g_largestRequest{0};
void note(std::size_t n) {
  std::size_t seen = g_largestRequest.load();
  while (n > seen && !g_largestRequest.compare_exchange_weak(seen, n)) {
  }
}
}  // namespace

extern "C" {
void* malloc(std::size_t n) {
  note(n);
  return __libc_malloc(n);
}
void* calloc(std::size_t count, std::size_t n) {
  note(count * n);
  return __libc_calloc(count, n);
}
void* realloc(void* p, std::size_t n) {
  note(n);
  return __libc_realloc(p, n);
}
void free(void* p) { __libc_free(p); }
}

namespace {

void putBigEndian(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v >> 24);
  b[at + 1] = static_cast<std::uint8_t>(v >> 16);
  b[at + 2] = static_cast<std::uint8_t>(v >> 8);
  b[at + 3] = static_cast<std::uint8_t>(v);
}

TEST(PngMemory, AChunkClaimingGigabytesTakesNoGigabytes) {
  qmtest::TempDir dir;
  // Signature and header of a real 4 x 4 picture, then a text chunk whose
  // length field claims 2 GB, and three bytes of it: 44 bytes in all.
  std::vector<std::uint8_t> png = texwriter::encodePng(texwriter::Picture(4, 4));
  png.resize(33);
  png.insert(png.end(), {0, 0, 0, 0, 't', 'E', 'X', 't', 'k', 0, 'v'});
  putBigEndian(png, 33, 0x7FFFFFF0u);
  ASSERT_EQ(png.size(), 44u);
  const std::string path = (dir.path() / "claim.bin").string();
  ASSERT_TRUE(texwriter::writeFile(path, png));

  int tw = 0, th = 0, iw = 0, ih = 0;
  testing::internal::CaptureStdout();
  g_largestRequest = 0;
  RenderEngine::PixelBuffer pixels = RenderEngine::loadPngImage(path, tw, th, iw, ih);
  const std::size_t largest = g_largestRequest.load();
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(pixels, nullptr);
  EXPECT_LT(largest, std::size_t{64} << 20) << "largest single allocation";
}

}  // namespace
