// Seed inputs for the fuzz targets whose inputs are binary: make_fuzz_seeds
// OUT_DIR writes OUT_DIR/<target>/ for each of them, made by our writers (or,
// for inputs that are a target's own byte script, by an encoder of that
// script). Each folder is emptied first so no stale seed survives a change.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "tools/sound_writer.h"
#include "tools/textbank_writer.h"
#include "tools/texture_writer.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class SeedFolder {
 public:
  SeedFolder(const fs::path& out, const std::string& target) : dir_(out / target) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void put(const std::string& name, const Bytes& bytes) {
    if (!texwriter::writeFile((dir_ / name).string(), bytes)) {
      std::fprintf(stderr, "make_fuzz_seeds: cannot write %s\n", (dir_ / name).c_str());
      ok_ = false;
    }
  }
  void put(const std::string& name, const std::string& bytes) { put(name, Bytes(bytes.begin(), bytes.end())); }
  bool ok() const { return ok_; }

 private:
  fs::path dir_;
  bool ok_ = true;
};

void putU16(Bytes& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>(v >> 8 & 0xFF));
}

// --- sound decoders: every WAV layout with extra chunks, short Ogg streams ---

bool soundSeeds(const fs::path& out) {
  SeedFolder wav(out, "wav_decoder_fuzz");
  SeedFolder ogg(out, "ogg_decoder_fuzz");
  auto tone = [](int frames, int channels) {
    std::vector<float> s;
    for (int i = 0; i < frames * channels; ++i) s.push_back(0.5f * std::sin(0.07f * static_cast<float>(i)));
    return s;
  };
  int n = 0;
  for (int channels : {1, 2})
    for (int bits : {8, 16}) {
      soundwriter::WavLayout l;
      l.channels = channels;
      l.bits = bits;
      l.rate = bits == 8 ? 22050 : 44100;
      if (n % 2 == 1) l.beforeFormat.push_back({"LIST", std::vector<std::uint8_t>(5, 'x')});
      if (n == 3) l.formatExtraBytes = 2;
      wav.put("seed" + std::to_string(n++) + ".wav", soundwriter::makeWav(tone(64, channels), l));
    }
  for (int channels : {1, 2}) {
    ogg.put("seed" + std::to_string(channels) + ".ogg", soundwriter::makeOgg(tone(4000, channels), channels, 22050, 0.0f));
  }
  // The wave backend's recordings: float samples in WAVE_FORMAT_EXTENSIBLE,
  // and a plain 16-bit file.
  SeedFolder rec(out, "recording_fuzz");
  Bytes floatRec;
  const auto text = [&floatRec](const char* s) { floatRec.insert(floatRec.end(), s, s + 4); };
  const auto u32 = [&floatRec](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) floatRec.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const std::vector<float> samples = tone(32, 2);
  text("RIFF");
  u32(4 + 48 + 8 + static_cast<std::uint32_t>(samples.size() * 4));
  text("WAVE");
  text("fmt ");
  u32(40);
  putU16(floatRec, 0xFFFE);
  putU16(floatRec, 2);
  u32(44100);
  u32(44100 * 8);
  putU16(floatRec, 8);
  putU16(floatRec, 32);
  putU16(floatRec, 22);
  putU16(floatRec, 32);
  u32(3);
  const std::uint8_t floatGuid[16] = {3, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  floatRec.insert(floatRec.end(), floatGuid, floatGuid + 16);
  text("data");
  u32(static_cast<std::uint32_t>(samples.size() * 4));
  for (float f : samples) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, 4);
    u32(bits);
  }
  rec.put("float.wav", floatRec);
  soundwriter::WavLayout plain;
  plain.channels = 2;
  rec.put("int16.wav", soundwriter::makeWav(tone(32, 2), plain));
  return wav.ok() && ogg.ok() && rec.ok();
}

// --- pictures: every PNG format, some interlaced, one cut short ---

// Colours, grey levels and alpha all vary, and grey 0 (transparent with tRNS) occurs.
texwriter::Picture smallPicture(int width, int height) {
  texwriter::Picture p(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const auto v = static_cast<std::uint8_t>((x * 61 + y * 97) % 256);
      p.set(x, y, {v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(x * 50),
                   static_cast<std::uint8_t>(x == 0 ? 0 : 255 - y * 60)});
    }
  return p;
}

bool pngSeeds(const fs::path& out) {
  using texwriter::PngFormat;
  SeedFolder seeds(out, "png_fuzz");
  const struct {
    const char* name;
    PngFormat format;
  } formats[] = {
      {"rgba", PngFormat::Rgba8},          {"rgb", PngFormat::Rgb8},
      {"palette_trns", PngFormat::Palette8}, {"grey1", PngFormat::Grey1},
      {"grey2", PngFormat::Grey2},         {"grey4", PngFormat::Grey4},
      {"grey8", PngFormat::Grey8},         {"grey_trns", PngFormat::GreyTrns8},
      {"grey_alpha", PngFormat::GreyAlpha8}, {"rgb16", PngFormat::Rgb16},
      {"rgba16", PngFormat::Rgba16},       {"grey16", PngFormat::Grey16},
      {"grey_alpha16", PngFormat::GreyAlpha16},
  };
  bool ok = true;
  auto encode = [&](const texwriter::Picture& picture, PngFormat format, bool interlaced) {
    std::string error;
    Bytes png = texwriter::encodePng(picture, {format, interlaced}, &error);
    if (png.empty()) {
      std::fprintf(stderr, "make_fuzz_seeds: PNG: %s\n", error.c_str());
      ok = false;
    }
    return png;
  };
  const texwriter::Picture picture = smallPicture(5, 3);
  for (const auto& f : formats) seeds.put(std::string(f.name) + ".png", encode(picture, f.format, false));
  seeds.put("grey1_interlaced.png", encode(picture, PngFormat::Grey1, true));
  seeds.put("rgb_interlaced.png", encode(picture, PngFormat::Rgb8, true));
  seeds.put("rgba16_interlaced.png", encode(picture, PngFormat::Rgba16, true));
  // A palette without transparency, wider than tall.
  texwriter::Picture opaque = smallPicture(6, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) {
      texwriter::Rgba c = opaque.at(x, y);
      c.a = 255;
      opaque.set(x, y, c);
    }
  seeds.put("palette.png", encode(opaque, PngFormat::Palette8, false));
  // The image data stops halfway.
  Bytes cut = encode(smallPicture(20, 20), PngFormat::Rgba8, false);
  cut.resize(cut.size() / 2);
  seeds.put("truncated.png", cut);
  return ok && seeds.ok();
}

// --- the sheet index: whole records, a cut record, extreme values ---

bool texIndexSeeds(const fs::path& out) {
  SeedFolder seeds(out, "texindex_fuzz");
  seeds.put("three.dat", texwriter::encodeTexIndex({{12, 3, 10, 20, 30, 40}, {7, 0, 0, 0, 10, 7}, {8, 1, 5, 5, 20, 20}}));
  Bytes partial = texwriter::encodeTexIndex({{100, 2, 1, 1, 60, 40}, {101, 2, 61, 1, 8, 8}, {5, 1, 0, 0, 4, 4}});
  partial.resize(partial.size() - 9);
  seeds.put("partial.dat", partial);
  constexpr std::int16_t kMax = std::numeric_limits<std::int16_t>::max();
  seeds.put("odd_values.dat", texwriter::encodeTexIndex({{-1, -1, -5, -5, -10, 0},
                                                         {kMax, 9, kMax, kMax, kMax, kMax},
                                                         {3, 1, 0, 0, 0, 0},
                                                         {std::numeric_limits<std::int16_t>::min(), 0, 0, 0, 1, 1}}));
  return seeds.ok();
}

// --- text banks: a language list, a bank with gaps, a bank of markers ---

bool textBankSeeds(const fs::path& out) {
  SeedFolder seeds(out, "text_bank_fuzz");
  bool ok = true;
  auto text = [&](const std::string& notation) {
    std::string encoded, error;
    if (!textbank::encodeText(notation, encoded, error)) {
      std::fprintf(stderr, "make_fuzz_seeds: text \"%s\": %s\n", notation.c_str(), error.c_str());
      ok = false;
    }
    return encoded;
  };
  seeds.put("language_list", textbank::encodeLanguageList({{"English", "en"},
                                                           {text("Fran\\u00E7ais"), "fr"},
                                                           {"Italiano", "it"},
                                                           {"Deutsch", "de"},
                                                           {text("Espa\\u00F1ol"), "es"}}));
  textbank::Banks german;
  german[2].resize(15);
  german[2][14] = "Pause";
  german[8].resize(37);
  german[8][5] = "Weiter";
  german[8][6] = text("Men\\u00FC");
  german[8][20] = text("N\\u00E4chstes");
  german[8][36] = "Nochmal";
  seeds.put("bank_de", textbank::encodeBankFile(german));
  textbank::Banks markers;
  markers[0] = {text("Level {0} of {5}"), "", text("\\u20AC 5 \\u2122")};
  // A lone percent sign, as no source line can write it.
  markers[2] = {"", text("{1}{65}") + "%"};
  seeds.put("bank_markers", textbank::encodeBankFile(markers));
  markers[2].push_back(text("{65535}\\n{2}\\s"));
  seeds.put("bank_markers_wide", textbank::encodeBankFile(markers));
  return ok && seeds.ok();
}

// --- fonts: mode, point size (and knob), text length, text, then the rest ---

Bytes fontInput(std::uint8_t mode, std::uint8_t knob, const std::string& text, const Bytes& rest) {
  Bytes b{mode, knob};
  putU16(b, static_cast<unsigned>(text.size()));
  b.insert(b.end(), text.begin(), text.end());
  b.insert(b.end(), rest.begin(), rest.end());
  return b;
}

bool fontSeeds(const fs::path& out) {
  SeedFolder seeds(out, "font_fuzz");
  // A TrueType header announcing five tables, then the same tag over and over.
  Bytes garbage{0x00, 0x01, 0x00, 0x00, 0x00, 0x05};
  for (int i = 0; i < 20; ++i) garbage.insert(garbage.end(), {'g', 'l', 'y', 'f'});
  seeds.put("garbage_font", fontInput(0, 0x14, "abc", garbage));
  // Three bytes of the real font changed: (3-byte offset, value) each.
  seeds.put("patched_font", fontInput(1, 0x16, "Hello", {0x10, 0x00, 0x00, 0xFF, 0x40, 0x10, 0x00, 0x7F, 0x00, 0x20, 0x01, 0x00}));
  seeds.put("layout_accents",
            fontInput(2, 0x25,
                      "Les loups ont franchi la rivi\xC3\xA8re\n\xC2\xAB\xC2\xA0" "En avant\xC2\xA0!\xC2\xA0\xC2\xBB "
                      "\xC2\xBFQu\xC3\xA9? \xC2\xA1S\xC3\xAD! 100%% Stra\xC3\x9F" "e",
                      {}));
  seeds.put("layout_long_word",
            fontInput(2, 0xC8, "Donaudampfschifffahrtsgesellschaftskapit\xC3\xA4n \xE4\xB8\x80 \xE2\x84\xA2 \xE2\x82\xAC", {}));
  return seeds.ok();
}

// --- physics: the byte script physics_fuzz reads ---

// Writes what physics_fuzz's reader takes back: an operation byte, then its
// values. It counts the nodes added as the target does, since picking a node
// reads a byte only when there is one. Contact handlers read from the same
// bytes while the scene steps, so steps come last or before a reset.
class PhysicsScript {
 public:
  struct Shape {
    int model = 2;  // 0 segment, 1 polygon, 2 circle
    std::vector<float> xy;
    int pointCount = -1;  // -1: as many as xy holds
    float radius = 0.0f;
    float elasticity = 0.5f;
    float friction = 0.7f;
  };
  struct Body {
    float mass = 4.0f;
    bool isStatic = false;
    std::vector<Shape> shapes;
    int shapeCount = -1;  // -1: as many as shapes holds
    int group = 0;
    int collisionType = 0;
  };

  const Bytes& bytes() const { return bytes_; }

  void add(float x, float y, const Body& body) {
    byte(0);
    number(x);
    number(y);
    this->body(body);
    ++nodes_;
  }
  void move(int node, float x, float y, float angle) {
    byte(2);
    pick(node);
    number(x);
    number(y);
    number(0.0f);
    number(0.0f);
    number(0.0f);
    number(angle);
  }
  void scale(int node, float sx, float sy) {
    byte(3);
    pick(node);
    number(sx);
    number(sy);
    number(1.0f);
  }
  // type: 0 pin, 1 slide, 2 pivot, 3 groove, 4 unknown.
  void join(int a, int b, int type, float ax, float ay, float bx, float by) {
    byte(4);
    pick(a);
    pick(b);
    byte(static_cast<std::uint8_t>(type));
    for (float v : {ax, ay, bx, by, (ax + bx) / 2, (ay + by) / 2, ax, ay, bx, by}) number(v);
    number(0.0f);
    number(40.0f);
    number(1.0f);
  }
  void clone(int node) {
    byte(8);
    pick(node);
    ++nodes_;
  }
  void world(std::int32_t stepsPerSecond, std::int32_t iterations, float gx, float gy, float damping) {
    byte(9);
    int32(stepsPerSecond);
    int32(iterations);
    number(gx);
    number(gy);
    number(damping);
  }
  void poke(float qx, float qy, int node, float ix, float iy) {
    byte(10);
    number(qx);
    number(qy);
    byte(0xFF);
    pick(node);
    for (float v : {ix, iy, 0.0f, 0.0f, ix / 2, iy / 2}) number(v);
  }
  void group(const Body& a, float bx, float by, const Body& b, int jointType, float x, float y, float s) {
    byte(11);
    body(a);
    number(bx);
    number(by);
    body(b);
    byte(static_cast<std::uint8_t>(jointType));
    number(x);
    number(y);
    number(s);
    number(s);
    number(1.0f);
  }
  void reset() {
    byte(12);
    nodes_ = 0;
  }
  // frames steps, then more replies for the contact handlers. Handlers and
  // steps read from the same bytes, so each byte is also a 33 ms step
  // (reply % 3 != 0); the replies left over are read as operations.
  void run(int frames, std::uint8_t reply, int replies) {
    byte(5);
    byte(static_cast<std::uint8_t>(frames - 1));
    for (int i = 0; i < frames + replies; ++i) byte(reply);
  }
  // Any bit pattern, NaN and infinities included.
  void raw(float v) {
    byte(200);
    std::uint8_t b[4];
    std::memcpy(b, &v, 4);
    bytes_.insert(bytes_.end(), b, b + 4);
  }
  void byte(std::uint8_t b) { bytes_.push_back(b); }

 private:
  // Small multiples of 4 take two bytes; anything else is written whole.
  void number(float v) {
    const float q = v / 4.0f;
    if (q == std::floor(q) && q >= -128.0f && q <= 127.0f) {
      byte(0);
      byte(static_cast<std::uint8_t>(static_cast<std::int8_t>(q)));
    } else {
      raw(v);
    }
  }
  void int32(std::int32_t v) {
    std::uint8_t b[4];
    std::memcpy(b, &v, 4);
    bytes_.insert(bytes_.end(), b, b + 4);
  }
  void pick(int node) {
    if (nodes_ > 0) byte(static_cast<std::uint8_t>(node));
  }
  void body(const Body& d) {
    number(d.mass);
    byte(d.isStatic ? 1 : 0);
    byte(static_cast<std::uint8_t>(d.shapeCount >= 0 ? d.shapeCount : static_cast<int>(d.shapes.size())));
    for (std::size_t i = 0; i < kShapeSlots; ++i) {
      const Shape s = i < d.shapes.size() ? d.shapes[i] : Shape{};
      byte(static_cast<std::uint8_t>(s.model));
      const std::size_t held = s.xy.size() / 2;
      byte(static_cast<std::uint8_t>(held));
      for (std::size_t k = 0; k < 2 * held; ++k) number(s.xy[k]);
      byte(static_cast<std::uint8_t>(s.pointCount >= 0 ? s.pointCount : static_cast<int>(held)));
      number(s.radius);
      number(s.elasticity);
      number(s.friction);
      for (int k = 0; k < 4; ++k) number(0.0f);  // offset, surface velocity
    }
    byte(static_cast<std::uint8_t>(d.group));
    byte(static_cast<std::uint8_t>(d.collisionType));
    byte(0);  // every layer
  }

  static constexpr std::size_t kShapeSlots = 5;  // shapes a body description holds
  Bytes bytes_;
  int nodes_ = 0;
};

PhysicsScript::Shape box(float w, float h) {
  return {1, {-w / 2, -h / 2, w / 2, -h / 2, w / 2, h / 2, -w / 2, h / 2}, -1, 0.0f, 0.4f, 0.8f};
}

PhysicsScript::Shape ball(float r) { return {2, {}, 0, r, 0.6f, 0.5f}; }

// A floor and two walls, boxes stacked on it, balls dropped on top, two of
// them joined, another hung from a pivot.
void pile(PhysicsScript& s) {
  s.add(0, 80, {0.0f, true, {box(320, 16)}, -1, 0, 0});
  s.add(0, 0, {0.0f, true, {{0, {-160, 88, -160, -120}, -1, 2}, {0, {160, 88, 160, -120}, -1, 2}}, -1, 0, 1});
  for (int i = 0; i < 4; ++i) s.add(-8 + 4 * i, 60 - 20 * i, {4.0f, false, {box(24, 16)}, -1, 0, 2});
  for (int i = 0; i < 3; ++i) s.add(-40 + 40 * i, -60, {2.0f, false, {ball(8)}, -1, 0, 3});
  s.add(60, -20, {6.0f, false, {box(40, 8), ball(6)}, -1, 1, 4});
  s.join(2, 3, 0, 0, 0, 0, 0);
  s.join(0, 8, 2, 60, -20, 60, -20);
}

bool physicsSeeds(const fs::path& out) {
  SeedFolder seeds(out, "physics_fuzz");
  {
    PhysicsScript s;
    pile(s);
    s.run(8, 5, 64);  // every contact accepted
    seeds.put("pile", s.bytes());
  }
  {
    // The pile stepped, contacts removing bodies; the leftover replies read as
    // resets, so the second pile starts from an empty scene.
    PhysicsScript s;
    pile(s);
    s.run(8, 25, 20);
    s.reset();
    pile(s);
    s.run(8, 5, 32);
    seeds.put("reset", s.bytes());
  }
  {
    // Everything else a scene offers, and values the library would abort on.
    PhysicsScript s;
    pile(s);
    s.move(4, 10, -30, 0.5f);
    s.scale(5, 2, 0.5f);
    s.clone(8);
    s.world(60, 10, 0, 100, 0.9f);
    s.poke(0, 60, 3, 40, -80);
    s.group({2.0f, false, {box(16, 16)}, -1, 0, 2}, 24, 0, {2.0f, false, {ball(8)}, -1, 0, 3}, 1, -60, 20, 1.5f);
    s.join(4, 6, 3, -10, 0, 10, 0);
    s.join(5, 7, 1, 0, 0, 8, 0);
    s.join(6, 6, 4, 0, 0, 0, 0);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // A polygon claiming more points than it holds, a bent one, a NaN radius.
    s.add(0, -100, {1.0f, false, {{1, {0, 0, 8, 0}, 9, 0}, {1, {0, 0, 8, 8, 8, 0, 0, 8}}, {2, {}, 0, nan}}, -1, 0, 2});
    s.add(0, 0, {-1.0f, false, {ball(0)}, 7, 0, 9});
    s.byte(2);
    s.byte(4);
    s.raw(inf);
    s.raw(-inf);
    s.raw(nan);
    s.raw(1e30f);
    s.raw(0.0f);
    s.raw(-0.0f);
    s.run(8, 5, 48);
    seeds.put("odd_values", s.bytes());
  }
  return seeds.ok();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds OUT_DIR\n");
    return 2;
  }
  const fs::path out = argv[1];
  bool ok = soundSeeds(out);
  ok = pngSeeds(out) && ok;
  ok = texIndexSeeds(out) && ok;
  ok = textBankSeeds(out) && ok;
  ok = fontSeeds(out) && ok;
  ok = physicsSeeds(out) && ok;
  return ok ? 0 : 1;
}
