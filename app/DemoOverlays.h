#pragma once
// The stand-in's view of the game's overlays: the game's own mouse pointer, and
// on key presses a banner with buttons, a pause, a lost message, a result window
// and achievement pop-ups, all above the current screen.
//   C  next pointer look (arrow, hand, system pointer, hidden)
//   B  two messages: the second waits until a tap dismisses the first
//   P  the pause banner (resume, menu)     L  a lost level (next, retry, menu)
//   R  a won level with its result window  A  two achievement pop-ups
void startDemoOverlays();
void updateDemoOverlays(int ms);
void drawDemoOverlays();
// A touch phase (0 began, 1 moved, 2 ended, 4 hover) at a point; true when the
// banner took it.
bool demoOverlaysTouch(int phase, int x, int y);
// True when the key was one of the overlays'.
bool demoOverlaysKey(char key);
