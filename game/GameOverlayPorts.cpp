#include "game/GameOverlayPorts.h"

#include "game/GamePorts.h"
#include "sound/AudioEngine.h"

namespace {
class SoundPorts : public GamePorts {
 public:
  void playSound(int soundId) override { AudioEngine::playSound(static_cast<std::uint32_t>(soundId), false); }
};
}  // namespace

void installOverlayPorts() {
  static SoundPorts ports;
  setGamePorts(&ports);
}
