#pragma once
// The stand-in application's text screen: a title, a paragraph fitted into a
// panel, an outlined caption, the current language and a live counter. A click
// cycles the languages (every text node changes at once); Space goes on to the
// next screen.
#include "app/GameSequenceInterface.h"

GameSequenceInterface* createDemoTextScreen(int id);
