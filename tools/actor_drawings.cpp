#include "tools/actor_drawings.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace texwriter {
namespace {

std::uint8_t byteOf(float v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f)); }
Rgba tone(Rgba c, float k) { return Rgba{byteOf(c.r * k), byteOf(c.g * k), byteOf(c.b * k), c.a}; }
const Rgba kInk{35, 30, 35, 255};
const Rgba kWhite{255, 255, 255, 255};

using Draw = void (*)(Picture&, const std::vector<Rgba>&);

// A fleece of puffs over four legs; colours wool and, optionally, an outline
// drawn round the whole (light for the black animals, so they stand out on a
// night sky, dark for the white ones).
void fleeceShapes(Picture& p, Rgba wool, Rgba legs, float grow, bool details) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  for (float lx : {0.22f, 0.36f, 0.6f, 0.74f}) {
    p.fillEllipse(w * lx + w * 0.04f, h * 0.8f, w * 0.04f + grow, h * 0.2f + grow, legs);
  }
  p.fillEllipse(w * 0.5f, h * 0.45f, w * 0.46f + grow, h * 0.33f + grow, details ? tone(wool, 0.8f) : wool);
  for (int i = 0; i < 7; ++i) {
    const float a = static_cast<float>(i) / 7.0f * 6.2832f;
    p.fillEllipse(w * (0.5f + 0.36f * std::cos(a)), h * (0.42f + 0.22f * std::sin(a)), w * 0.14f + grow,
                  h * 0.16f + grow, wool);
  }
  if (!details) return;
  p.fillEllipse(w * 0.5f, h * 0.42f, w * 0.34f, h * 0.24f, wool);
  // Curls: lighter dabs on the wool.
  for (int i = 0; i < 5; ++i) {
    p.fillEllipse(w * (0.28f + 0.11f * static_cast<float>(i)), h * (0.3f + 0.08f * static_cast<float>(i % 2)), w * 0.04f,
                  h * 0.05f, tone(wool, 1.12f));
  }
}
void fleece(Picture& p, const std::vector<Rgba>& c) {
  if (c.size() > 1) fleeceShapes(p, c[1], c[1], 0.9f, false);
  fleeceShapes(p, c[0], kInk, 0.0f, true);
}

// A sheep's head seen from the side: face, ear, eye; colours face, eye white
// and, optionally, an outline.
void sheepHead(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  if (c.size() > 2) {
    p.fillEllipse(w * 0.62f, h * 0.3f, w * 0.22f + 0.8f, h * 0.14f + 0.8f, c[2]);
    p.fillEllipse(w * 0.45f, h * 0.55f, w * 0.38f + 0.8f, h * 0.4f + 0.8f, c[2]);
    p.fillEllipse(w * 0.22f, h * 0.72f, w * 0.16f + 0.8f, h * 0.16f + 0.8f, c[2]);
  }
  p.fillEllipse(w * 0.62f, h * 0.3f, w * 0.22f, h * 0.14f, tone(c[0], 0.75f));  // ear
  p.fillEllipse(w * 0.45f, h * 0.55f, w * 0.38f, h * 0.4f, c[0]);
  p.fillEllipse(w * 0.22f, h * 0.72f, w * 0.16f, h * 0.16f, tone(c[0], 1.25f));  // muzzle
  p.fillEllipse(w * 0.14f, h * 0.68f, w * 0.04f, h * 0.04f, kInk);  // nostril
  p.fillEllipse(w * 0.42f, h * 0.45f, w * 0.13f, h * 0.13f, c.size() > 1 ? c[1] : kWhite);
  p.fillEllipse(w * 0.38f, h * 0.46f, w * 0.07f, h * 0.08f, kInk);
  p.fillEllipse(w * 0.36f, h * 0.43f, w * 0.025f + 0.5f, h * 0.025f + 0.5f, kWhite);
}

// A closed eye: a lid of the face colour with its lash line.
void eyelid(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  p.fillEllipse(w * 0.5f, h * 0.5f, w * 0.5f, h * 0.5f, c[0]);
  p.fillRect(static_cast<int>(w * 0.15f), static_cast<int>(h * 0.55f), static_cast<int>(w * 0.7f),
             std::max(1, static_cast<int>(h * 0.14f)), kInk);
}

// An open mouth, as a bleat: dark with a pink tongue.
void mouth(Picture& p, const std::vector<Rgba>&) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  p.fillEllipse(w * 0.5f, h * 0.5f, w * 0.5f, h * 0.5f, Rgba{90, 20, 30, 255});
  p.fillEllipse(w * 0.5f, h * 0.7f, w * 0.3f, h * 0.22f, Rgba{235, 110, 130, 255});
}

// A wolf's body, lean and long-legged: a deep chest with a pale ruff in
// front, the back sloping to the haunch, a bushy tail held out behind with a
// pale tip, a ridge of hackles. Colours fur, belly and, optionally, an outline.
void wolfBodyShapes(Picture& p, Rgba fur, Rgba belly, float grow, bool details) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  const Rgba dark = details ? tone(fur, 0.62f) : fur;
  // Legs: the far pair darker, each a slim stroke with a paw.
  const float legs[4][2] = {{0.2f, 0.0f}, {0.3f, 1.0f}, {0.64f, 0.0f}, {0.74f, 1.0f}};
  for (const auto& leg : legs) {
    const Rgba c = leg[1] > 0.5f ? (details ? tone(fur, 0.8f) : fur) : dark;
    for (int i = 0; i <= 8; ++i) {
      const float t = static_cast<float>(i) / 8.0f;
      p.fillEllipse(w * (leg[0] + 0.02f * t), h * (0.5f + 0.44f * t), w * 0.035f + grow, w * 0.035f + grow, c);
    }
    p.fillEllipse(w * leg[0], h * 0.95f, w * 0.05f + grow, h * 0.05f + grow, c);
  }
  // The tail: puffs growing from the rump out and up, a pale tip.
  for (int i = 0; i <= 6; ++i) {
    const float t = static_cast<float>(i) / 6.0f;
    p.fillEllipse(w * (0.8f + 0.14f * t), h * (0.4f - 0.2f * t * t), w * (0.05f + 0.04f * t) + grow,
                  h * (0.09f + 0.06f * t) + grow, dark);
  }
  p.fillEllipse(w * 0.95f, h * 0.2f, w * 0.045f + grow, h * 0.09f + grow, details ? tone(fur, 1.45f) : fur);
  // The body: chest, barrel, haunch.
  p.fillEllipse(w * 0.28f, h * 0.45f, w * 0.2f + grow, h * 0.26f + grow, fur);
  p.fillEllipse(w * 0.5f, h * 0.42f, w * 0.3f + grow, h * 0.18f + grow, fur);
  p.fillEllipse(w * 0.72f, h * 0.44f, w * 0.14f + grow, h * 0.18f + grow, fur);
  if (!details) return;
  p.fillEllipse(w * 0.5f, h * 0.55f, w * 0.2f, h * 0.07f, belly);
  p.fillTriangle(w * 0.1f, h * 0.3f, w * 0.3f, h * 0.5f, w * 0.14f, h * 0.7f, belly);  // ruff
  p.fillTriangle(w * 0.14f, h * 0.5f, w * 0.28f, h * 0.55f, w * 0.2f, h * 0.72f, belly);
  for (int i = 0; i < 5; ++i) {
    const float x = w * (0.24f + 0.09f * static_cast<float>(i));
    p.fillTriangle(x, h * 0.3f, x + w * 0.04f, h * 0.17f, x + w * 0.08f, h * 0.3f, dark);  // hackles
  }
}
void wolfBody(Picture& p, const std::vector<Rgba>& c) {
  const Rgba belly = c.size() > 1 ? c[1] : tone(c[0], 1.4f);
  if (c.size() > 2) wolfBodyShapes(p, c[2], c[2], 0.9f, false);
  wolfBodyShapes(p, c[0], belly, 0.0f, true);
}

// A wolf's head: pointed ears, long snout, red eye, teeth; colour fur.
void wolfHead(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  const Rgba dark = tone(c[0], 0.6f);
  if (c.size() > 1) {  // an outline round ears, skull and snout
    p.fillEllipse(w * 0.62f, h * 0.55f, w * 0.34f + 0.9f, h * 0.34f + 0.9f, c[1]);
    p.fillEllipse(w * 0.6f, h * 0.2f, w * 0.09f + 0.9f, h * 0.2f + 0.9f, c[1]);
    p.fillEllipse(w * 0.8f, h * 0.24f, w * 0.09f + 0.9f, h * 0.2f + 0.9f, c[1]);
    p.fillTriangle(w * 0.0f - 1.2f, h * 0.62f, w * 0.4f, h * 0.38f - 1.2f, w * 0.42f, h * 0.86f + 1.2f, c[1]);
  }
  p.fillTriangle(w * 0.5f, h * 0.35f, w * 0.58f, h * 0.0f, w * 0.72f, h * 0.35f, dark);
  p.fillTriangle(w * 0.66f, h * 0.38f, w * 0.82f, h * 0.04f, w * 0.9f, h * 0.42f, dark);
  p.fillEllipse(w * 0.62f, h * 0.55f, w * 0.34f, h * 0.34f, c[0]);
  p.fillTriangle(w * 0.0f, h * 0.62f, w * 0.4f, h * 0.38f, w * 0.42f, h * 0.86f, c[0]);  // snout
  p.fillEllipse(w * 0.04f, h * 0.6f, w * 0.06f, h * 0.06f, kInk);
  p.fillRect(static_cast<int>(w * 0.06f), static_cast<int>(h * 0.74f), static_cast<int>(w * 0.32f),
             std::max(1, static_cast<int>(h * 0.05f)), kInk);
  for (int i = 0; i < 3; ++i) {
    const float x = w * (0.12f + 0.08f * static_cast<float>(i));
    p.fillTriangle(x, h * 0.76f, x + w * 0.05f, h * 0.76f, x + w * 0.025f, h * 0.86f, kWhite);
  }
  p.fillEllipse(w * 0.5f, h * 0.48f, w * 0.08f, h * 0.07f, Rgba{255, 220, 60, 255});
  p.fillEllipse(w * 0.49f, h * 0.48f, w * 0.035f + 0.5f, h * 0.06f, Rgba{200, 20, 20, 255});
}

// An iron weight with its ring, strapped on a heavy black animal.
void weight(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  p.fillEllipse(w * 0.5f, h * 0.18f, w * 0.2f, h * 0.16f, tone(c[0], 0.7f));
  p.fillEllipse(w * 0.5f, h * 0.18f, w * 0.1f, h * 0.08f, Rgba{0, 0, 0, 0});
  p.fillTriangle(w * 0.2f, h * 0.3f, w * 0.8f, h * 0.3f, w * 1.0f, h * 1.0f, c[0]);
  p.fillTriangle(w * 0.2f, h * 0.3f, w * 0.0f, h * 1.0f, w * 1.0f, h * 1.0f, c[0]);
  p.fillRect(static_cast<int>(w * 0.3f), static_cast<int>(h * 0.45f), static_cast<int>(w * 0.15f),
             static_cast<int>(h * 0.4f), tone(c[0], 1.5f));
}

// A small feathered wing for the light black animals.
void wing(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  for (int i = 0; i < 4; ++i) {
    const float k = static_cast<float>(i);
    p.fillEllipse(w * (0.3f + 0.15f * k), h * (0.45f + 0.1f * k), w * 0.3f, h * 0.18f, i % 2 ? tone(c[0], 0.9f) : c[0]);
  }
  p.fillEllipse(w * 0.3f, h * 0.35f, w * 0.3f, h * 0.3f, c[0]);
}

// A wooden crate: frame, planks and a diagonal brace; colour wood.
void crateDrawing(Picture& p, const std::vector<Rgba>& c, bool cracked) {
  const int w = p.width();
  const int h = p.height();
  const int b = std::max(2, std::min(w, h) / 7);
  p.fillRect(0, 0, w, h, tone(c[0], 0.55f));
  p.fillRect(1, 1, w - 2, h - 2, c[0]);
  for (int y = b + 3; y < h - b; y += std::max(3, h / 5)) p.fillRect(b, y, w - 2 * b, 1, tone(c[0], 0.8f));
  const Rgba frame = tone(c[0], 0.72f);
  p.fillRect(0, 0, w, b, frame);
  p.fillRect(0, h - b, w, b, frame);
  p.fillRect(0, 0, b, h, frame);
  p.fillRect(w - b, 0, b, h, frame);
  for (int i = 0; i < std::max(w, h); ++i) {
    const int x = b + i * (w - 2 * b) / std::max(1, std::max(w, h));
    const int y = h - b - i * (h - 2 * b) / std::max(1, std::max(w, h));
    p.fillRect(x, y - b / 2, std::max(1, b / 2 + 1), b, frame);
  }
  if (c.size() > 1) {  // metal corners
    for (int cx : {0, w - b - 1}) {
      for (int cy : {0, h - b - 1}) p.fillRect(cx, cy, b + 1, b + 1, c[1]);
    }
  }
  if (cracked) {
    int x = w / 2;
    for (int y = 0; y < h; ++y) {
      x += (y * 7 % 5) - 2;
      x = std::clamp(x, 1, w - 3);
      p.fillRect(x, y, 2, 1, kInk);
      if (y == h / 3) {
        for (int k = 0; k < w / 3; ++k) p.set(x - k, y + k / 2, kInk);
      }
    }
  }
}
void crate(Picture& p, const std::vector<Rgba>& c) { crateDrawing(p, c, false); }
void crateCracked(Picture& p, const std::vector<Rgba>& c) { crateDrawing(p, c, true); }

// Stone masonry: offset rows of bricks with mortar; colour stone.
void stone(Picture& p, const std::vector<Rgba>& c) {
  const int w = p.width();
  const int h = p.height();
  p.fillRect(0, 0, w, h, tone(c[0], 0.6f));
  const int rows = std::max(1, h / 10);
  const int rowH = h / rows;
  for (int r = 0; r < rows; ++r) {
    const int brick = std::max(8, rowH * 2);
    for (int x = (r % 2) * -brick / 2; x < w; x += brick) {
      const Rgba face = tone(c[0], 0.9f + 0.12f * static_cast<float>((x / brick + r) % 3));
      p.fillRect(std::max(0, x + 1), r * rowH + 1, brick - 2 + std::min(0, x), rowH - 2, face);
      p.fillRect(std::max(0, x + 1), r * rowH + 1, brick - 2 + std::min(0, x), 1, tone(c[0], 1.3f));
    }
  }
}

// A rough boulder with light from the top left; colour rock.
void rock(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  p.fillEllipse(w * 0.5f, h * 0.52f, w * 0.5f, h * 0.48f, tone(c[0], 0.6f));
  p.fillEllipse(w * 0.46f, h * 0.48f, w * 0.42f, h * 0.4f, c[0]);
  p.fillEllipse(w * 0.36f, h * 0.34f, w * 0.16f, h * 0.12f, tone(c[0], 1.3f));
  p.fillEllipse(w * 0.62f, h * 0.66f, w * 0.08f, h * 0.06f, tone(c[0], 0.7f));
}

// A red powder barrel: staves, iron hoops and a black bomb mark.
void barrel(Picture& p, const std::vector<Rgba>& c) {
  const int w = p.width();
  const int h = p.height();
  p.fillRoundRect(0, 0, w, h, w / 4, tone(c[0], 0.6f));
  p.fillRoundRect(1, 1, w - 2, h - 2, w / 4, c[0]);
  for (int x = w / 5; x < w - 1; x += std::max(2, w / 5)) p.fillRect(x, 1, 1, h - 2, tone(c[0], 0.8f));
  for (int y : {h / 6, h - h / 6 - 2}) p.fillRect(0, y, w, 2, Rgba{60, 60, 70, 255});
  p.fillEllipse(w * 0.5f, h * 0.52f, w * 0.24f, w * 0.24f, kInk);
  p.fillRect(w / 2, h / 2 - w / 3, 1, w / 6, Rgba{230, 200, 60, 255});
  p.fillEllipse(w * 0.42f, h * 0.46f, w * 0.06f + 0.5f, w * 0.06f + 0.5f, Rgba{120, 120, 130, 255});
}

// Ice: translucent blue with a frosty rim and two shine lines.
void ice(Picture& p, const std::vector<Rgba>& c) {
  const int w = p.width();
  const int h = p.height();
  p.fillRect(0, 0, w, h, Rgba{230, 250, 255, 230});
  p.fillRect(1, 1, w - 2, h - 2, c[0]);
  for (int i = 0; i < std::min(w, h); ++i) {
    p.set(2 + i, h / 2 - i, Rgba{255, 255, 255, 200});
    p.set(5 + i, h - 3 - i, Rgba{255, 255, 255, 150});
  }
  p.fillRect(1, 1, w - 2, 1, Rgba{255, 255, 255, 230});
}

// A pad: a strip with chevrons (goal, first colour strip, second marks) or
// spikes pointing up (death, when a third colour is given).
void pad(Picture& p, const std::vector<Rgba>& c) {
  const int w = p.width();
  const int h = p.height();
  if (c.size() > 2) {
    p.fillRect(0, h / 2, w, h - h / 2, c[0]);
    for (int x = 0; x < w; x += std::max(4, h)) {
      p.fillTriangle(static_cast<float>(x), static_cast<float>(h / 2), static_cast<float>(x) + h / 2.0f, 0.0f,
                     static_cast<float>(x + std::max(4, h)), static_cast<float>(h / 2), c[1]);
      p.fillTriangle(static_cast<float>(x) + h / 2.0f - 1, 0.0f, static_cast<float>(x) + h / 2.0f + 1, 0.0f,
                     static_cast<float>(x) + h / 2.0f, static_cast<float>(h / 3), c[2]);
    }
    return;
  }
  p.fillRoundRect(0, 0, w, h, h / 3, tone(c[0], 0.6f));
  p.fillRoundRect(1, 1, w - 2, h - 2, h / 3, c[0]);
  for (int x = h / 2; x < w - h; x += h * 2) {
    p.fillTriangle(static_cast<float>(x), 2.0f, static_cast<float>(x + h / 2), h / 2.0f, static_cast<float>(x),
                   static_cast<float>(h - 2), c[1]);
  }
}

// The ground: dirt with pebbles under a strip of grass with blades.
void ground(Picture& p, const std::vector<Rgba>& c) {
  const int w = p.width();
  const int h = p.height();
  p.fillRect(0, 0, w, h, c[1]);
  for (int x = 3; x < w; x += 11) p.fillEllipse(static_cast<float>(x), h * 0.7f + (x % 3), 1.5f, 1.0f, tone(c[1], 0.7f));
  p.fillRect(0, 0, w, h / 3, c[0]);
  for (int x = 0; x < w; x += 3) {
    p.fillTriangle(static_cast<float>(x), h / 3.0f, static_cast<float>(x + 1), -1.0f + (x % 2),
                   static_cast<float>(x + 3), h / 3.0f, tone(c[0], 0.85f + 0.1f * (x % 3)));
  }
}

// A spring pad: a plate on a coil over a base; colour plate.
void spring(Picture& p, const std::vector<Rgba>& c) {
  const int w = p.width();
  const int h = p.height();
  p.fillRoundRect(0, 0, w, h / 3, h / 6, c[0]);
  p.fillRect(2, 1, w - 4, 1, tone(c[0], 1.3f));
  const int coilTop = h / 3;
  const int coilH = h - coilTop - h / 5;
  for (int i = 0; i < 4; ++i) {
    const int y = coilTop + i * coilH / 4;
    p.fillRoundRect(w / 4, y, w / 2, std::max(2, coilH / 5), 1, Rgba{150, 150, 165, 255});
  }
  p.fillRect(w / 8, h - h / 5, w - w / 4, h / 5, Rgba{70, 70, 80, 255});
}

// A balloon with a shine, a knot and its string; colour skin.
void balloon(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  p.fillRect(static_cast<int>(w * 0.5f), static_cast<int>(h * 0.8f), 1, static_cast<int>(h * 0.2f), kInk);
  p.fillTriangle(w * 0.42f, h * 0.84f, w * 0.58f, h * 0.84f, w * 0.5f, h * 0.74f, tone(c[0], 0.7f));
  p.fillEllipse(w * 0.5f, h * 0.4f, w * 0.46f, h * 0.38f, c[0]);
  p.fillEllipse(w * 0.34f, h * 0.26f, w * 0.1f, h * 0.12f, Rgba{255, 255, 255, 170});
}

// A length of twisted rope; colour hemp.
void rope(Picture& p, const std::vector<Rgba>& c) {
  const int w = p.width();
  const int h = p.height();
  p.fillRect(0, 0, w, h, tone(c[0], 0.7f));
  for (int x = 0; x < w; x += std::max(2, h)) {
    p.fillTriangle(static_cast<float>(x), static_cast<float>(h), static_cast<float>(x + h / 2), 0.0f,
                   static_cast<float>(x + h), 0.0f, c[0]);
  }
}

// A bolt head: a ring with a slot; colour metal.
void bolt(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  p.fillEllipse(w / 2, h / 2, w / 2, h / 2, tone(c[0], 0.55f));
  p.fillEllipse(w / 2, h / 2, w * 0.4f, h * 0.4f, c[0]);
  p.fillEllipse(w * 0.42f, h * 0.4f, w * 0.12f, h * 0.1f, tone(c[0], 1.4f));
  p.fillRect(static_cast<int>(w * 0.25f), static_cast<int>(h * 0.45f), static_cast<int>(w * 0.5f),
             std::max(1, static_cast<int>(h * 0.12f)), tone(c[0], 0.4f));
}

// A four-pointed spark (fuse, sparkle); colour light.
void spark(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  p.fillTriangle(w / 2, 0, w * 0.62f, h / 2, w * 0.38f, h / 2, c[0]);
  p.fillTriangle(w / 2, h, w * 0.62f, h / 2, w * 0.38f, h / 2, c[0]);
  p.fillTriangle(0, h / 2, w / 2, h * 0.38f, w / 2, h * 0.62f, c[0]);
  p.fillTriangle(w, h / 2, w / 2, h * 0.38f, w / 2, h * 0.62f, c[0]);
  p.fillEllipse(w / 2, h / 2, w * 0.14f, h * 0.14f, kWhite);
}

// A pennant on a pole; colour cloth.
void flag(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  p.fillRect(0, 0, std::max(1, static_cast<int>(w * 0.12f)), static_cast<int>(h), Rgba{90, 70, 50, 255});
  p.fillTriangle(w * 0.12f, 0, w, h * 0.22f, w * 0.12f, h * 0.45f, c[0]);
}

// A circular arrow (retry): an open ring turning clockwise from the top
// left round to the top, an arrowhead at its end; colour stroke.
void retryArrow(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  const float r = std::min(w, h) * 0.33f;
  const float stroke = std::min(w, h) * 0.085f;
  const float cx = w * 0.5f;
  const float cy = h * 0.53f;
  // From 290 degrees (screen angles, y down) round by 280 degrees.
  const float start = 4.64f;
  const float sweep = 4.9f;
  for (int i = 0; i <= 120; ++i) {
    const float a = start + sweep * static_cast<float>(i) / 120.0f;
    p.fillEllipse(cx + r * std::cos(a), cy + r * std::sin(a), stroke, stroke, c[0]);
  }
  const float a = start + sweep;
  const float ex = cx + r * std::cos(a);
  const float ey = cy + r * std::sin(a);
  // The head points along the ring's direction at its end.
  const float tx = -std::sin(a);
  const float ty = std::cos(a);
  const float nx = std::cos(a);
  const float ny = std::sin(a);
  const float len = stroke * 3.2f;
  const float side = stroke * 2.6f;
  p.fillTriangle(ex + tx * len, ey + ty * len, ex + nx * side, ey + ny * side, ex - nx * side, ey - ny * side, c[0]);
}

// A wolf peeping over a bush, as the scenery paints it: head and shoulders
// in a flat, hazy silhouette, ears up, two glowing eyes; colours fur, eyes.
void peepingWolf(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  p.fillEllipse(w * 0.5f, h * 0.95f, w * 0.46f, h * 0.4f, c[0]);  // shoulders
  p.fillEllipse(w * 0.5f, h * 0.55f, w * 0.3f, h * 0.3f, c[0]);  // skull
  p.fillTriangle(w * 0.24f, h * 0.42f, w * 0.28f, h * 0.02f, w * 0.46f, h * 0.32f, c[0]);  // ears
  p.fillTriangle(w * 0.76f, h * 0.42f, w * 0.72f, h * 0.02f, w * 0.54f, h * 0.32f, c[0]);
  p.fillEllipse(w * 0.5f, h * 0.74f, w * 0.14f, h * 0.14f, tone(c[0], 1.15f));  // muzzle
  p.fillEllipse(w * 0.5f, h * 0.68f, w * 0.05f, h * 0.04f, kInk);
  const Rgba eye = c.size() > 1 ? c[1] : Rgba{255, 220, 80, 255};
  p.fillEllipse(w * 0.38f, h * 0.52f, w * 0.06f, h * 0.045f, eye);
  p.fillEllipse(w * 0.62f, h * 0.52f, w * 0.06f, h * 0.045f, eye);
}

// A round bush of leaf clumps, darker below; colour leaves.
void bush(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  const Rgba deep = tone(c[0], 0.7f);
  p.fillEllipse(w * 0.5f, h * 0.75f, w * 0.5f, h * 0.4f, deep);
  const float clumps[6][3] = {{0.16f, 0.62f, 0.16f}, {0.32f, 0.42f, 0.2f}, {0.52f, 0.34f, 0.22f},
                              {0.7f, 0.44f, 0.2f},   {0.85f, 0.62f, 0.15f}, {0.5f, 0.6f, 0.3f}};
  for (const auto& k : clumps) p.fillEllipse(w * k[0], h * k[1], w * k[2], h * k[2] * 1.6f, c[0]);
  for (const auto& k : clumps) {
    p.fillEllipse(w * (k[0] - k[2] * 0.3f), h * (k[1] - k[2] * 0.6f), w * k[2] * 0.35f, h * k[2] * 0.45f,
                  tone(c[0], 1.2f));
  }
}

// A blast's flash: a many-pointed star, hot at the centre; colours centre, rim.
void burst(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  const Rgba rim = c.size() > 1 ? c[1] : tone(c[0], 0.8f);
  for (int ring = 0; ring < 2; ++ring) {
    const float outer = ring == 0 ? 0.5f : 0.34f;
    const float inner = ring == 0 ? 0.3f : 0.2f;
    const Rgba colour = ring == 0 ? rim : c[0];
    const int points = 11;
    for (int i = 0; i < points; ++i) {
      const float a0 = 6.2832f * (static_cast<float>(i) + ring * 0.5f) / points;
      const float a1 = a0 + 6.2832f / points;
      const float am = (a0 + a1) / 2;
      const float spike = (i % 3 == 0) ? 1.0f : 0.82f;
      p.fillTriangle(w / 2 + w * inner * std::cos(a0), h / 2 + h * inner * std::sin(a0), w / 2 + w * outer * spike * std::cos(am),
                     h / 2 + h * outer * spike * std::sin(am), w / 2 + w * inner * std::cos(a1),
                     h / 2 + h * inner * std::sin(a1), colour);
    }
    p.fillEllipse(w / 2, h / 2, w * inner * 1.02f, h * inner * 1.02f, colour);
  }
  p.fillEllipse(w / 2, h / 2, w * 0.12f, h * 0.12f, kWhite);
}

// A splinter of wood: a sliver pointed at both ends with a grain line; colour wood.
void splinter(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  p.fillTriangle(0, h * 0.55f, w * 0.3f, 0, w * 0.3f, h, tone(c[0], 0.8f));
  p.fillTriangle(w * 0.3f, 0, w, h * 0.35f, w * 0.3f, h, c[0]);
  p.fillTriangle(w * 0.3f, h, w, h * 0.35f, w * 0.85f, h * 0.9f, tone(c[0], 0.75f));
  p.fillTriangle(w * 0.2f, h * 0.45f, w * 0.9f, h * 0.38f, w * 0.2f, h * 0.6f, tone(c[0], 1.25f));
}

// A shard of ice: a clear triangle in a deep blue rim, one bright facet;
// colour ice.
void shard(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  p.fillTriangle(w * 0.1f, h * 0.9f, w * 0.45f, 0, w * 0.95f, h * 0.7f, Rgba{70, 140, 200, 240});
  p.fillTriangle(w * 0.22f, h * 0.8f, w * 0.47f, h * 0.18f, w * 0.8f, h * 0.66f, c[0]);
  p.fillTriangle(w * 0.4f, h * 0.5f, w * 0.47f, h * 0.18f, w * 0.52f, h * 0.5f, Rgba{255, 255, 255, 220});
}

// A charred lump of debris: an uneven polygon, lit on one side; colour.
void chunk(Picture& p, const std::vector<Rgba>& c) {
  const float w = static_cast<float>(p.width());
  const float h = static_cast<float>(p.height());
  p.fillTriangle(0, h * 0.6f, w * 0.35f, 0, w, h * 0.45f, c[0]);
  p.fillTriangle(0, h * 0.6f, w, h * 0.45f, w * 0.7f, h, c[0]);
  p.fillTriangle(0, h * 0.6f, w * 0.7f, h, w * 0.15f, h * 0.95f, tone(c[0], 0.75f));
  p.fillTriangle(w * 0.2f, h * 0.45f, w * 0.38f, h * 0.15f, w * 0.6f, h * 0.4f, tone(c[0], 1.5f));
}

struct Entry {
  Draw draw;
  std::size_t colours;
};

const std::map<std::string, Entry>& drawings() {
  static const std::map<std::string, Entry> table = {
      {"fleece", {&fleece, 1}},   {"sheep-head", {&sheepHead, 1}}, {"eyelid", {&eyelid, 1}},
      {"mouth", {&mouth, 0}},     {"wolf-body", {&wolfBody, 1}},   {"wolf-head", {&wolfHead, 1}},
      {"weight", {&weight, 1}},   {"wing", {&wing, 1}},            {"crate", {&crate, 1}},
      {"crate-cracked", {&crateCracked, 1}}, {"stone", {&stone, 1}}, {"rock", {&rock, 1}},
      {"barrel", {&barrel, 1}},   {"ice", {&ice, 1}},              {"pad", {&pad, 2}},
      {"ground", {&ground, 2}},   {"spring", {&spring, 1}},        {"balloon", {&balloon, 1}},
      {"rope", {&rope, 1}},       {"bolt", {&bolt, 1}},            {"spark", {&spark, 1}},
      {"flag", {&flag, 1}},       {"retry", {&retryArrow, 1}},    {"peeping-wolf", {&peepingWolf, 1}},
      {"bush", {&bush, 1}},       {"burst", {&burst, 1}},          {"splinter", {&splinter, 1}},
      {"shard", {&shard, 1}},     {"chunk", {&chunk, 1}},
  };
  return table;
}

}  // namespace

bool isActorDrawing(const std::string& drawing) { return drawings().count(drawing) != 0; }

bool drawActorPicture(const std::string& drawing, const std::vector<Rgba>& colours, Picture& out,
                      std::string* error) {
  const auto it = drawings().find(drawing);
  if (it == drawings().end()) {
    if (error != nullptr) *error = "unknown drawing \"" + drawing + "\"";
    return false;
  }
  if (colours.size() < it->second.colours) {
    if (error != nullptr) *error = drawing + ": needs " + std::to_string(it->second.colours) + " colours";
    return false;
  }
  it->second.draw(out, colours);
  return true;
}

}  // namespace texwriter
