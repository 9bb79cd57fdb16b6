#pragma once
// The program's only contact with GLUT: the 960x640 window letterboxed at 3:2,
// the 30 frames-per-second frame step, and the mapping of mouse and keyboard
// input onto the application object.
#include <functional>

class GameLoop;

namespace window {

constexpr int kPictureWidth = 960;   // pixels
constexpr int kPictureHeight = 640;
constexpr int kPointsWidth = 480;    // the logic's point space
constexpr int kPointsHeight = 320;

struct Viewport {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
};

// The largest 3:2 picture centred in a window of width x height.
Viewport computeLetterbox(int width, int height);

// Maps a window position through the letterbox into points, clamped to
// [0, 480] x [0, 320]. False (and no point) while the viewport is empty.
bool mapWindowToPoints(const Viewport& viewport, int x, int y, int& px, int& py);

// Holds the game at 30 frames per second: sleeps away the rest of each 33.3 ms
// frame and says how many milliseconds the update of this frame receives. The
// update of the second frame is skipped and its time dropped.
class FrameLimiter {
 public:
  using Clock = std::function<int()>;        // milliseconds since some start
  using Sleeper = std::function<void(int)>;  // sleep that many milliseconds

  FrameLimiter(Clock clock, Sleeper sleeper);
  // Takes the time the first frame is measured from.
  void start();
  // One frame: sleeps as needed, then returns true with the elapsed time for
  // this frame's update, or false when this frame calls no update. With
  // pace false the frame does not wait for the rest of the last one: that
  // frame showed nothing new (the loading screen, a skipped render), so
  // there is nothing on screen to hold.
  bool step(int& elapsedMs, bool pace = true);

 private:
  Clock clock_;
  Sleeper sleeper_;
  int lastTick_ = 0;
  bool firstUpdatePending_ = true;
  bool skipOneUpdate_ = false;
};

// What a special key (GLUT's code and modifier mask) does.
enum class SpecialKeyAction { Quit, KeyPressed, Ignore };
// Alt+F4 quits; a modifier key pressed on its own is ignored; any other special
// key reaches the key handler as its code truncated to 8 bits (in code).
SpecialKeyAction routeSpecialKey(int key, int modifiers, char& code);

// Whether a mouse button acts as the touch: every button but the wheel's.
bool isTouchButton(int button);

// Makes the allocator keep large freed blocks for reuse (runProgram does).
void keepFreedMemory();

// Starts the program: opens the window, creates the application object with
// createApplication, starts it and runs the main loop, which never returns.
[[noreturn]] void runProgram(int argc, char** argv, GameLoop* (*createApplication)());

// The GLUT (and viewport) calls the callbacks make. Replaceable, so that a test
// drives the callbacks below with no window; returns the calls it replaced.
struct GlutCalls {
  int (*getModifiers)();
  void (*gameModeString)(const char*);
  void (*fullScreen)();
  void (*reshapeWindow)(int, int);
  void (*positionWindow)(int, int);
  void (*setCursor)(int);
  void (*windowStatusFunc)(void (*)(int));
  void (*viewport)(int, int, int, int);
};
GlutCalls setGlutCalls(const GlutCalls& calls);

// The callbacks runProgram registers with GLUT.
void onMouse(int button, int state, int x, int y);
void onMotion(int x, int y);
void onPassiveMotion(int x, int y);
void onKeyboard(unsigned char key, int x, int y);
void onSpecialKey(int key, int x, int y);
void onIdle();
void onWindowStatus(int state);
void onClose();
bool isFullscreen();

// Pieces of runProgram for tests that drive a real window frame by frame.
void openWindow(int& argc, char** argv);  // window, initial GL state, callbacks
void attachApplication(GameLoop* app);
void drawFrame();  // the display step without frame pacing or buffer swap
void onReshape(int width, int height);
const Viewport& currentViewport();
void setInitialGLState();

}  // namespace window
