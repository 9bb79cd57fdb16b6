#pragma once
// The game's sound engine: sounds and music by sound id over OpenAL.
// Until the engine itself is built these calls are accepted and do nothing, so
// the game runs silently (as it must anyway with no audio device).

namespace AudioEngine {

void update(int ms);  // once per frame with the elapsed milliseconds
void pauseAll();      // window hidden
void resumeAll();     // window shown again
void shutdown();      // stops and releases everything; the process is ending

}  // namespace AudioEngine
