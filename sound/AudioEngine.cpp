#include "sound/AudioEngine.h"

namespace AudioEngine {

void update(int /*ms*/) {}
void pauseAll() {}
void resumeAll() {}
void shutdown() {}

}  // namespace AudioEngine
