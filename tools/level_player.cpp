#include "tools/level_player.h"

#include <deque>
#include <cstdio>
#include <sstream>

#include "game/ActorTemplates.h"
#include "game/GameHud.h"
#include "game/ISwappableItem.h"
#include "game/InGameSequence.h"
#include "game/LevelsManager.h"
#include "game/QMRAchievementManager.h"
#include "game/QMRGameFX.h"
#include "game/QMRJoint.h"
#include "game/QMRSheep.h"
#include "game/TutorialManager.h"

namespace levelplay {
namespace {

// The banner as a queue the run reads: briefings wait for a tap (or go by
// themselves after a while, as a reader would), the result ends the run.
class PlayHost : public InGameHost, public OverlayHooks {
 public:
  void showBannerMessage(const BannerMessage& m) override { queue.push_back(m); }
  void showResult(const BannerMessage& m, int, int, int, int, int) override { queue.push_back(m); }
  bool isBannerShown() override { return !queue.empty(); }
  bool showNextQueued() override {
    if (!queue.empty()) queue.pop_front();
    return !queue.empty();
  }
  void playMusic(std::uint32_t id, bool) override { music.push_back(id); }
  void startLevel(int id) override { moves.push_back("start " + std::to_string(id)); }
  void returnToMenu() override { moves.push_back("menu"); }
  void returnToMapPage() override { moves.push_back("map"); }
  void enqueueAchievementPopup(int textId) override { popups.push_back(textId); }

  std::deque<BannerMessage> queue;
  std::vector<std::uint32_t> music;
  std::vector<std::string> moves;
  std::vector<int> popups;
};

const char* stateName(int s) {
  static const char* names[] = {"idle", "start", "play", "goal reached", "failing", "lost", "won", "briefing"};
  return s >= 0 && s < 8 ? names[s] : "?";
}

constexpr int kBriefingReadFrames = 60;

std::string lossReason(const InGameSequence& game) {
  if (game.getLastBannerText() == 0x20004) return "a wolf stayed in the goal";
  for (const QMRSheep* actor : game.getActors()) {
    if (actor->isDead()) return "an animal was lost";
  }
  return "an animal failed";
}

}  // namespace

std::vector<Tap> parseScript(const std::string& text, std::vector<std::string>* errors) {
  std::vector<Tap> taps;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const auto hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    std::istringstream fields(line);
    std::string first;
    if (!(fields >> first)) continue;
    std::istringstream all(line);
    Tap tap;
    std::string extra;
    if (!(all >> tap.frame >> tap.x >> tap.y) || (all >> extra) || tap.frame < 0 || tap.frame > 10000000 ||
        tap.x < -100000 || tap.x > 100000 || tap.y < -100000 || tap.y > 100000) {
      if (errors != nullptr) errors->push_back("line " + std::to_string(number) + ": \"" + line + "\"");
      continue;
    }
    taps.push_back(tap);
  }
  return taps;
}

PlayResult playLevel(int level, const std::vector<Tap>& script, int frameLimit,
                     const std::function<void(InGameSequence&)>& atEnd) {
  PlayResult result;
  PlayHost host;
  OverlayHooks* previousHooks = setOverlayHooks(&host);
  LevelsManager::resetInstance();
  QMRAchievementManager::resetInstance();
  TutorialManager::resetInstance();
  InGameSequence::resetProcessState();

  int scenery = 1;
  int tutorial = 0;
  if (const LevelRecord* record = LevelsManager::getInstance().findLevel(level)) {
    scenery = record->scenery;
    tutorial = record->tutoId;
  }
  {
    InGameSequence game(&host);
    game.load();
    game.enter();
    game.prepareLevel(level, scenery, tutorial);
    if (game.getLevel().entities.empty() || game.getActors().empty()) {
      result.failure = game.getLevel().entities.empty() ? "the level has no entities (missing or unreadable file)"
                                                        : "the level has no animals";
      game.unload();
      setOverlayHooks(previousHooks);
      return result;
    }
    result.built = true;

    int limit = frameLimit;
    if (limit <= 0) limit = (script.empty() ? 0 : script.back().frame) + kIdleFrameLimit;
    std::size_t next = 0;
    int lastState = -1;
    int bannerFrames = 0;
    int frame = 0;
    for (; frame < limit; ++frame) {
      const int state = game.getState();
      if (state != lastState) {
        result.log.push_back("frame " + std::to_string(frame) + ": " + stateName(state));
        lastState = state;
      }
      if (state == InGameSequence::kWon || state == InGameSequence::kLost) break;
      // The briefing: the banner takes the touches while it is shown.
      if (host.isBannerShown()) {
        ++bannerFrames;
        bool dismiss = bannerFrames >= kBriefingReadFrames;
        while (next < script.size() && script[next].frame <= frame) {
          dismiss = true;
          ++next;
        }
        if (dismiss) {
          bannerFrames = 0;
          if (!host.showNextQueued()) game.bannerHidden();
        }
      } else {
        while (next < script.size() && script[next].frame <= frame) {
          const Tap& t = script[next++];
          const int before = game.getActions();
          game.touchBegan(t.x, t.y);
          game.touchEnded(t.x, t.y);
          result.log.push_back("frame " + std::to_string(frame) + ": tap " + std::to_string(t.x) + " " +
                               std::to_string(t.y) + (game.getActions() > before ? " (counted)" : ""));
        }
      }
      game.update(kFrameMs);
    }
    result.frames = frame;
    const int state = game.getState();
    if (state == InGameSequence::kWon) {
      result.outcome = "won";
      result.reason = "every sheep home";
    } else if (state == InGameSequence::kLost) {
      result.outcome = "lost";
      result.reason = lossReason(game);
    } else {
      result.reason = "frame limit";
    }
    result.taps = game.getActions();
    result.timeMs = game.getClockMs();
    result.score = game.getScore();
    result.medal = state == InGameSequence::kWon ? game.getMedal() : 0;
    for (const QMRSheep* actor : game.getActors()) {
      char line[160];
      std::snprintf(line, sizeof line, "%s at (%.0f, %.0f)%s%s", actor->getCollisionType() == 1 ? "sheep" : "animal",
                    actor->getPosition().x, actor->getPosition().y, actor->isDead() ? ", dead" : "",
                    actor->isInGoalZone() ? ", in the goal" : "");
      result.actors.push_back(line);
    }
    if (atEnd) atEnd(game);
    game.unload();
  }
  setOverlayHooks(previousHooks);
  return result;
}

void printResult(const PlayResult& r, std::FILE* out) {
  if (!r.built) {
    std::fprintf(out, "cannot build the level: %s\n", r.failure.c_str());
    return;
  }
  for (const std::string& line : r.log) std::fprintf(out, "%s\n", line.c_str());
  for (const std::string& line : r.actors) std::fprintf(out, "%s\n", line.c_str());
  std::fprintf(out, "ended at frame %d: %s (%s)\n", r.frames, r.outcome.c_str(), r.reason.c_str());
  std::fprintf(out, "result: %s taps=%d time_ms=%d score=%d medal=%d\n", r.outcome.c_str(), r.taps, r.timeMs,
               r.score, r.medal);
}

}  // namespace levelplay
