// game_shot DATA_DIR OUT.png [--screen N] [--level L] [--lang CODE]
//           [--hover X Y] [--earn] [--ms MS] [--menu N] [--tap X Y]...
// Runs the whole game in a window (under xvfb-run) from its data folder with a
// fresh save folder, goes to screen N (0 logo, 1 menu, 2 play, 3 honour
// board) once the start is done, lets MS milliseconds of frames pass (moving
// the pointer to X, Y in points first), and writes the 960x640 picture.
// --earn gives the player some achievements first, to see earned medals.
// --level starts level L as the map would (its briefing over the level screen).
// --menu N opens the main menu, waits for its splash to end and shows its
// screen N. After --menu or --level each --tap X Y is a press and a release
// there (in points), followed by half a second of frames.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/LocalizedText.h"
#include "app/WindowGlue.h"
#include "game/app/QMRGame.h"
#include "game/menus/MainMenuSequence.h"
#include "game/overlays/MouseCursor.h"
#include "game/overlays/QMRMapHud.h"
#include "game/progress/QMRAchievementManager.h"
#include "render_engine/CNodeText.h"
#include "tools/texture_writer.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: game_shot DATA_DIR OUT.png [--screen N] [--level L] [--lang CODE] [--hover X Y] [--earn] [--ms MS] [--menu N] [--tap X Y]...\n");
    return 2;
  }
  const std::string out = std::filesystem::absolute(argv[2]).string();
  int screen = 3, ms = 500, hx = -1, hy = -1, level = 0;
  bool earn = false;
  int menuScreen = -1;
  std::vector<std::pair<int, int>> taps;
  const char* lang = nullptr;
  for (int i = 3; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--screen") && i + 1 < argc) screen = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--level") && i + 1 < argc) level = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--lang") && i + 1 < argc) lang = argv[++i];
    else if (!std::strcmp(argv[i], "--ms") && i + 1 < argc) ms = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--earn")) earn = true;
    else if (!std::strcmp(argv[i], "--menu") && i + 1 < argc) menuScreen = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--tap") && i + 2 < argc) {
      const int x = std::atoi(argv[++i]);
      taps.emplace_back(x, std::atoi(argv[++i]));
    }
    else if (!std::strcmp(argv[i], "--hover") && i + 2 < argc) {
      hx = std::atoi(argv[++i]);
      hy = std::atoi(argv[++i]);
    }
  }
  std::filesystem::current_path(argv[1]);
  const std::string home = (std::filesystem::temp_directory_path() / "qm_game_shot").string();
  std::filesystem::remove_all(home);
  setenv("XDG_DATA_HOME", home.c_str(), 1);

  int glutArgc = 1;
  window::openWindow(glutArgc, argv);
  QMRGame* game = QMRGame::getInstance();
  window::attachApplication(game);
  game->start();
  for (int i = 0; i < 20 && game->isLoading(); ++i) game->update(33);
  if (lang != nullptr) {
    setLanguage(lang);
    RenderEngine::CNodeText::refreshAllLocalizedTexts();
  }
  if (earn) {
    QMRAchievementManager& a = QMRAchievementManager::getInstance();
    a.setGoldMedals(120);
    a.setOneTryMissions(12);
    a.setGlobalScore(25000);
    a.setLevelsDone(30);
    a.setThreeSheepSaved(3);
  }
  const auto frame = [&] {
    game->update(33);
    window::drawFrame();
  };
  if (menuScreen >= 0) {
    game->setCurrentSequence(1);
    auto* menu = dynamic_cast<MainMenuSequence*>(game->getSequence(1));
    for (int i = 0; i < 400 && menu != nullptr && menu->getSplashPhase() != 4; ++i) frame();
    if (menu != nullptr && menuScreen != 1) menu->showScreen(menuScreen);
  } else if (level != 0) {
    game->startLevel(level);
    frame();
  } else {
    game->setCurrentSequence(screen);
  }
  if (menuScreen >= 0 || level != 0) {
    for (const auto& [x, y] : taps) {
      TouchPoint p[kMaxTouches] = {{x, y}};
      game->queueTouchBegan(1, p, true);
      frame();
      game->queueTouchEnded(1, p, true);
      for (int i = 0; i < 15; ++i) frame();
    }
  }
  for (int t = 0; t <= ms; t += 33) {
    if (hx >= 0) {
      TouchPoint p[kMaxTouches] = {{hx, hy}};
      game->queueTouchHover(1, p, false);
    }
    game->update(33);
    window::drawFrame();
  }
  glFinish();
  if (std::getenv("QM_SHOT_DEBUG")) {
    auto* c = MouseCursor::getInstance();
    auto* h = QMRMapHud::instance();
    std::printf("cursor mode %d sprite %p at %d,%d; hud back %p visible %d hud visible %d\n", c->getMode(),
                static_cast<void*>(c->getSprite()), c->getX(), c->getY(), static_cast<void*>(h->getBackButton()),
                h->getBackButton() ? h->getBackButton()->isVisible() : -1, h->isVisible());
  }
  texwriter::Picture picture(960, 640);
  std::string pixels(960 * 640 * 4, '\0');
  glReadPixels(0, 0, 960, 640, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  for (int y = 0; y < 640; ++y) {
    for (int x = 0; x < 960; ++x) {
      const auto* px = reinterpret_cast<const unsigned char*>(&pixels[static_cast<std::size_t>(((639 - y) * 960 + x) * 4)]);
      picture.set(x, y, {px[0], px[1], px[2], 255});
    }
  }
  std::string error;
  if (!texwriter::writePng(out, picture, {}, &error)) {
    std::fprintf(stderr, "%s: %s\n", out.c_str(), error.c_str());
    return 1;
  }
  std::printf("%s\n", out.c_str());
  std::fflush(stdout);
  std::_Exit(0);
}
