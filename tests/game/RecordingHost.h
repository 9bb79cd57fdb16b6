#pragma once
// One recorder in place of what the game reaches above its screens, installed
// while it lives: sounds, music, banner messages and results, pop-ups and
// online reports, cursor looks, the window's pointer, the map HUD's hint and
// the application object's moves. Tests derive from it for answers of their
// own (where the HUD's back button lies, whether a banner is shown).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "game/host/GameHost.h"

namespace qmtest {

class RecordingHost : public GameHost {
 public:
  RecordingHost() : previous_(setGameHost(this)) {}
  ~RecordingHost() override { setGameHost(previous_); }
  RecordingHost(const RecordingHost&) = delete;
  RecordingHost& operator=(const RecordingHost&) = delete;

  void playSound(int id) override {
    if (id >= 0) sounds.push_back(id);
  }
  void playMusic(std::uint32_t id, bool) override { music.push_back(id); }
  void showBannerMessage(const BannerMessage& m) override { banners.push_back(m); }
  void showResult(const BannerMessage& m, int, int, int score, int, int medal) override {
    banners.push_back(m);
    resultScore = score;
    resultMedal = medal;
  }
  bool isBannerShown() override { return bannerShown; }
  void forwardButton(int id) override { forwarded.push_back(id); }
  void notifyBannerShown() override { ++bannerOpenings; }
  void notifyBannerHidden() override { ++bannerClosings; }
  void showAchievementPopup(int textId) override { popups.push_back(textId); }
  bool isOnlineServiceReady() override { return online; }
  void reportAchievement(int id, int percent) override { reports.push_back(id * 1000 + percent); }
  void setCursorMode(int mode) override { cursorModes.push_back(mode); }
  void setSystemCursorVisible(bool visible) override { systemCursor.push_back(visible); }
  bool mapHudPress(int x, int y) override { return onHudBack && onHudBack(x, y); }
  int mapHudButtonAt(int x, int y) override { return onHudBack && onHudBack(x, y) ? 209 : -1; }
  void mapHudShowHint(bool visible) override { hudHint = visible ? 1 : 0; }
  void mapHudUnloadTextures() override { ++hudUnloads; }
  void switchToSequence(int id) override { moves.push_back("sequence " + std::to_string(id)); }
  void startLevel(int id) override { moves.push_back("start " + std::to_string(id)); }
  void returnToMenu() override { moves.push_back("menu"); }
  void returnToMapPage() override { moves.push_back("map"); }
  void playVideo(const char* movie, const char* subtitles) override {
    moves.push_back(std::string("video ") + movie + " " + subtitles);
    videoPlaying = true;
  }
  bool isVideoPlaying() override { return videoPlaying; }
  void stopVideo() override { moves.push_back("stopVideo"); }
  void skipNextFrame() override { ++skips; }
  void requestFullscreen(bool on) override { moves.push_back(std::string("fullscreen ") + (on ? "1" : "0")); }
  void quit() override { moves.push_back("quit"); }

  // Forgets what was recorded (stays installed).
  void clear() {
    sounds.clear();
    music.clear();
    banners.clear();
    resultScore = 0;
    resultMedal = -1;
    bannerShown = false;
    forwarded.clear();
    bannerOpenings = bannerClosings = 0;
    popups.clear();
    online = false;
    reports.clear();
    cursorModes.clear();
    systemCursor.clear();
    hudHint = -1;
    hudUnloads = 0;
    moves.clear();
    videoPlaying = false;
    skips = 0;
  }

  int count(int soundId) const {
    int n = 0;
    for (int id : sounds) n += id == soundId ? 1 : 0;
    return n;
  }

  std::vector<int> sounds;
  std::vector<std::uint32_t> music;
  std::vector<BannerMessage> banners;
  int resultScore = 0;
  int resultMedal = -1;
  bool bannerShown = false;
  std::vector<int> forwarded;
  int bannerOpenings = 0;
  int bannerClosings = 0;
  std::vector<int> popups;
  bool online = false;
  std::vector<int> reports;  // id * 1000 + percent
  std::vector<int> cursorModes;
  std::vector<bool> systemCursor;
  // Where the map HUD's back button (209) lies; none when unset.
  std::function<bool(int x, int y)> onHudBack;
  int hudHint = -1;
  int hudUnloads = 0;
  std::vector<std::string> moves;
  bool videoPlaying = false;
  int skips = 0;

 private:
  GameHost* previous_;
};

}  // namespace qmtest
