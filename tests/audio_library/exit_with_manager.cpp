// Ends the process with a manager alive and a source playing: the update
// thread is stopped and joined before the library's state goes, so the exit
// is clean (status 0, nothing for the sanitizers).
#include <vector>

#include "caural/Aural.h"

int main() {
  cAural::getLogger()->setLogLevel(cAural::LOG_ERROR);
  cAural::IAudioManager* m = cAural::createAudioManager(true);
  if (m == nullptr) return 1;
  std::vector<char> pcm(22050 * 2, 0);
  cAural::IAudioSource* s =
      m->createSourceFromRaw("exit", pcm.data(), static_cast<std::int32_t>(pcm.size()), 22050, cAural::FORMAT_MONO16);
  if (s != nullptr) {
    s->setLooping(true);
    s->play();
  }
  cAural::cAuralSleep(50);
  return 0;
}
