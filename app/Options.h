#pragma once
// Device hooks of the options source. This platform has no vibration motor or
// compass, so the hooks keep the game's calls but do nothing.

// Called before every sequence update.
void updateDevice(int ms);
