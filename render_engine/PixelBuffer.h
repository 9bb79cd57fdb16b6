#pragma once
// A block of pixels from malloc, freed with free.
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace RenderEngine {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
using PixelBuffer = std::unique_ptr<std::uint8_t[], FreeDeleter>;

}  // namespace RenderEngine
