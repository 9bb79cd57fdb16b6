// Movies: a picture decoded and converted through the video sprite against
// FFmpeg's own decode and scale of the same packets, each with a warm decoder
// kept between passes (same run, the ratio as a counter); the mean and worst milliseconds of an update at 480x320 and
// 960x640 (textures uploaded through OpenGL when there is a display, Mesa's
// software renderer under xvfb-run); and the construction time and memory of
// a 40-second movie with its sound decoded first (OpenAL's null backend).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "render_engine/CSpriteVideo.h"
#include "render_engine/GlStateCache.h"
#include "render_engine/Texture.h"
#include "render_engine/TextureManager.h"
#include "sound/AudioEngine.h"
#include "support/GlWindow.h"
#include "support/TempDir.h"
#include "tools/movie_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Scenery that moves: a sky gradient sliding by, hills and a few discs, so the
// encoder has real work (unlike flat test blocks).
void paint(int frame, std::uint8_t* rgb, int stride, int w, int h) {
  const double t = frame / 30.0;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = rgb + static_cast<std::ptrdiff_t>(y) * stride;
    const double hill = h * 0.65 + h * 0.08 * std::sin((y * 0 + t * 40) * 0.01);
    for (int x = 0; x < w; ++x) {
      const double ground = h * 0.62 + h * 0.06 * std::sin((x + t * 60) * 0.02) + h * 0.03 * std::sin(x * 0.07);
      std::uint8_t* p = row + x * 3;
      if (y > ground || y > hill + 40) {
        p[0] = static_cast<std::uint8_t>(60 + 30 * std::sin(x * 0.3 + y * 0.2));
        p[1] = static_cast<std::uint8_t>(140 + 20 * std::sin(x * 0.05 + t));
        p[2] = 60;
      } else {
        p[0] = static_cast<std::uint8_t>(90 + y * 100 / h);
        p[1] = static_cast<std::uint8_t>(150 + y * 60 / h);
        p[2] = 230;
      }
    }
  }
  for (int i = 0; i < 6; ++i) {
    const int cx = static_cast<int>(std::fmod(i * 97 + t * (40 + 9 * i), w));
    const int cy = h / 2 + static_cast<int>(h / 5 * std::sin(t * 2 + i));
    const int r = h / 14;
    for (int y = std::max(0, cy - r); y < std::min(h, cy + r); ++y)
      for (int x = std::max(0, cx - r); x < std::min(w, cx + r); ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r) {
          std::uint8_t* p = rgb + static_cast<std::ptrdiff_t>(y) * stride + x * 3;
          p[0] = 245, p[1] = 245, p[2] = 235;
        }
  }
}

struct Movies {
  qmtest::TempDir dir;
  bool gl = false;
  Movies() {
    std::filesystem::create_directories(dir.path() / "video");
    write("small.m4v", 480, 320, 4.0, false);
    write("large.m4v", 960, 640, 3.0, false);
    write("long.m4v", 480, 320, 40.0, true);
    std::filesystem::current_path(dir.path());
    gl = qmtest::openGlWindow("bench_video", 64, 64);
    if (gl) {
      RenderEngine::cachedEnable(GL_TEXTURE_2D);
    } else {
      RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
    }
  }
  void write(const std::string& name, int w, int h, double seconds, bool sound) {
    moviewriter::VideoSpec spec;
    spec.width = w;
    spec.height = h;
    moviewriter::AudioTrack track = moviewriter::sineTrack(seconds, 44100, 2, 330);
    moviewriter::writeMovie((dir.path() / "video" / name).string(), spec, static_cast<int>(seconds * 30),
                            [&](int f, std::uint8_t* rgb, int stride) { paint(f, rgb, stride, w, h); },
                            sound ? &track : nullptr);
  }
};

Movies& movies() {
  static Movies m;
  return m;
}

// FFmpeg alone, as warm as the sprite's own decoder: the file demuxed once,
// one decoder and one scaler kept between passes; each pass flushes the
// decoder (as the sprite's restart does) and decodes and scales every packet
// to RGB into a padded power-of-two image, as the sprite does.
struct RawDecoder {
  AVFormatContext* fmt = nullptr;
  AVCodecContext* ctx = nullptr;
  AVFrame* frame = nullptr;
  SwsContext* sws = nullptr;
  std::vector<AVPacket*> packets;
  std::vector<std::uint8_t> image;
  int w = 0, h = 0, stride = 0;

  explicit RawDecoder(const std::string& path) {
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) != 0) return;
    avformat_find_stream_info(fmt, nullptr);
    const int vs = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (vs < 0) return;
    AVPacket* p = av_packet_alloc();
    while (av_read_frame(fmt, p) >= 0) {
      if (p->stream_index == vs) {
        packets.push_back(p);
        p = av_packet_alloc();
      } else {
        av_packet_unref(p);
      }
    }
    av_packet_free(&p);
    const AVCodecParameters* par = fmt->streams[vs]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    ctx = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(ctx, par);
    ctx->thread_count = 1;
    avcodec_open2(ctx, codec, nullptr);
    frame = av_frame_alloc();
    w = par->width;
    h = par->height;
    stride = 3 * 512 * ((w + 511) / 512);
    image.resize(static_cast<std::size_t>(stride) * 1024);
  }
  ~RawDecoder() {
    sws_freeContext(sws);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    for (AVPacket*& q : packets) av_packet_free(&q);
    avformat_close_input(&fmt);
  }
  RawDecoder(const RawDecoder&) = delete;
  RawDecoder& operator=(const RawDecoder&) = delete;

  // One pass over the movie: milliseconds per picture.
  double msPerPicture(int& pictures) {
    pictures = 0;
    if (ctx == nullptr) return 0;
    avcodec_flush_buffers(ctx);
    const auto start = Clock::now();
    auto drain = [&] {
      while (avcodec_receive_frame(ctx, frame) >= 0) {
        sws = sws_getCachedContext(sws, w, h, static_cast<AVPixelFormat>(frame->format), w, h, AV_PIX_FMT_RGB24,
                                   SWS_POINT, nullptr, nullptr, nullptr);
        std::uint8_t* dst[4] = {image.data(), nullptr, nullptr, nullptr};
        int dstStride[4] = {stride, 0, 0, 0};
        sws_scale(sws, frame->data, frame->linesize, 0, h, dst, dstStride);
        ++pictures;
      }
    };
    for (AVPacket* packet : packets) {
      avcodec_send_packet(ctx, packet);
      drain();
    }
    // Drained to the end without closing the decoder: the flush above opens it again.
    avcodec_send_packet(ctx, nullptr);
    drain();
    const double ms = msSince(start);
    benchmark::DoNotOptimize(image.data());
    return pictures > 0 ? ms / pictures : 0;
  }
};

// The sprite: the whole movie played through its updates, every picture due
// decoded and converted; milliseconds per picture decoded.
double spriteMsPerPicture(RenderEngine::CSpriteVideo& v, int& pictures) {
  v.restart();
  const int before = v.getPicturesDecoded();
  const auto start = Clock::now();
  while (!v.isFinished()) v.update(33);
  const double ms = msSince(start);
  pictures = v.getPicturesDecoded() - before;
  return pictures > 0 ? ms / pictures : 0;
}

void BM_PictureSpriteAgainstFFmpeg(benchmark::State& state) {
  Movies& m = movies();
  // Decoding and conversion only: the upload is measured with the updates.
  const RenderEngine::TextureGlBackend saved =
      RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
  RenderEngine::CSpriteVideo v("small.m4v", false, true, "", false);
  v.play(false);
  RawDecoder raw((m.dir.path() / "video/small.m4v").string());
  // One pass each before the timed ones: both decoders warm.
  int warm = 0;
  spriteMsPerPicture(v, warm);
  raw.msPerPicture(warm);
  double spriteTotal = 0, rawTotal = 0;
  int n = 0;
  for (auto _ : state) {
    int sp = 0, rp = 0;
    const double s = spriteMsPerPicture(v, sp);
    const double r = raw.msPerPicture(rp);
    state.SetIterationTime(s * sp / 1000.0);
    spriteTotal += s;
    rawTotal += r;
    ++n;
  }
  state.counters["sprite_ms_per_picture"] = spriteTotal / n;
  state.counters["ffmpeg_ms_per_picture"] = rawTotal / n;
  state.counters["ratio"] = rawTotal > 0 ? spriteTotal / rawTotal : 0;
  RenderEngine::TextureGlBackend::set(saved);
}
BENCHMARK(BM_PictureSpriteAgainstFFmpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void updates(benchmark::State& state, const char* name) {
  movies();
  RenderEngine::CSpriteVideo v(name, false, true, "", false);
  v.play(false);
  double sum = 0, worst = 0;
  long count = 0;
  for (auto _ : state) {
    if (v.isFinished()) v.restart();
    const auto start = Clock::now();
    v.update(33);
    const double ms = msSince(start);
    sum += ms;
    worst = std::max(worst, ms);
    ++count;
  }
  state.counters["mean_ms"] = sum / count;
  state.counters["worst_ms"] = worst;
  state.counters["gl_upload"] = movies().gl ? 1 : 0;
}
void BM_Update480x320(benchmark::State& state) { updates(state, "small.m4v"); }
void BM_Update960x640(benchmark::State& state) { updates(state, "large.m4v"); }
BENCHMARK(BM_Update480x320)->Iterations(300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Update960x640)->Iterations(300)->Unit(benchmark::kMillisecond);

long statusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
  return 0;
}

void BM_Construct40Seconds(benchmark::State& state) {
  movies();
  AudioEngine::init();
  long held = 0;
  double soundMb = 0;
  for (auto _ : state) {
    const long before = statusKb("VmRSS:");
    auto* v = new RenderEngine::CSpriteVideo("long.m4v", true, true, "", false);
    held = std::max(held, statusKb("VmRSS:") - before);
    state.PauseTiming();
    soundMb = static_cast<double>(v->getSoundBytes()) / (1 << 20);
    delete v;
    state.ResumeTiming();
  }
  state.counters["held_MB"] = held / 1024.0;
  state.counters["sound_MB"] = soundMb;
  state.counters["peak_rss_MB"] = statusKb("VmHWM:") / 1024.0;
  AudioEngine::shutdown();
}
BENCHMARK(BM_Construct40Seconds)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
