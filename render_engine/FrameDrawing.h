#pragma once
// Small per-frame drawing helpers shared by the application object and scenes.
#include <GL/gl.h>

namespace RenderEngine {

// Clears the colour buffer and loads the identity into the current matrix.
void clearScreen();

// Mode 0 sets the texture environment to modulate; the game uses no other mode.
void setTextureEnvMode(int mode);

// OpenGL holds pending errors until someone reads them. Code that checks its
// own calls drains what earlier code left first, so it neither reports those
// as its own nor clears them unseen: they are kept for the end-of-frame check.
void drainPendingGlErrors(GLenum (*getError)());
// Whether an error drained that way was an invalid operation; clears the record.
bool takeDrainedInvalidOperation();

}  // namespace RenderEngine
