// Texture loading cost: decode and upload of a 1024x1024 RGBA picture against
// plain libpng decoding of the same file, all in one run. The upload needs a
// display (run under xvfb-run); without one those cases are skipped.
//
// The figure to watch: BM_DecodeAndUpload / BM_PlainLibpngDecode. Other builds
// running at the same time move both; compare medians of an interleaved run:
//   xvfb-run -a build/bench/bench_textures --benchmark_repetitions=20
//     --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
// (one command line).
#include <GL/freeglut.h>
#include "support/GlWindow.h"
#include <benchmark/benchmark.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "render_engine/Texture.h"
#include "render_engine/TexturePng.h"
#include "tools/texture_writer.h"

namespace {

// The test picture, written once per run and removed at exit.
struct PictureFile {
  PictureFile() : path((std::filesystem::temp_directory_path() / "qm_bench_texture_1024.png").string()) {
    texwriter::Picture picture(1024, 1024);
    std::string error;
    if (!texwriter::drawPicture("noise", {"11"}, 1024, 1024, picture, &error) ||
        !texwriter::writePng(path, picture, {}, &error)) {
      std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), error.c_str());
      std::abort();
    }
  }
  ~PictureFile() { std::remove(path.c_str()); }
  std::string path;
};

const std::string& picturePath() {
  static const PictureFile file;
  return file.path;
}

// libpng as it comes: no transforms, one allocation for the rows.
bool plainDecode(const std::string& path, std::unique_ptr<std::uint8_t[]>& out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_read_info(png, info);
  const png_uint_32 h = png_get_image_height(png, info);
  const png_size_t rowBytes = png_get_rowbytes(png, info);
  out.reset(new std::uint8_t[rowBytes * h]);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = out.get() + rowBytes * y;
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return true;
}

bool ensureGlContext() {
  return qmtest::openGlWindow("bench_textures");
}

void BM_PlainLibpngDecode(benchmark::State& state) {
  const std::string& path = picturePath();
  for (auto _ : state) {
    std::unique_ptr<std::uint8_t[]> pixels;  // a fresh buffer each time, as the loader takes one
    if (!plainDecode(path, pixels)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(pixels.get());
  }
}
BENCHMARK(BM_PlainLibpngDecode)->Unit(benchmark::kMillisecond);

void BM_LoadPngImage(benchmark::State& state) {
  const std::string& path = picturePath();
  for (auto _ : state) {
    int tw = 0, th = 0, iw = 0, ih = 0;
    RenderEngine::PixelBuffer pixels = RenderEngine::loadPngImage(path, tw, th, iw, ih);
    if (!pixels) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(pixels.get());
  }
}
BENCHMARK(BM_LoadPngImage)->Unit(benchmark::kMillisecond);

// What a texture request costs: decode, make the GL texture, upload, finish.
void BM_DecodeAndUpload(benchmark::State& state) {
  if (!ensureGlContext()) {
    state.SkipWithError("no display");
    return;
  }
  const std::string& path = picturePath();
  for (auto _ : state) {
    RenderEngine::CTexture texture;
    if (!texture.loadFromPng(path)) state.SkipWithError("load failed");
    glFinish();
  }
}
BENCHMARK(BM_DecodeAndUpload)->Unit(benchmark::kMillisecond);

// The upload alone, from pixels already decoded, into a new texture.
void BM_UploadOnly(benchmark::State& state) {
  if (!ensureGlContext()) {
    state.SkipWithError("no display");
    return;
  }
  int tw = 0, th = 0, iw = 0, ih = 0;
  RenderEngine::PixelBuffer pixels = RenderEngine::loadPngImage(picturePath(), tw, th, iw, ih);
  for (auto _ : state) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.get());
    glFinish();
    glDeleteTextures(1, &name);
  }
  RenderEngine::invalidateBoundTexture();
}
BENCHMARK(BM_UploadOnly)->Unit(benchmark::kMillisecond);

}  // namespace
