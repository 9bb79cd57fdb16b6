#pragma once
// Small per-frame drawing helpers shared by the application object and scenes.

namespace RenderEngine {

// Clears the colour buffer and loads the identity into the current matrix.
void clearScreen();

// Mode 0 sets the texture environment to modulate; the game uses no other mode.
void setTextureEnvMode(int mode);

}  // namespace RenderEngine
