// Sound: decoding a 60-second Ogg Vorbis music file through our decoder and
// data source against libvorbisfile reading the file itself (same run, the
// ratio as a counter), refusing a 13-minute one, loading one WAV effect
// through the engine, and the per-frame update with every slot loaded. OpenAL runs on its null backend.
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <AL/al.h>
#include <benchmark/benchmark.h>
#include <vorbis/vorbisfile.h>

#include "sound/AudioEngine.h"
#include "sound/SoundDecoding.h"
#include "sound/aural/AudioDecoder.h"
#include "support/TempDir.h"
#include "tools/sound_writer.h"

namespace {

std::vector<float> music(double seconds, int rate) {
  // Chords with a moving melody and some noise: about as hard to decode as the game's music.
  std::vector<float> s;
  std::uint32_t r = 1;
  const auto frames = static_cast<std::size_t>(seconds * rate);
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = double(i) / rate;
    const double m = 440 * std::pow(2.0, int(t * 4) % 12 / 12.0);
    r = r * 1664525u + 1013904223u;
    const double noise = (int(r >> 9) / double(1 << 23) - 0.5) * 0.05;
    const double v = 0.2 * std::sin(2 * M_PI * 220 * t) + 0.15 * std::sin(2 * M_PI * 277 * t) +
                     0.15 * std::sin(2 * M_PI * 330 * t) + 0.2 * std::sin(2 * M_PI * m * t) + noise;
    s.push_back(float(v));
    s.push_back(float(v * 0.9));
  }
  return s;
}

struct Fixture {
  qmtest::TempDir dir;
  std::string ogg;
  Fixture() {
    std::filesystem::create_directories(dir.path() / "win32_audio");
    ogg = dir.str() + "/music.ogg";
    soundwriter::writeFile(ogg, soundwriter::makeOgg(music(60, 44100), 2, 44100, 0.45f));
    // Every built-in sound, so that all slots can be loaded.
    soundwriter::WavLayout l;
    const auto wav = soundwriter::makeWav(music(0.4, 22050), l);
    const auto small = soundwriter::makeOgg(music(2, 22050), 2, 22050, 0.3f);
    for (std::uint32_t id = 0; id + 1 < AudioEngine::kBuiltInSoundCount; ++id) {
      const std::string name = AudioEngine::soundFileTable[id];
      soundwriter::writeFile(dir.str() + "/win32_audio/" + name, soundfile::extensionOf(name) == "ogg" ? small : wav);
    }
    setenv("ALSOFT_DRIVERS", "null", 0);
    std::filesystem::current_path(dir.path());
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

double decodeOurs(const std::string& path) {
  soundfile::DecodedSound out;
  soundfile::decodeFile(path, out);
  return double(out.pcm.size());
}

double decodeVorbisfile(const std::string& path) {
  OggVorbis_File vf;
  if (ov_fopen(path.c_str(), &vf) != 0) return 0;
  std::vector<char> pcm(std::size_t(ov_pcm_total(&vf, -1)) * 4);
  std::size_t got = 0;
  int bs = 0;
  long n;
  while (got < pcm.size() && (n = ov_read(&vf, pcm.data() + got, int(std::min<std::size_t>(65536, pcm.size() - got)), 0, 2, 1, &bs)) > 0)
    got += std::size_t(n);
  ov_clear(&vf);
  return double(got);
}

void BM_OggDecode60s_Ours(benchmark::State& state) {
  const std::string path = fixture().ogg;
  for (auto _ : state) benchmark::DoNotOptimize(decodeOurs(path));
}
BENCHMARK(BM_OggDecode60s_Ours)->Unit(benchmark::kMillisecond);

void BM_OggDecode60s_Vorbisfile(benchmark::State& state) {
  const std::string path = fixture().ogg;
  for (auto _ : state) benchmark::DoNotOptimize(decodeVorbisfile(path));
}
BENCHMARK(BM_OggDecode60s_Vorbisfile)->Unit(benchmark::kMillisecond);

// Both in the same iterations, alternating; the counter is ours / vorbisfile.
void BM_OggDecode60s_Ratio(benchmark::State& state) {
  const std::string path = fixture().ogg;
  double ours = 0, raw = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(decodeOurs(path));
    auto t1 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(decodeVorbisfile(path));
    auto t2 = std::chrono::steady_clock::now();
    ours += std::chrono::duration<double>(t1 - t0).count();
    raw += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["ours_ms"] = ours * 1000 / double(state.iterations());
  state.counters["vorbisfile_ms"] = raw * 1000 / double(state.iterations());
  state.counters["ratio"] = raw > 0 ? ours / raw : 0;
}
BENCHMARK(BM_OggDecode60s_Ratio)->Unit(benchmark::kMillisecond)->Iterations(10);

// A 13-minute piece of music, past what one sound may take: refused from its
// length alone. The counter compares it with vorbisfile merely opening the
// file and reading that length (the least any check of the length costs).
void BM_ThirteenMinuteOgg_Refused(benchmark::State& state) {
  static const std::string path = [] {
    const std::string p = fixture().dir.str() + "/thirteen.ogg";
    soundwriter::writeFile(p, soundwriter::makeOgg(music(13 * 60, 44100), 2, 44100, 0.1f));
    return p;
  }();
  double ours = 0, raw = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    soundfile::DecodedSound out;
    benchmark::DoNotOptimize(soundfile::decodeSound(path, out));
    auto t1 = std::chrono::steady_clock::now();
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) == 0) {
      benchmark::DoNotOptimize(ov_pcm_total(&vf, -1));
      ov_clear(&vf);
    }
    auto t2 = std::chrono::steady_clock::now();
    if (!out.pcm.empty()) state.SkipWithError("not refused");
    ours += std::chrono::duration<double>(t1 - t0).count();
    raw += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["ours_ms"] = ours * 1000 / double(state.iterations());
  state.counters["vorbisfile_open_ms"] = raw * 1000 / double(state.iterations());
  state.counters["ratio"] = raw > 0 ? ours / raw : 0;
}
BENCHMARK(BM_ThirteenMinuteOgg_Refused)->Unit(benchmark::kMillisecond);

void BM_LoadWavEffect(benchmark::State& state) {
  fixture();
  AudioEngine::init();
  for (auto _ : state) {
    benchmark::DoNotOptimize(AudioEngine::loadSound("button_click.wav"));
    state.PauseTiming();
    AudioEngine::unloadSound(5);
    state.ResumeTiming();
  }
  AudioEngine::shutdown();
}
BENCHMARK(BM_LoadWavEffect)->Unit(benchmark::kMicrosecond);

void BM_UpdateWithEverySlotLoaded(benchmark::State& state) {
  fixture();
  AudioEngine::init();
  for (std::uint32_t id = 0; id < AudioEngine::kBuiltInSoundCount; ++id) AudioEngine::loadSoundByIndex(id);
  // And a movie's sound track playing with its clock.
  const std::uint32_t movie = AudioEngine::addSlot();
  std::vector<std::uint8_t> pcm(44100 * 4 * 10, 0);
  AudioEngine::queueSingleBuffer(movie, pcm.data(), int(pcm.size()), AL_FORMAT_STEREO16, 44100, 1);
  AudioEngine::playSound(movie, false);
  for (auto _ : state) AudioEngine::update(33);
  AudioEngine::releaseStream(movie);
  AudioEngine::shutdown();
}
BENCHMARK(BM_UpdateWithEverySlotLoaded)->Unit(benchmark::kMicrosecond);

}  // namespace
