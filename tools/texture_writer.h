#pragma once
// Writes the game's texture files: PNG pictures (".bin") in any colour type,
// sheets of packed sprites and the sheet index "tex.dat". Pictures are drawn in
// code. Shared by the make_textures tool, the tests and the benchmarks.
#include <cstdint>
#include <string>
#include <vector>

namespace texwriter {

struct Rgba {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  std::uint8_t a = 0;
  bool operator==(const Rgba&) const = default;
};

// An 8-bit RGBA picture, rows top to bottom.
//
// A picture of density d keeps d x d pixels for each pixel it is drawn in:
// the drawing calls below take the picture's own coordinates, and shapes are
// filled at the finer grid, so that reduced() averages them into smooth edges.
// Only a picture of density 1 is written or packed.
class Picture {
 public:
  Picture() = default;
  Picture(int width, int height, Rgba fill = {}, int density = 1);

  int width() const { return width_; }
  int height() const { return height_; }
  int density() const { return density_; }
  // The stored pixels, (width x density) by (height x density).
  const std::vector<std::uint8_t>& data() const { return data_; }
  // The stored pixel at the top left of (x, y).
  Rgba at(int x, int y) const;
  // Drawing clips to the picture.
  void set(int x, int y, Rgba c);
  void fillRect(int x, int y, int w, int h, Rgba c);
  void fillEllipse(float cx, float cy, float rx, float ry, Rgba c);
  void fillTriangle(float x0, float y0, float x1, float y1, float x2, float y2, Rgba c);
  void fillRoundRect(int x, int y, int w, int h, int radius, Rgba c);
  // Copies src with its top-left corner at (x, y), alpha included.
  void blit(const Picture& src, int x, int y);
  // A picture of density 1 and (width x density / by) by (height x density /
  // by) pixels, each the alpha-weighted mean of by x by stored pixels; by must
  // divide the density.
  Picture reduced(int by) const;

 private:
  void setStored(int x, int y, Rgba c);
  // Whether the stored pixel (x, y) has its centre inside, in the picture's
  // own coordinates.
  template <typename Inside>
  void fillStored(float x0, float y0, float x1, float y1, Rgba c, Inside inside);

  int width_ = 0;
  int height_ = 0;
  int density_ = 1;
  std::vector<std::uint8_t> data_;
};

enum class PngFormat {
  Rgba8,
  Rgb8,         // alpha dropped
  Palette8,     // up to 256 colours; a tRNS chunk when any alpha is below 255
  Grey1,        // grey levels come from the red channel
  Grey2,
  Grey4,
  Grey8,
  GreyTrns8,    // grey with a tRNS chunk: the value 0 is transparent
  GreyAlpha8,
  Rgb16,        // 16-bit channels: high byte the picture's, low byte 255 - it
  Rgba16,
  Grey16,
  GreyAlpha16,
};

struct PngOptions {
  PngFormat format = PngFormat::Rgba8;
  bool interlaced = false;  // Adam7
};

// The PNG file's bytes; empty (with *error set) when the picture cannot be
// written in that format (for instance more than 256 colours for a palette).
std::vector<std::uint8_t> encodePng(const Picture& picture, const PngOptions& options = {},
                                    std::string* error = nullptr);
bool writePng(const std::string& path, const Picture& picture, const PngOptions& options = {},
              std::string* error = nullptr);
// Writes bytes to path, creating the folders above it.
bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readFile(const std::string& path);

// The picture the game should see after decoding a file written in format:
// what survives the format (grey from red, no alpha for RGB, quantised levels).
Picture expectedDecode(const Picture& picture, PngFormat format);

// One record of "tex.dat".
struct SpriteRecord {
  std::int16_t id = 0;
  std::int16_t sheet = 0;
  std::int16_t x = 0;
  std::int16_t y = 0;
  std::int16_t width = 0;
  std::int16_t height = 0;
};
// 12 bytes per record, six little-endian 16-bit values.
std::vector<std::uint8_t> encodeTexIndex(const std::vector<SpriteRecord>& records);

struct NamedSprite {
  int id = 0;
  std::string label;  // for people reading the manifest; not stored
  Picture picture;
};

struct PackedSheet {
  int number = 0;
  Picture picture;
  std::vector<SpriteRecord> records;
};

// Packs sprites onto one sheet in shelves (tallest first), padding pixels
// apart, the sheet at most maxSide wide and tall. False when they do not fit.
bool packSheet(int number, const std::vector<NamedSprite>& sprites, int maxSide, int padding, PackedSheet& out,
               std::string* error = nullptr);

// Named drawings for sample pictures. args are the drawing's own words from the
// manifest (colours as RRGGBB or RRGGBBAA hex, numbers in decimal). Shapes
// are drawn supersampled, so their edges come out anti-aliased. The picture is
// drawn at width x height and written scale times as large (a scene shows it
// at 1 / scale, so it stays sharp on a screen of twice the points).
bool drawPicture(const std::string& drawing, const std::vector<std::string>& args, int width, int height,
                 Picture& out, std::string* error = nullptr, int scale = 1);

// A texture manifest: which sprites go on which sheet, which pictures are plain
// textures. See data/textures/textures.txt for the format.
struct ManifestSheet {
  int number = 0;
  int maxSide = 1024;
  int scale = 1;  // "double": sprites drawn at twice their size in points
  std::vector<NamedSprite> sprites;
};
struct ManifestTexture {
  std::string name;
  Picture picture;
  PngOptions options;
};
struct Manifest {
  std::vector<ManifestSheet> sheets;
  std::vector<ManifestTexture> textures;
};
bool parseManifest(const std::string& text, Manifest& out, std::string* error = nullptr);

// Writes "textures/tex<N>.bin" per sheet, "textures/<name>.bin" per texture and
// "textures/tex.dat" below outDir.
bool buildTextures(const Manifest& manifest, const std::string& outDir, std::string* error = nullptr);

}  // namespace texwriter
