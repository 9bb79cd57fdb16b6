// Texture loading cost.
//   BM_GamePicturesAgainstLibpng: the game's own 960x640 RGB pictures (every
//     one in the data tree) decoded by the loader into RGBA, against plain
//     libpng decoding the same files, side by side in one run (alternating,
//     processor time, the ratio as a counter).
//   The rest on a 1024x1024 RGBA picture: plain libpng, the loader, and the
//   loader with the upload (those need a display: run under xvfb-run;
//   without one they are skipped).
#include <GL/freeglut.h>
#include "support/GlWindow.h"
#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <ctime>
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

double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The data tree's 960x640 RGB pictures (colour type 2, 8 bits).
std::vector<std::string> gamePictures() {
  std::vector<std::string> found;
#ifdef QM_BENCH_DATA_DIR
  for (const auto& entry : std::filesystem::directory_iterator(std::string(QM_BENCH_DATA_DIR) + "/textures")) {
    std::FILE* f = std::fopen(entry.path().c_str(), "rb");
    if (f == nullptr) continue;
    unsigned char h[26] = {};
    const bool read = std::fread(h, 1, sizeof h, f) == sizeof h;
    std::fclose(f);
    const auto be32 = [&](int at) { return (h[at] << 24) | (h[at + 1] << 16) | (h[at + 2] << 8) | h[at + 3]; };
    if (read && png_sig_cmp(h, 0, 8) == 0 && be32(16) == 960 && be32(20) == 640 && h[24] == 8 && h[25] == 2) {
      found.push_back(entry.path().string());
    }
  }
  std::sort(found.begin(), found.end());
#endif
  return found;
}

void BM_GamePicturesAgainstLibpng(benchmark::State& state) {
  static const std::vector<std::string> pictures = gamePictures();
  if (pictures.empty()) {
    state.SkipWithError("no 960x640 RGB picture in the data tree");
    return;
  }
  double ours = 0, plain = 0;
  int n = 0;
  for (auto _ : state) {
    for (const std::string& path : pictures) {
      for (int k = 0; k < 2; ++k) {
        const double t0 = cpuMs();
        if ((k == 0) == (n % 2 == 0)) {
          int tw = 0, th = 0, iw = 0, ih = 0;
          RenderEngine::PixelBuffer pixels = RenderEngine::loadPngImage(path, tw, th, iw, ih);
          benchmark::DoNotOptimize(pixels.get());
          ours += cpuMs() - t0;
        } else {
          std::unique_ptr<std::uint8_t[]> pixels;
          plainDecode(path, pixels);
          benchmark::DoNotOptimize(pixels.get());
          plain += cpuMs() - t0;
        }
      }
      ++n;
    }
  }
  state.counters["pictures"] = static_cast<double>(pictures.size());
  state.counters["ours_ms"] = ours / n;
  state.counters["libpng_ms"] = plain / n;
  state.counters["ratio"] = plain > 0 ? ours / plain : 0;
}
BENCHMARK(BM_GamePicturesAgainstLibpng)->Unit(benchmark::kMillisecond)->Iterations(20);

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
