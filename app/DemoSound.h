#pragma once
// The stand-in application's sound: the engine started with the volumes of
// the options, the menu music, and a click for every click.
void startDemoSound();
void playDemoClick();
