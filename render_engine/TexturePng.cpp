#include "render_engine/TexturePng.h"

#include <png.h>

#include "app/DataFiles.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <cstdio>
#include <vector>

namespace RenderEngine {

int nextPowerOfTwo(int n) {
  if (n <= 1) return 1;
  if (n > (1 << 30)) return 0;
  int p = 1;
  while (p < n) p <<= 1;
  return p;
}

int textureSideFor(int n, TextureSides sides) {
  const int p = nextPowerOfTwo(n);
  if (sides == TextureSides::PowerOfTwo || p == n || p == 0) return p;
  return std::min(n + 1, p);
}

namespace {

// No picture of the game carries an ancillary chunk anywhere near this; image
// data is streamed and not bound by it.
constexpr png_alloc_size_t kMaxChunkBytes = 8u * 1024u * 1024u;
constexpr png_uint_32 kMaxAncillaryChunks = 1000;

// Everything the decoder owns lives here, outside the function that calls
// setjmp, so a jump back from libpng finds it intact and it is freed once.
struct PngReader {
  std::FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  PixelBuffer pixels;
  std::vector<png_bytep> rows;
  int imageWidth = 0;
  int imageHeight = 0;
  int textureWidth = 0;
  int textureHeight = 0;
  TextureSides sides = TextureSides::PowerOfTwo;

  ~PngReader() {
    if (png != nullptr) png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    if (file != nullptr) std::fclose(file);
  }
};

// libpng reports its own warnings (colour profiles and the like) on stderr;
// none of them stops a picture from loading, so they are dropped.
void quietWarning(png_structp, png_const_charp) {}

// Errors leave through the jump buffer without printing: the caller reports the
// file that failed in its own words.
void jumpOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Reads the picture into r.pixels. Only r is written, so nothing the function
// changes is lost when libpng jumps back to the setjmp below.
bool decode(PngReader& r) {
  if (setjmp(png_jmpbuf(r.png))) return false;

  png_init_io(r.png, r.file);
  png_set_sig_bytes(r.png, 8);
  png_set_user_limits(r.png, kMaxPictureSide, kMaxPictureSide);
  // A text or profile chunk may claim gigabytes in a file of a few bytes;
  // libpng allocates what a chunk claims before finding it cut short. Only the
  // transparency chunk changes the picture: every other ancillary chunk is
  // skipped unread (without a buffer), and the rest are capped.
  png_set_keep_unknown_chunks(r.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  static const png_byte kTransparency[] = {'t', 'R', 'N', 'S', '\0'};
  png_set_keep_unknown_chunks(r.png, PNG_HANDLE_CHUNK_AS_DEFAULT, kTransparency, 1);
  png_set_chunk_malloc_max(r.png, kMaxChunkBytes);
  png_set_chunk_cache_max(r.png, kMaxAncillaryChunks);
  png_read_info(r.png, r.info);

  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colourType = 0;
  png_get_IHDR(r.png, r.info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);

  png_set_strip_16(r.png);
  png_set_packing(r.png);
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r.png);
  if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(r.png);
  if (png_get_valid(r.png, r.info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(r.png);
  // Grey pictures would otherwise come out at one or two bytes per pixel and
  // every 4-byte row below would read past the decoded data.
  if ((colourType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(r.png);
  png_set_filler(r.png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(r.png);
  png_read_update_info(r.png, r.info);

  // Whatever the file said, only exactly four bytes per pixel is copied.
  if (png_get_rowbytes(r.png, r.info) != static_cast<png_size_t>(width) * 4u) return false;
  if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide) return false;

  r.imageWidth = static_cast<int>(width);
  r.imageHeight = static_cast<int>(height);
  r.textureWidth = textureSideFor(r.imageWidth, r.sides);
  r.textureHeight = textureSideFor(r.imageHeight, r.sides);
  const std::size_t stride = static_cast<std::size_t>(r.textureWidth) * 4u;
  const std::size_t pictureRow = static_cast<std::size_t>(r.imageWidth) * 4u;
  r.pixels.reset(static_cast<std::uint8_t*>(std::malloc(stride * static_cast<std::size_t>(r.textureHeight))));
  if (!r.pixels) return false;
  // Only the padding is cleared: the picture's rows are decoded straight
  // into their place in the texture buffer.
  for (png_uint_32 y = 0; y < height; ++y) std::memset(r.pixels.get() + stride * y + pictureRow, 0, stride - pictureRow);
  std::memset(r.pixels.get() + stride * height, 0, stride * (static_cast<std::size_t>(r.textureHeight) - height));
  r.rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) r.rows[y] = r.pixels.get() + stride * y;
  png_read_image(r.png, r.rows.data());
  return true;
}

}  // namespace

PixelBuffer loadPngImage(const std::string& path, int& textureWidth, int& textureHeight, int& imageWidth,
                         int& imageHeight, TextureSides sides) {
  textureWidth = textureHeight = imageWidth = imageHeight = 0;
  PngReader r;
  r.sides = sides;
  bool ok = false;
  FileStatus status = FileStatus::Ok;
  r.file = openRegularFile(path, status);
  if (r.file != nullptr) {
    png_byte signature[8] = {};
    if (std::fread(signature, 1, sizeof signature, r.file) == sizeof signature &&
        png_sig_cmp(signature, 0, sizeof signature) == 0) {
      r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, &jumpOnError, &quietWarning);
      if (r.png != nullptr) r.info = png_create_info_struct(r.png);
      if (r.info != nullptr) ok = decode(r);
    }
  }
  if (!ok) {
    std::fputs("ERROR: could not load ", stdout);
    std::fputs(path.c_str(), stdout);
    std::fputs("\n", stdout);
    return nullptr;
  }
  textureWidth = r.textureWidth;
  textureHeight = r.textureHeight;
  imageWidth = r.imageWidth;
  imageHeight = r.imageHeight;
  return std::move(r.pixels);
}

}  // namespace RenderEngine
