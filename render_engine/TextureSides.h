#pragma once

namespace RenderEngine {

// How the texture around a picture is sized. PowerOfTwo: each side raised to
// the next power of two. Snug, for drivers that take textures of any size: a
// side that is a power of two stays, any other gets one more row or column
// (at most the power of two). The padding is transparent either way, and a
// linear filter never reads more than one texel past the picture, at either
// edge (the default wrap repeats, so the texel before the first is the last
// one, padding in both); a picture therefore draws the same in a snug
// texture as in a power-of-two one, in less memory.
enum class TextureSides { PowerOfTwo, Snug };
int textureSideFor(int n, TextureSides sides);

}  // namespace RenderEngine
