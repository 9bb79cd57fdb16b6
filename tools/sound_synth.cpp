#include "tools/sound_synth.h"

#include "tools/loudness.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace synth {

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---- small building blocks ----

struct Rng {
  std::uint32_t s;
  explicit Rng(std::uint32_t seed) : s(seed ? seed : 1) {}
  double next() {  // 0..1
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return (s & 0xFFFFFF) / double(0x1000000);
  }
  double bipolar() { return next() * 2 - 1; }
};

double curveAt(const Curve& c, double t, bool logScale = false) {
  if (c.empty()) return 0;
  if (t <= c.front().first) return c.front().second;
  if (t >= c.back().first) return c.back().second;
  for (std::size_t i = 1; i < c.size(); ++i) {
    if (t <= c[i].first) {
      const double t0 = c[i - 1].first, t1 = c[i].first;
      const double f = t1 > t0 ? (t - t0) / (t1 - t0) : 1;
      const double a = c[i - 1].second, b = c[i].second;
      if (logScale && a > 0 && b > 0) return a * std::pow(b / a, f);
      return a + (b - a) * f;
    }
  }
  return c.back().second;
}

// Band-limited saw and square by polyBLEP.
double polyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1;
  }
  if (t > 1 - dt) {
    t = (t - 1) / dt;
    return t * t + t + t + 1;
  }
  return 0;
}

enum Wave { kSine, kSaw, kSquare, kTriangle };

Wave waveOf(const std::string& name) {
  if (name == "saw") return kSaw;
  if (name == "square") return kSquare;
  if (name == "triangle") return kTriangle;
  return kSine;
}

double oscillator(Wave wave, double phase, double dt) {
  const double p = phase - std::floor(phase);
  if (wave == kSaw) return 2 * p - 1 - polyBlep(p, dt);
  if (wave == kSquare) {
    double v = p < 0.5 ? 1 : -1;
    v += polyBlep(p, dt);
    double q = p + 0.5;
    q -= std::floor(q);
    v -= polyBlep(q, dt);
    return v;
  }
  if (wave == kTriangle) return 1 - 4 * std::fabs(p - 0.5);
  return std::sin(2 * kPi * p);
}

// State-variable filter (topology-preserving), stable under modulation.
struct Svf {
  double ic1 = 0, ic2 = 0, lastFc = -1, g = 0;
  void run(double x, double fc, double q, int rate, double& low, double& band, double& high) {
    fc = std::clamp(fc, 10.0, 0.45 * rate);
    if (fc != lastFc) g = std::tan(kPi * fc / rate), lastFc = fc;
    const double k = 1 / std::max(q, 0.05);
    const double a1 = 1 / (1 + g * (g + k)), a2 = g * a1, a3 = g * a2;
    const double v3 = x - ic2;
    const double v1 = a1 * ic1 + a2 * v3;
    const double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2 * v1 - ic1;
    ic2 = 2 * v2 - ic2;
    low = v2;
    band = v1;
    high = x - k * v1 - v2;
  }
  double lp(double x, double fc, double q, int rate) {
    double l, b, h;
    run(x, fc, q, rate, l, b, h);
    return l;
  }
  double bp(double x, double fc, double q, int rate) {
    double l, b, h;
    run(x, fc, q, rate, l, b, h);
    return b;
  }
  double hp(double x, double fc, double q, int rate) {
    double l, b, h;
    run(x, fc, q, rate, l, b, h);
    return h;
  }
};

struct Resonator {
  double b1 = 0, b2 = 0, y1 = 0, y2 = 0, norm = 1;
  Resonator(double hz, double decay, int rate) {
    const double w = 2 * kPi * std::min(hz, 0.45 * rate) / rate;
    const double r = std::exp(-1.0 / (std::max(decay, 0.001) * rate));
    b1 = 2 * r * std::cos(w);
    b2 = -r * r;
    norm = std::sin(w);  // an impulse rings at unit amplitude
  }
  double run(double x) {
    const double y = norm * x + b1 * y1 + b2 * y2;
    y2 = y1;
    y1 = y;
    return y;
  }
};

void vowelFormants(char v, double f[3]) {
  switch (v) {
    case 'a': f[0] = 800, f[1] = 1200, f[2] = 2600; break;
    case 'A': f[0] = 660, f[1] = 1720, f[2] = 2410; break;
    case 'e': f[0] = 480, f[1] = 1900, f[2] = 2550; break;
    case 'i': f[0] = 300, f[1] = 2300, f[2] = 3000; break;
    case 'o': f[0] = 520, f[1] = 880, f[2] = 2400; break;
    case 'u': f[0] = 320, f[1] = 800, f[2] = 2250; break;
    default: f[0] = 600, f[1] = 1400, f[2] = 2500; break;
  }
}

// Schroeder-style reverb (combs into allpasses), slightly different per channel.
struct Reverb {
  struct Line {
    std::vector<double> buf;
    std::size_t pos = 0;
    double fb = 0, lowpass = 0;
  };
  std::vector<Line> combs, allpasses;
  Reverb(int rate, double seconds, int channel) {
    const int combMs[4] = {29, 37, 41, 44};
    const int apMs[2] = {5, 2};
    for (int ms : combMs) {
      Line l;
      const double d = (ms + channel * 1.3) / 1000.0;
      l.buf.assign(std::size_t(d * rate), 0);
      l.fb = std::pow(10.0, -3 * d / std::max(seconds, 0.05));
      combs.push_back(l);
    }
    for (int ms : apMs) {
      Line l;
      l.buf.assign(std::size_t((ms + channel * 0.7) / 1000.0 * rate) + 1, 0);
      l.fb = 0.6;
      allpasses.push_back(l);
    }
  }
  double run(double x) {
    double sum = 0;
    for (Line& c : combs) {
      const double y = c.buf[c.pos];
      c.lowpass = 0.7 * y + 0.3 * c.lowpass;  // damping: highs die first
      c.buf[c.pos] = x + c.lowpass * c.fb;
      c.pos = (c.pos + 1) % c.buf.size();
      sum += y;
    }
    double y = sum * 0.25;
    for (Line& a : allpasses) {
      const double b = a.buf[a.pos];
      const double in = y + b * a.fb;
      a.buf[a.pos] = in;
      a.pos = (a.pos + 1) % a.buf.size();
      y = b - in * a.fb;
    }
    return y;
  }
};

void addReverb(Audio& a, double mix, double seconds) {
  if (mix <= 0) return;
  const std::size_t frames = a.samples.size() / a.channels;
  for (int c = 0; c < a.channels; ++c) {
    Reverb r(a.rate, seconds, c);
    for (std::size_t i = 0; i < frames; ++i) {
      float& s = a.samples[i * a.channels + c];
      s = float(s * (1 - mix * 0.5) + r.run(s) * mix);
    }
  }
}

void normalise(Audio& a, double peak) {
  float m = 0;
  for (float s : a.samples) m = std::max(m, std::fabs(s));
  if (m <= 1e-9f) return;
  const float g = float(peak / m);
  for (float& s : a.samples) s *= g;
}

// Lifts a sound until its loudest 50 ms reach targetDb (per channel), at most
// by maxLiftDb, while a look-ahead limiter keeps every sample within ceiling:
// the gain at each sample is the least any sample within a few milliseconds
// needs, smoothed over as many, so a peak is met by a ramp and not a step.
void liftLoudness(Audio& a, double targetDb, double ceiling, double maxLiftDb) {
  const std::size_t frames = a.samples.size() / a.channels;
  if (frames == 0) return;
  const std::size_t half = std::max<std::size_t>(1, std::size_t(0.004 * a.rate));
  double lifted = 0;
  for (int pass = 0; pass < 8; ++pass) {
    const double now = loudness::measure(a.samples, a.channels, a.rate).loudest50Db;
    const double step = std::min(targetDb - now, maxLiftDb - lifted);
    if (step < 0.05) break;
    lifted += step;
    const float g = float(std::pow(10.0, step / 20));
    for (float& v : a.samples) v *= g;
    std::vector<float> need(frames, 1.0f);
    for (std::size_t i = 0; i < frames; ++i) {
      float m = 0;
      for (int c = 0; c < a.channels; ++c) m = std::max(m, std::fabs(a.samples[i * a.channels + c]));
      if (m > ceiling) need[i] = float(ceiling / m);
    }
    // Least over +-half, then the mean over +-half (never above the need at a peak).
    std::vector<float> least(frames);
    for (std::size_t i = 0; i < frames; ++i) {
      const std::size_t lo = i > half ? i - half : 0;
      const std::size_t hi = std::min(frames - 1, i + half);
      least[i] = *std::min_element(need.begin() + long(lo), need.begin() + long(hi) + 1);
    }
    std::vector<double> sum(frames + 1, 0.0);
    for (std::size_t i = 0; i < frames; ++i) sum[i + 1] = sum[i] + least[i];
    for (std::size_t i = 0; i < frames; ++i) {
      const std::size_t lo = i > half ? i - half : 0;
      const std::size_t hi = std::min(frames - 1, i + half);
      const float gain = float((sum[hi + 1] - sum[lo]) / double(hi + 1 - lo));
      for (int c = 0; c < a.channels; ++c) a.samples[i * a.channels + c] *= gain;
    }
  }
  // Whatever the smoothing left over the ceiling.
  for (float& v : a.samples) v = std::clamp(v, float(-ceiling), float(ceiling));
}

// ---- effects ----

// A layer lasts as its amplitude curve, or, when it excites struck modes, until they have rung out.
double layerLength(const Layer& L) {
  double length = L.amp.empty() ? 0 : L.amp.back().first;
  for (auto [hz, decay] : L.modes) length = std::max(length, L.amp.back().first + decay * 5);
  return length;
}

void renderLayerOnce(const Layer& L, int rate, double start, double pitchFactor, double gainFactor, Audio& out,
                     std::uint32_t noiseSeed) {
  const std::size_t n = std::size_t(layerLength(L) * rate);
  const std::size_t first = std::size_t(std::max(0.0, start) * rate);
  Rng noise(noiseSeed);
  Rng rough(noiseSeed * 7 + 3);
  Svf filter, pinkFilter;
  Svf formant[3];
  std::vector<Resonator> modes;
  for (auto [hz, decay] : L.modes) modes.emplace_back(hz * pitchFactor, decay, rate);
  double phase = 0, modPhase = 0, roughValue = 0, roughTarget = 0;
  const Wave wave = waveOf(L.wave);
  const bool noisy = L.wave == "noise" || L.wave == "pink", pink = L.wave == "pink";
  const int filterKind = L.filter == "lp" ? 1 : (L.filter == "hp" ? 2 : (L.filter == "bp" ? 3 : 0));
  const double panL = std::sqrt(0.5 * (1 - L.pan)), panR = std::sqrt(0.5 * (1 + L.pan));
  for (std::size_t i = 0; i < n; ++i) {
    const double t = double(i) / rate;
    double f = curveAt(L.freq, t, true) * pitchFactor;
    if (L.vibratoDepth > 0) f *= std::pow(2.0, L.vibratoDepth / 12 * std::sin(2 * kPi * L.vibratoRate * t));
    const double dt = f / rate;
    double x;
    if (noisy) {
      x = noise.bipolar();
      if (pink) x = pinkFilter.lp(x, 1200, 0.5, rate) * 2.5;
    } else if (L.fmRatio > 0) {
      const double index = curveAt(L.fmIndex, t);
      x = std::sin(2 * kPi * phase + index * std::sin(2 * kPi * modPhase));
    } else {
      x = oscillator(wave, phase, dt);
    }
    phase += dt;
    modPhase += dt * L.fmRatio;
    if (phase > 1e6) phase -= std::floor(phase);
    if (filterKind != 0) {
      const double fc = curveAt(L.cutoff, t, true) * (filterKind == 1 ? 1 : pitchFactor);
      if (filterKind == 1) x = filter.lp(x, fc, L.filterQ, rate);
      else if (filterKind == 2) x = filter.hp(x, fc, L.filterQ, rate);
      else x = filter.bp(x, fc, L.filterQ, rate) * std::sqrt(L.filterQ);
    }
    if (!L.formants.empty()) {
      // Vowel formants interpolated between the curve's points.
      double fa[3], fb[3], fv[3];
      std::size_t k = 0;
      while (k + 1 < L.formants.size() && L.formants[k + 1].first <= t) ++k;
      vowelFormants(L.formants[k].second, fa);
      double mixF = 0;
      if (k + 1 < L.formants.size()) {
        vowelFormants(L.formants[k + 1].second, fb);
        const double t0 = L.formants[k].first, t1 = L.formants[k + 1].first;
        mixF = std::clamp((t - t0) / std::max(t1 - t0, 1e-6), 0.0, 1.0);
      } else {
        std::copy(fa, fa + 3, fb);
      }
      double y = 0;
      const double weights[3] = {1.0, 0.6, 0.25};
      for (int j = 0; j < 3; ++j) {
        fv[j] = (fa[j] + (fb[j] - fa[j]) * mixF) * L.formantShift;
        y += formant[j].bp(x, fv[j], 6 + 2 * j, rate) * weights[j];
      }
      x = y * 1.8;
    }
    double a = curveAt(L.amp, t);
    if (!modes.empty()) {
      // The amplitude curve shapes the strike; the modes ring on after it.
      double y = 0;
      for (Resonator& r : modes) y += r.run(x * a);
      x = y / (4 * std::sqrt(double(modes.size())));
      a = 1;
    }
    if (L.drive > 0) x = std::tanh(x * L.drive) / std::tanh(L.drive);
    if (L.tremoloDepth > 0) {
      double w = 0.5 + 0.5 * std::sin(2 * kPi * L.tremoloRate * t);
      if (L.tremoloRough) {
        if (i % std::max<std::size_t>(1, std::size_t(rate / (L.tremoloRate * 2))) == 0) roughTarget = rough.next();
        roughValue += (roughTarget - roughValue) * 0.02;
        w = 0.5 * w + 0.5 * roughValue;
      }
      a *= 1 - L.tremoloDepth * w;
    }
    const double v = x * a * L.gain * gainFactor;
    const std::size_t o = first + i;
    if (o * out.channels >= out.samples.size()) break;
    if (out.channels == 1) {
      out.samples[o] += float(v);
    } else {
      out.samples[o * 2] += float(v * panL);
      out.samples[o * 2 + 1] += float(v * panR);
    }
  }
}

}  // namespace

Audio renderEffect(const Effect& e) {
  Audio a;
  a.rate = e.rate;
  a.channels = e.channels;
  double length = 0;
  for (const Layer& L : e.layers) {
    length = std::max(length, L.at + layerLength(L) + (L.grains > 0 ? L.grainSpread : 0));
  }
  const double tail = e.reverbMix > 0 ? e.reverbSeconds * 0.6 : 0;
  const double echoTail = e.echoMix > 0 ? e.echoSeconds * 4 : 0;
  a.samples.assign(std::size_t((length + std::max(tail, echoTail) + 0.01) * a.rate) * a.channels, 0.0f);
  std::uint32_t seed = 1;
  for (char c : e.name) seed = seed * 31 + std::uint8_t(c);
  for (const Layer& L : e.layers) {
    ++seed;
    if (L.grains > 0) {
      Rng r(L.grainSeed);
      for (int g = 0; g < L.grains; ++g) {
        const double when = L.at + r.next() * L.grainSpread;
        const double pitch = std::pow(2.0, r.bipolar() * 0.35);
        const double gain = 0.45 + 0.55 * r.next();
        renderLayerOnce(L, a.rate, when, pitch, gain, a, seed * 977 + std::uint32_t(g));
      }
    } else {
      renderLayerOnce(L, a.rate, L.at, 1, 1, a, seed);
    }
  }
  if (e.echoMix > 0) {
    const std::size_t d = std::size_t(e.echoSeconds * a.rate) * a.channels;
    for (std::size_t i = d; i < a.samples.size(); ++i) a.samples[i] += float(a.samples[i - d] * e.echoFeedback);
  }
  addReverb(a, e.reverbMix, e.reverbSeconds);
  normalise(a, e.peak);
  liftLoudness(a, e.loudness, e.peak, 18);
  // Short fades at both ends (a very short one in front, to keep attacks
  // sharp): no click where the sound starts or stops.
  const std::size_t frames = a.samples.size() / a.channels;
  const std::size_t fadeIn = std::min<std::size_t>(frames / 4, std::size_t(0.0005 * a.rate) + 1);
  const std::size_t fadeOut = std::min<std::size_t>(frames / 4, std::size_t(0.004 * a.rate));
  for (int c = 0; c < a.channels; ++c) {
    for (std::size_t i = 0; i < fadeIn; ++i) a.samples[i * a.channels + c] *= float(i) / fadeIn;
    for (std::size_t i = 0; i < fadeOut; ++i) a.samples[(frames - 1 - i) * a.channels + c] *= float(i) / fadeOut;
  }
  return a;
}

// ---- music ----

namespace {

double envelope(double t, double gate, double attack, double decay, double sustain, double release) {
  double level;
  if (t < attack) {
    level = t / attack;
  } else {
    level = sustain + (1 - sustain) * std::exp(-(t - attack) / std::max(decay, 1e-3));
  }
  if (t > gate) {
    // Release from the level reached at the gate.
    double atGate = gate < attack ? gate / attack : sustain + (1 - sustain) * std::exp(-(gate - attack) / std::max(decay, 1e-3));
    level = atGate * std::exp(-(t - gate) / std::max(release, 1e-3));
  }
  return level;
}

// One note (or drum hit) of an instrument, mono, starting at index 0.
std::vector<float> renderNote(const Instrument& ins, double freq, double seconds, double velocity, int rate,
                              std::uint32_t seed) {
  const std::string& k = ins.kind;
  Rng rng(seed);
  std::vector<float> out;
  auto make = [&](double length) { out.assign(std::size_t(length * rate), 0.0f); };
  if (k == "piano" || k == "bell" || k == "marimba") {
    const double decay = ins.param("decay", k == "bell" ? 2.5 : (k == "marimba" ? 0.5 : 1.4));
    const double bright = ins.param("bright", 0.6);
    const double release = ins.param("release", 0.25);
    std::vector<std::pair<double, double>> partials;  // ratio, amplitude
    if (k == "piano") {
      for (int h = 1; h <= 8; ++h) partials.push_back({h * (1 + 0.0004 * h * h), std::pow(bright, h - 1) / h});
    } else if (k == "bell") {
      partials = {{1, 1}, {2.0, 0.5 * bright}, {2.76, 0.35 * bright}, {4.07, 0.2 * bright}, {5.4, 0.12 * bright}};
    } else {
      partials = {{1, 1}, {3.93, 0.35 * bright}, {9.2, 0.1 * bright}};
    }
    const double length = std::min(seconds, decay * 2) + release * 3;
    make(length);
    for (auto [ratio, amp] : partials) {
      const double f = freq * ratio;
      if (f > 0.45 * rate) continue;
      const double d = decay / std::pow(ratio, 0.7);
      // A rotating phasor and a running decay: no sine or exp per sample.
      const double w = 2 * kPi * f / rate, ph = 2 * kPi * rng.next();
      double re = std::cos(ph), im = std::sin(ph);
      const double cr = std::cos(w), ci = std::sin(w);
      const double fall = std::exp(-1.0 / (d * rate)), fallReleased = fall * std::exp(-1.0 / (release * rate));
      const std::size_t gateEnd = std::size_t(seconds * rate), attackEnd = std::size_t(0.003 * rate) + 1;
      double env = amp;
      for (std::size_t i = 0; i < out.size(); ++i) {
        const double attack = i < attackEnd ? double(i) / attackEnd : 1.0;
        out[i] += float(env * attack * im);
        env *= i < gateEnd ? fall : fallReleased;
        const double nre = re * cr - im * ci;
        im = re * ci + im * cr;
        re = nre;
        if (env < 1e-5) break;
      }
    }
  } else if (k == "pad" || k == "bass" || k == "lead" || k == "flute") {
    const double attack = ins.param("attack", k == "pad" ? 0.25 : (k == "flute" ? 0.06 : 0.008));
    const double decay = ins.param("decay", k == "bass" ? 0.3 : 0.6);
    const double sustain = ins.param("sustain", k == "bass" ? 0.6 : 0.8);
    const double release = ins.param("release", k == "pad" ? 0.6 : 0.12);
    const double cutoff = ins.param("cutoff", k == "pad" ? 1600 : (k == "bass" ? 700 : 3000));
    const double envCut = ins.param("envcut", k == "bass" ? 1200 : 0);
    const double detune = ins.param("detune", k == "pad" ? 0.12 : 0.0);
    const double vibrato = ins.param("vibrato", k == "lead" || k == "flute" ? 0.15 : 0.0);
    make(seconds + release * 5);
    Svf filter;
    double ph[3] = {rng.next(), rng.next(), rng.next()};
    const int voices = k == "pad" ? 3 : 1;
    const bool flute = k == "flute", bass = k == "bass", lead = k == "lead";
    for (std::size_t i = 0; i < out.size(); ++i) {
      const double t = double(i) / rate;
      const double vib = vibrato > 0 ? std::exp2(vibrato / 12 * std::sin(2 * kPi * 5.2 * t) * std::min(1.0, t / 0.3)) : 1;
      double x = 0;
      for (int v = 0; v < voices; ++v) {
        const double f = freq * vib * std::pow(2.0, (v - 1) * detune / 12);
        const double dt = f / rate;
        if (flute) {
          x += std::sin(2 * kPi * ph[v]) + 0.25 * std::sin(4 * kPi * ph[v]) + 0.08 * std::sin(6 * kPi * ph[v]);
        } else if (bass) {
          x += 0.7 * oscillator(kSaw, ph[v], dt) + 0.5 * std::sin(2 * kPi * ph[v]);
        } else if (lead) {
          x += oscillator(kSquare, ph[v], dt) * 0.6 + oscillator(kSaw, ph[v], dt) * 0.3;
        } else {
          x += oscillator(kSaw, ph[v], dt) / voices;
        }
        ph[v] += dt;
      }
      if (flute) x += rng.bipolar() * 0.04 * std::exp(-t / 0.08);  // breath at the start
      const double fc = cutoff + envCut * std::exp(-t / 0.12);
      x = filter.lp(x, fc, 0.8, rate);
      out[i] = float(x * envelope(t, seconds, attack, decay, sustain, release));
    }
  } else if (k == "kick") {
    make(0.45);
    double ph = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
      const double t = double(i) / rate;
      const double f = 48 + 110 * std::exp(-t / 0.035);
      ph += f / rate;
      out[i] = float(std::sin(2 * kPi * ph) * std::exp(-t / 0.16) + rng.bipolar() * 0.2 * std::exp(-t / 0.004));
    }
  } else if (k == "snare" || k == "clap") {
    make(k == "snare" ? 0.3 : 0.25);
    Svf f;
    double ph = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
      const double t = double(i) / rate;
      double n = f.bp(rng.bipolar(), k == "snare" ? 3500 : 1400, 0.9, rate);
      double env = std::exp(-t / (k == "snare" ? 0.07 : 0.05));
      if (k == "clap") env *= (t < 0.03 ? 0.6 + 0.4 * std::cos(2 * kPi * t / 0.01) : 1.0);
      double x = n * env * 1.6;
      if (k == "snare") {
        ph += 185.0 / rate;
        x += 0.5 * std::sin(2 * kPi * ph) * std::exp(-t / 0.05);
      }
      out[i] = float(x);
    }
  } else if (k == "hat" || k == "shaker") {
    const double len = k == "hat" ? ins.param("length", 0.06) : 0.12;
    make(len * 4);
    Svf f;
    for (std::size_t i = 0; i < out.size(); ++i) {
      const double t = double(i) / rate;
      const double env = k == "hat" ? std::exp(-t / len) : std::sin(kPi * std::min(1.0, t / (len * 2))) * std::exp(-t / len);
      out[i] = float(f.hp(rng.bipolar(), k == "hat" ? 7000 : 4500, 0.7, rate) * env * 0.8);
    }
  } else if (k == "tom") {
    make(0.5);
    double ph = 0;
    const double base = freq > 0 ? freq : 120;
    for (std::size_t i = 0; i < out.size(); ++i) {
      const double t = double(i) / rate;
      ph += base * (1 + 0.5 * std::exp(-t / 0.05)) / rate;
      out[i] = float(std::sin(2 * kPi * ph) * std::exp(-t / 0.18));
    }
  }
  for (float& s : out) s *= float(velocity);
  return out;
}

}  // namespace

Audio renderScore(const Score& score) {
  Audio a;
  a.rate = score.rate;
  a.channels = 2;
  const double secondsPerBeat = 60.0 / score.tempo;
  const std::size_t loopFrames = std::size_t(std::llround(score.seconds() * a.rate));
  const std::size_t tailFrames = std::size_t(4.0 * a.rate);
  std::vector<float> mix((loopFrames + tailFrames) * 2, 0.0f);
  std::uint32_t seed = 7;
  for (const Track& tr : score.tracks) {
    const Instrument& ins = score.instruments.at(tr.instrument);
    const double panL = std::sqrt(0.5 * (1 - tr.pan)), panR = std::sqrt(0.5 * (1 + tr.pan));
    const double gate = ins.param("gate", 0.92);
    for (const Note& n : tr.notes) {
      std::vector<double> freqs = n.freqs.empty() ? std::vector<double>{0} : n.freqs;
      for (double f : freqs) {
        const std::vector<float> v =
            renderNote(ins, f, n.beats * secondsPerBeat * gate, n.velocity, a.rate, ++seed * 2654435761u);
        const std::size_t start = std::size_t(std::llround(n.beat * secondsPerBeat * a.rate));
        for (std::size_t i = 0; i < v.size() && start + i < loopFrames + tailFrames; ++i) {
          mix[(start + i) * 2] += float(v[i] * tr.gain * panL);
          mix[(start + i) * 2 + 1] += float(v[i] * tr.gain * panR);
        }
      }
    }
  }
  a.samples = std::move(mix);
  addReverb(a, score.reverbMix, score.reverbSeconds);
  if (score.loop) {
    // Fold the ringing past the loop's end onto its start.
    for (std::size_t i = 0; i < tailFrames * 2; ++i) a.samples[i] += a.samples[loopFrames * 2 + i];
    a.samples.resize(loopFrames * 2);
  } else {
    // Keep the tail until it has died away.
    float top = 0;
    for (float s : a.samples) top = std::max(top, std::fabs(s));
    const float quiet = top * 0.003f;  // about -50 dB
    std::size_t end = a.samples.size() / 2;
    while (end > loopFrames && std::fabs(a.samples[end * 2 - 1]) < quiet && std::fabs(a.samples[end * 2 - 2]) < quiet)
      --end;
    a.samples.resize(end * 2);
    const std::size_t fade = std::min<std::size_t>(end, std::size_t(0.05 * a.rate));
    for (std::size_t i = 0; i < fade; ++i) {
      const float g = float(i) / fade;
      a.samples[(end - 1 - i) * 2] *= g;
      a.samples[(end - 1 - i) * 2 + 1] *= g;
    }
  }
  // Gentle limiting, then the peak level, then down to the piece's level
  // (music sits under the effects).
  normalise(a, 1.0);
  for (float& s : a.samples) s = float(std::tanh(s * 1.3) / std::tanh(1.3));
  normalise(a, score.peak);
  const double over = loudness::measure(a.samples, a.channels, a.rate).rmsDb - score.level;
  if (over > 0) {
    const float g = float(std::pow(10.0, -over / 20));
    for (float& s : a.samples) s *= g;
  }
  return a;
}

// ---- parsing ----

namespace {

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> w;
  std::istringstream in(line);
  std::string s;
  while (in >> s) w.push_back(s);
  return w;
}

bool toNumber(const std::string& s, double& v) {
  try {
    std::size_t used = 0;
    v = std::stod(s, &used);
    return used == s.size() && std::isfinite(v);
  } catch (...) {
    return false;
  }
}

bool parseCurve(const std::vector<std::string>& w, std::size_t from, Curve& c) {
  c.clear();
  for (std::size_t i = from; i < w.size(); ++i) {
    const std::size_t colon = w[i].find(':');
    double t, v;
    if (colon == std::string::npos || !toNumber(w[i].substr(0, colon), t) || !toNumber(w[i].substr(colon + 1), v))
      return false;
    if (!c.empty() && t < c.back().first) return false;
    c.push_back({t, v});
  }
  return !c.empty();
}

// A comment starts with '#' at the start of a word (F#4 is a note).
std::string stripComment(const std::string& line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) return line.substr(0, i);
  }
  return line;
}

bool fail(std::string* error, int line, const std::string& what) {
  if (error) *error = "line " + std::to_string(line) + ": " + what;
  return false;
}

}  // namespace

bool parseEffects(const std::string& text, std::vector<Effect>& out, std::string* error) {
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  Effect* e = nullptr;
  Layer* L = nullptr;
  while (std::getline(in, raw)) {
    ++lineNo;
    const std::vector<std::string> w = words(stripComment(raw));
    if (w.empty()) continue;
    const std::string& key = w[0];
    auto num = [&](std::size_t i, double& v) { return i < w.size() && toNumber(w[i], v); };
    double a = 0, b = 0, c = 0;
    if (key == "sound") {
      if (w.size() != 2) return fail(error, lineNo, "sound NAME");
      out.push_back(Effect{});
      e = &out.back();
      e->name = w[1];
      L = nullptr;
      continue;
    }
    if (e == nullptr) return fail(error, lineNo, "'sound NAME' must come first");
    if (key == "format") {
      if (w.size() != 4 || !num(1, a) || !num(3, c) || (a != 8 && a != 16) || (w[2] != "mono" && w[2] != "stereo"))
        return fail(error, lineNo, "format 8|16 mono|stereo RATE");
      e->bits = int(a);
      e->channels = w[2] == "mono" ? 1 : 2;
      e->rate = int(c);
    } else if (key == "layer") {
      e->layers.push_back(Layer{});
      L = &e->layers.back();
    } else if (key == "reverb") {
      if (!num(1, e->reverbMix) || !num(2, e->reverbSeconds)) return fail(error, lineNo, "reverb MIX SECONDS");
    } else if (key == "echo") {
      if (!num(1, e->echoSeconds) || !num(2, e->echoFeedback) || !num(3, e->echoMix))
        return fail(error, lineNo, "echo SECONDS FEEDBACK MIX");
    } else if (key == "peak") {
      if (!num(1, e->peak)) return fail(error, lineNo, "peak LEVEL");
    } else if (key == "loud") {
      if (!num(1, e->loudness) || e->loudness > 0 || e->loudness < -60) return fail(error, lineNo, "loud DB (-60 to 0)");
    } else {
      if (L == nullptr) return fail(error, lineNo, "'" + key + "' belongs to a layer");
      bool ok = true;
      if (key == "wave") {
        ok = w.size() == 2;
        L->wave = ok ? w[1] : "";
        static const char* kWaves[] = {"sine", "saw", "square", "triangle", "noise", "pink"};
        ok = ok && std::find(std::begin(kWaves), std::end(kWaves), L->wave) != std::end(kWaves);
      } else if (key == "at") {
        ok = num(1, L->at);
      } else if (key == "freq") {
        ok = parseCurve(w, 1, L->freq);
      } else if (key == "amp") {
        ok = parseCurve(w, 1, L->amp);
      } else if (key == "vibrato") {
        ok = num(1, L->vibratoRate) && num(2, L->vibratoDepth);
      } else if (key == "tremolo") {
        ok = num(1, L->tremoloRate) && num(2, L->tremoloDepth);
        L->tremoloRough = w.size() > 3 && w[3] == "rough";
      } else if (key == "fm") {
        ok = num(1, L->fmRatio) && parseCurve(w, 2, L->fmIndex);
      } else if (key == "filter") {
        ok = w.size() >= 4 && (w[1] == "lp" || w[1] == "hp" || w[1] == "bp") && num(2, L->filterQ) &&
             parseCurve(w, 3, L->cutoff);
        if (ok) L->filter = w[1];
      } else if (key == "formants") {
        L->formants.clear();
        for (std::size_t i = 1; i < w.size() && ok; ++i) {
          const std::size_t colon = w[i].find(':');
          double t;
          ok = colon != std::string::npos && colon + 2 == w[i].size() && toNumber(w[i].substr(0, colon), t);
          if (ok) L->formants.push_back({t, w[i][colon + 1]});
        }
        ok = ok && !L->formants.empty();
      } else if (key == "shift") {
        ok = num(1, L->formantShift);
      } else if (key == "modes") {
        L->modes.clear();
        for (std::size_t i = 1; i < w.size() && ok; ++i) {
          const std::size_t colon = w[i].find(':');
          double hz, d;
          ok = colon != std::string::npos && toNumber(w[i].substr(0, colon), hz) && toNumber(w[i].substr(colon + 1), d);
          if (ok) L->modes.push_back({hz, d});
        }
      } else if (key == "drive") {
        ok = num(1, L->drive);
      } else if (key == "grains") {
        ok = num(1, a) && num(2, L->grainSpread) && num(3, b);
        L->grains = int(a);
        L->grainSeed = std::uint32_t(b);
      } else if (key == "gain") {
        ok = num(1, L->gain);
      } else if (key == "pan") {
        ok = num(1, L->pan);
      } else {
        return fail(error, lineNo, "unknown word '" + key + "'");
      }
      if (!ok) return fail(error, lineNo, "bad values for '" + key + "'");
    }
  }
  for (const Effect& eff : out) {
    if (eff.layers.empty()) return fail(error, 0, eff.name + " has no layer");
  }
  return true;
}

namespace {

bool noteFrequency(const std::string& s, int octaveShift, double& hz) {
  if (s.empty()) return false;
  static const int kSemis[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  const char letter = s[0];
  if (letter < 'A' || letter > 'G') return false;
  int semi = kSemis[letter - 'A'];
  std::size_t i = 1;
  while (i < s.size() && (s[i] == '#' || s[i] == 'b')) semi += s[i++] == '#' ? 1 : -1;
  if (i >= s.size()) return false;
  double octave;
  if (!toNumber(s.substr(i), octave)) return false;
  const int midi = int(12 * (octave + 1 + octaveShift)) + semi;
  hz = 440.0 * std::pow(2.0, (midi - 69) / 12.0);
  return true;
}

// Expands "( ... )xN" groups into a flat token list.
bool expand(const std::vector<std::string>& tokens, std::size_t& i, std::vector<std::string>& out, int depth) {
  if (depth > 8) return false;
  while (i < tokens.size()) {
    const std::string& t = tokens[i++];
    if (t == "(") {
      std::vector<std::string> inner;
      if (!expand(tokens, i, inner, depth + 1)) return false;
      int times = 1;
      if (i < tokens.size() && tokens[i].size() > 1 && tokens[i][0] == 'x') {
        double n;
        if (!toNumber(tokens[i].substr(1), n) || n < 1 || n > 512) return false;
        times = int(n);
        ++i;
      }
      for (int k = 0; k < times; ++k) out.insert(out.end(), inner.begin(), inner.end());
    } else if (t == ")") {
      return depth > 0;
    } else if (t != "|") {
      out.push_back(t);
    }
  }
  return depth == 0;
}

}  // namespace

bool parseScore(const std::string& text, Score& score, std::string* error) {
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  Track* track = nullptr;
  std::vector<std::vector<std::string>> trackTokens;
  std::vector<int> octaves;
  while (std::getline(in, raw)) {
    ++lineNo;
    std::string line = stripComment(raw);
    // Parentheses stand alone as tokens.
    std::string spaced;
    for (char ch : line) {
      if (ch == '(' || ch == ')') {
        spaced += ' ';
        spaced += ch;
        spaced += ' ';
      } else {
        spaced += ch;
      }
    }
    const std::vector<std::string> w = words(spaced);
    if (w.empty()) continue;
    const bool indented = !raw.empty() && (raw[0] == ' ' || raw[0] == '\t');
    auto num = [&](std::size_t i, double& v) { return i < w.size() && toNumber(w[i], v); };
    double v = 0;
    if (indented) {
      if (track == nullptr) return fail(error, lineNo, "notes outside a track");
      trackTokens.back().insert(trackTokens.back().end(), w.begin(), w.end());
      continue;
    }
    const std::string& key = w[0];
    if (key == "name" && w.size() == 2) {
      score.name = w[1];
    } else if (key == "tempo" && num(1, v) && v > 20 && v < 400) {
      score.tempo = v;
    } else if (key == "beats" && num(1, v) && v >= 1 && v <= 16) {
      score.beatsPerBar = int(v);
    } else if (key == "bars" && num(1, v) && v >= 1 && v <= 512) {
      score.bars = int(v);
    } else if (key == "loop" && w.size() == 2) {
      score.loop = w[1] == "yes";
    } else if (key == "reverb" && num(1, score.reverbMix) && num(2, score.reverbSeconds)) {
    } else if (key == "level" && num(1, score.level) && score.level <= 0 && score.level >= -60) {
    } else if (key == "peak" && num(1, score.peak)) {
    } else if (key == "instrument" && w.size() >= 3) {
      Instrument ins;
      ins.kind = w[2];
      static const char* kKinds[] = {"piano", "bell", "marimba", "pad", "bass", "lead", "flute",
                                     "kick", "snare", "hat", "shaker", "clap", "tom"};
      if (std::find(std::begin(kKinds), std::end(kKinds), ins.kind) == std::end(kKinds))
        return fail(error, lineNo, "unknown instrument kind " + ins.kind);
      for (std::size_t i = 3; i < w.size(); ++i) {
        const std::size_t eq = w[i].find('=');
        double p;
        if (eq == std::string::npos || !toNumber(w[i].substr(eq + 1), p)) return fail(error, lineNo, "key=value");
        ins.params[w[i].substr(0, eq)] = p;
      }
      score.instruments[w[1]] = ins;
    } else if (key == "track" && w.size() >= 2) {
      if (score.instruments.count(w[1]) == 0) return fail(error, lineNo, "unknown instrument " + w[1]);
      score.tracks.push_back(Track{});
      track = &score.tracks.back();
      track->instrument = w[1];
      int octave = 0;
      for (std::size_t i = 2; i < w.size(); ++i) {
        const std::size_t eq = w[i].find('=');
        double p;
        if (eq == std::string::npos || !toNumber(w[i].substr(eq + 1), p)) return fail(error, lineNo, "key=value");
        const std::string k = w[i].substr(0, eq);
        if (k == "gain") track->gain = p;
        else if (k == "pan") track->pan = p;
        else if (k == "octave") octave = int(p);
        else return fail(error, lineNo, "unknown track setting " + k);
      }
      trackTokens.emplace_back();
      octaves.push_back(octave);
    } else {
      return fail(error, lineNo, "cannot read '" + key + "'");
    }
  }
  const double total = score.bars * score.beatsPerBar;
  for (std::size_t t = 0; t < score.tracks.size(); ++t) {
    Track& tr = score.tracks[t];
    std::vector<std::string> flat;
    std::size_t i = 0;
    if (!expand(trackTokens[t], i, flat, 0)) return fail(error, 0, "unbalanced ( ) in track " + std::to_string(t + 1));
    double beat = 0;
    for (const std::string& tok : flat) {
      Note n;
      std::string body = tok;
      const std::size_t bang = body.find('!');
      if (bang != std::string::npos) {
        if (!toNumber(body.substr(bang + 1), n.velocity)) return fail(error, 0, "bad velocity in " + tok);
        body = body.substr(0, bang);
      }
      const std::size_t slash = body.find('/');
      if (slash == std::string::npos || !toNumber(body.substr(slash + 1), n.beats) || n.beats <= 0)
        return fail(error, 0, "track " + std::to_string(t + 1) + ": bad note " + tok);
      const std::string pitch = body.substr(0, slash);
      n.beat = beat;
      beat += n.beats;
      if (pitch == "r") continue;
      if (pitch != "x") {
        std::size_t from = 0;
        while (from <= pitch.size()) {
          const std::size_t plus = pitch.find('+', from);
          const std::string one = pitch.substr(from, plus == std::string::npos ? std::string::npos : plus - from);
          double hz;
          if (!noteFrequency(one, octaves[t], hz)) return fail(error, 0, "bad pitch " + one + " in " + tok);
          n.freqs.push_back(hz);
          if (plus == std::string::npos) break;
          from = plus + 1;
        }
      }
      tr.notes.push_back(n);
    }
    tr.lengthBeats = beat;
    if (score.loop && std::fabs(beat - total) > 1e-6)
      return fail(error, 0, "track " + std::to_string(t + 1) + " (" + tr.instrument + ") lasts " + std::to_string(beat) +
                                " beats, the piece " + std::to_string(total));
    if (!score.loop && beat > total + 1e-6)
      return fail(error, 0, "track " + std::to_string(t + 1) + " is longer than the piece");
  }
  return !score.tracks.empty() || fail(error, 0, "no track");
}

}  // namespace synth
