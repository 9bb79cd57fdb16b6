#pragma once
// Puts the game's real overlays (cursor, banner, pop-up, map HUD) and its
// sound effects behind the game ports.
void installOverlayPorts();
