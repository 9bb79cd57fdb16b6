// A program of someone else's: built only against the installed headers and
// the pkg-config file, it logs through its own receiver and makes an effect
// through a manager of the library's.
#include <cstdio>
#include <cstring>

#include <caural/Aural.h>

namespace {

struct Collect : cAural::ILogReceiver {
  int lines = 0;
  bool sawRefusal = false;
  bool receiveMessage(const char* sender, const char* message, cAural::LogLevel, float) override {
    ++lines;
    if (std::strcmp(sender, "Audio Effect") == 0 && std::strcmp(message, "OpenAL Error: Invalid Value.") == 0)
      sawRefusal = true;
    return true;
  }
};

int fail(const char* what) {
  std::fprintf(stderr, "outside program: %s\n", what);
  return 1;
}

}  // namespace

int main() {
  Collect collect;
  cAural::ILogger* log = cAural::getLogger();
  if (!log->registerLogReceiver(&collect, "Outside")) return fail("receiver not registered");
  log->logInfo("Outside", "hello %d", 1);
  if (collect.lines != 1) return fail("own receiver got nothing");

  cAural::IAudioManager* manager = cAural::createAudioManager(true);
  if (manager == nullptr) return fail("no manager");
  int status = 0;
  cAural::IAudioEffects* fx = manager->getEffects();
  cAural::IEffect* effect = fx != nullptr ? fx->createEffect() : nullptr;
  if (effect == nullptr) {
    status = fail("no effect");
  } else {
    effect->setType(cAural::EFFECT_REVERB);
    cAural::ReverbParameters dense;
    dense.density = 2.0f;
    effect->setReverbParameters(dense);
    if (effect->isValid() || !collect.sawRefusal) status = fail("refused value not reported");
    effect->setReverbParameters(cAural::ReverbParameters{});
    if (!effect->isValid()) status = fail("valid record refused");
    effect->release();
  }
  cAural::destroyAudioManager(manager);
  log->unregisterLogReceiver("Outside");
  if (status == 0) std::printf("outside program: ok\n");
  return status;
}
