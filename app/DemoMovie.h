#pragma once
// The stand-in application's intro: the game's intro movie, full screen with
// its sound and its subtitles in the chosen language, before the first
// screen. A click skips it; the menu music plays on once it is over.
//
// Each returns true while the movie holds the screen (the caller then leaves
// the current screen alone).
bool demoMovieUpdate(int ms);
bool demoMovieDraw();
// A press while the movie plays belongs to it; the release skips it.
bool demoMoviePress();
bool demoMovieTouch();
