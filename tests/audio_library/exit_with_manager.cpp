// Ends the process with the library in use, in the way asked:
//   play         a manager alive and a source playing: returns from main;
//   handler      the stop handler of a source calls exit() on the update thread;
//   plugin PATH  a plug-in installed from PATH and a manager alive.
// Each must end cleanly: status 0, and nothing for the sanitizers.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "caural/Aural.h"

namespace {

struct ExitOnStop : cAural::ISourceEventHandler {
  void onUpdate() override {}
  void onRelease() override {}
  void onPlay() override {}
  void onPause() override {}
  void onStop() override {
    std::printf("stop handler calls exit\n");
    std::fflush(stdout);
    std::exit(0);
  }
} exitOnStop;

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "play";
  cAural::getLogger()->setLogLevel(cAural::LOG_ERROR);
  if (std::strcmp(mode, "plugin") == 0 && (argc < 3 || !cAural::getPluginManager()->installPluginFromFile(argv[2], nullptr)))
    return 2;
  cAural::IAudioManager* m = cAural::createAudioManager(true);
  if (m == nullptr) return 1;
  const bool exitOnItsStop = std::strcmp(mode, "handler") == 0;
  // Half a second of silence, or a fiftieth for the handler to come soon.
  std::vector<char> pcm(exitOnItsStop ? 2 * 441 : 2 * 11025, 0);
  cAural::IAudioSource* s =
      m->createSourceFromRaw("exit", pcm.data(), static_cast<std::int32_t>(pcm.size()), 22050, cAural::FORMAT_MONO16);
  if (s == nullptr) return 1;
  if (exitOnItsStop) {
    s->registerEventHandler(&exitOnStop);
    s->play();
    // The update thread sees the end and the handler ends the process.
    for (int i = 0; i < 10000; ++i) cAural::cAuralSleep(1);
    return 3;
  }
  s->setLooping(true);
  s->play();
  cAural::cAuralSleep(50);
  return 0;
}
