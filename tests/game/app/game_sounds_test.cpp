// The game object and the sound engine on OpenAL Soft's null backend: the
// menu sounds the game has loaded go with the game.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "game/app/QMRGame.h"
#include "sound/AudioEngine.h"
#include "sound/SoundFixtures.h"
#include "support/TempDir.h"

namespace {

class TestGame : public QMRGame {
 public:
  TestGame() { EXPECT_TRUE(installInstance(this)); }
};

}  // namespace

TEST(GameSounds, TheSharedSoundsGoWithTheGame) {
  const std::uint32_t shared[] = {16, 5, 11, 13, 14, 21, 25};
  qmtest::TempDir dir;
  std::filesystem::create_directories(dir.path() / "win32_audio");
  // And a level's sound (7), not one of the menu's.
  for (std::uint32_t id : {16u, 5u, 11u, 13u, 14u, 21u, 25u, 7u}) {
    const std::string name = AudioEngine::soundFileTable[id];
    const bool ogg = name.size() > 4 && name.compare(name.size() - 4, 4, ".ogg") == 0;
    ASSERT_TRUE(soundwriter::writeFile(dir.str() + "/win32_audio/" + name,
                                       ogg ? qmtest::sineOgg(0.2, 22050, 1) : qmtest::sineWav(0.2, 22050, 1, 16)));
  }
  qmtest::ScopedCwd cwd(dir.path());
  {
    auto game = std::make_unique<TestGame>();
    game->init();  // starts the sound engine
    for (std::uint32_t id : shared) game->playSound(static_cast<int>(id));
    game->playSound(7);
    for (std::uint32_t id : shared) EXPECT_TRUE(AudioEngine::isLoaded(id)) << id;
    ASSERT_TRUE(AudioEngine::isLoaded(7));
  }
  for (std::uint32_t id : shared) EXPECT_FALSE(AudioEngine::isLoaded(id)) << id;
  EXPECT_TRUE(AudioEngine::isLoaded(7));  // the screens' own sounds are theirs to unload
  AudioEngine::shutdown();
}
