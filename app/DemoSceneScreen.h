#pragma once
// The stand-in application's scene-file screens: the whole screen is read from
// "models/<scene>" (see data/scenes/). The node tagged 12 is a button that
// sinks while it is held and goes on to the next screen when released over
// it; a click on the option list tagged 13 (or the panel tagged 14 behind it)
// turns its page; nodes tagged 20 animate for ever.
#include "app/GameSequenceInterface.h"

GameSequenceInterface* createDemoSceneScreen(int id, const char* sceneName);
