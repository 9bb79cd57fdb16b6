#pragma once
// PNG pictures decoded into 8-bit RGBA pixel buffers whose sides are raised to
// powers of two, ready to upload as OpenGL textures. Needs no GL context.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "render_engine/PixelBuffer.h"
#include "render_engine/TextureSides.h"

namespace RenderEngine {

// The smallest power of two >= n; 1 for n <= 1. No i32 power of two exceeds
// 2^30, so larger n give 0, which every caller treats as unusable.
int nextPowerOfTwo(int n);


// Pictures wider or taller than this are refused before any pixel memory is
// taken: no driver the game targets accepts larger textures, and a hostile
// header could otherwise ask for terabytes.
inline constexpr int kMaxPictureSide = 8192;

// Decodes the PNG file at path into RGBA (textureWidth x textureHeight x 4
// bytes, the sides as asked: the picture's rows at the top left, zeros in
// the padding), whatever its colour type, bit depth or
// interlacing (grey becomes RGB; palette, tRNS and missing alpha are expanded;
// 16-bit channels keep their high byte). On success the four sizes are set. On
// failure (missing, unreadable, corrupt, truncated or not a PNG) the result is
// null, the sizes are 0 and "ERROR: could not load <path>" goes to the standard
// output.
PixelBuffer loadPngImage(const std::string& path, int& textureWidth, int& textureHeight, int& imageWidth,
                         int& imageHeight, TextureSides sides = TextureSides::PowerOfTwo);

}  // namespace RenderEngine
