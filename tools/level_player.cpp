#include "tools/level_player.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <deque>
#include <memory>
#include <sstream>
#include <thread>
#include <utility>

#include "app/DataFiles.h"
#include "app/Random.h"
#include "app/ResourcePaths.h"
#include "app/WindowGlue.h"

#include "game/actors/ActorTemplates.h"
#include "game/play/GameHud.h"
#include "game/actors/ISwappableItem.h"
#include "game/play/InGameSequence.h"
#include "game/progress/LevelsManager.h"
#include "game/progress/ProgressFiles.h"
#include "game/progress/QMRAchievementManager.h"
#include "game/play/QMRBackground.h"
#include "game/app/QMRGame.h"
#include "game/play/QMRGameFX.h"
#include "game/actors/QMRJoint.h"
#include "game/actors/QMRSheep.h"
#include "game/overlays/QMRTextBanner.h"
#include "game/actors/QuillmoorGameplayTest.h"
#include "game/progress/TutorialManager.h"
#include "sound/AudioEngine.h"

namespace levelplay {

MedalThresholds ruleThresholds(int taps, int timeMs) {
  const int k = std::max(1, taps);
  auto floor10 = [](int score) { return score / 10 * 10; };
  MedalThresholds t;
  t.gold = floor10(InGameSequence::scoreFor(k, timeMs + 6000));
  t.silver = std::min(floor10(InGameSequence::scoreFor(k, timeMs + 12000)), t.gold - 10);
  t.bronze = floor10(InGameSequence::scoreFor(k + 1, timeMs + 15000));
  return t;
}

namespace {

using RenderEngine::CNodePhysics;
using RenderEngine::CScenePhysics;

// The game's own application object, made for a Replayer and gone with it.
class PlayGame : public QMRGame {
 public:
  PlayGame() : installed(installInstance(this)) {}
  using GameLoop::getSequence;
  using QMRGame::loadOverlayScenes;
  const bool installed;
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

namespace {

void collectNode(cpShape* shape, void* data) {
  auto* nodes = static_cast<std::vector<CNodePhysics*>*>(data);
  auto* node = static_cast<CNodePhysics*>(cpShapeGetUserData(shape));
  if (node != nullptr && std::find(nodes->begin(), nodes->end(), node) == nodes->end()) nodes->push_back(node);
}

// The point nearest the middle of the node's bounds where a touch reaches
// it, on screen and off the HUD's buttons.
bool pointOn(InGameSequence& play, CNodePhysics* node, int* x, int* y) {
  cpBB box = cpBBNewForExtents(cpBodyGetPosition(node->getBody()), 0.0, 0.0);
  for (int i = 0; i < node->getShapeCount(); ++i) {
    if (const cpShape* shape = node->getShape(i)) box = cpBBMerge(box, cpShapeGetBB(shape));
  }
  const double left = std::max(box.l, 0.0);
  const double right = std::min(box.r, static_cast<double>(window::kPointsWidth - 1));
  const double top = std::max(box.b, 0.0);
  const double bottom = std::min(box.t, static_cast<double>(window::kPointsHeight - 1));
  if (left > right || top > bottom) return false;
  const double cx = (left + right) / 2.0;
  const double cy = (top + bottom) / 2.0;
  const int step = std::max(1, static_cast<int>(std::max(right - left, bottom - top) / 40.0));
  // Nearest the middle first, in rows from the top where two are as near;
  // taken from a heap, as the first one or two nearly always do.
  struct Candidate {
    double distance;
    int order;
    int x;
    int y;
    bool operator>(const Candidate& o) const {
      return distance != o.distance ? distance > o.distance : order > o.order;
    }
  };
  std::vector<Candidate> candidates;
  for (int py = static_cast<int>(std::ceil(top)); py <= static_cast<int>(bottom); py += step) {
    for (int px = static_cast<int>(std::ceil(left)); px <= static_cast<int>(right); px += step) {
      candidates.push_back({(px - cx) * (px - cx) + (py - cy) * (py - cy), static_cast<int>(candidates.size()), px, py});
    }
  }
  std::make_heap(candidates.begin(), candidates.end(), std::greater<>());
  while (!candidates.empty()) {
    std::pop_heap(candidates.begin(), candidates.end(), std::greater<>());
    const int px = candidates.back().x;
    const int py = candidates.back().y;
    candidates.pop_back();
    if (play.getHud() != nullptr && play.getHud()->containsButtonAt(px, py)) continue;
    if (play.getScene()->queryNodeAtPoint(static_cast<float>(px), static_cast<float>(py), 3) != node) continue;
    *x = px;
    *y = py;
    return true;
  }
  return false;
}

}  // namespace

std::vector<Tappable> findTappables(InGameSequence& play) {
  std::vector<Tappable> found;
  CScenePhysics* scene = play.getScene();
  if (scene == nullptr || scene->getSpace() == nullptr || scene->isLocked()) return found;
  scene->recacheShapeBounds();
  std::vector<CNodePhysics*> nodes;
  cpSpaceEachShape(scene->getSpace(), &collectNode, &nodes);
  for (CNodePhysics* node : nodes) {
    Tappable t;
    if (!QuillmoorGameplayTest::takesTap(node) || !pointOn(play, node, &t.x, &t.y)) continue;
    t.type = node->getCollisionType();
    found.push_back(t);
  }
  return found;
}

namespace {

bool realTime = false;

void tap(PlayGame& game, int x, int y) {
  TouchPoint points[kMaxTouches] = {{x, y}};
  game.touchesBegan(1, points, false);
  game.touchesEnded(1, points, false);
}

// Where each moving body of the level is, to tell when all is still.
struct BodyAt {
  cpBody* body;
  cpVect position;
  cpFloat angle;
};
struct Stillness {
  std::vector<BodyAt> start;
  int frames = 0;
  // Nothing has even crept since the window began: a board that only rests
  // within a point can still settle otherwise whenever it is touched.
  bool frozen = true;
};

void collectBody(cpBody* body, void* data) {
  auto* bodies = static_cast<std::vector<BodyAt>*>(data);
  if (cpBodyGetType(body) != CP_BODY_TYPE_DYNAMIC) return;
  const cpVect p = cpBodyGetPosition(body);
  // Gone far off the screen: it falls for ever and decides nothing.
  if (p.y > 2.0 * window::kPointsHeight || p.x < -window::kPointsWidth / 2.0 ||
      p.x > 1.5 * window::kPointsWidth) {
    return;
  }
  bodies->push_back({body, p, cpBodyGetAngle(body)});
}

// True once nothing has moved by a point, nor moves, for kRestFrames.
bool atRest(InGameSequence& play, Stillness& still) {
  CScenePhysics* scene = play.getScene();
  if (scene == nullptr || scene->getSpace() == nullptr) return false;
  std::vector<BodyAt> now;
  cpSpaceEachBody(scene->getSpace(), &collectBody, &now);
  bool same = now.size() == still.start.size();
  bool frozen = same;
  for (std::size_t i = 0; same && i < now.size(); ++i) {
    cpBody* body = now[i].body;
    const cpVect v = cpBodyGetVelocity(body);
    const cpFloat w = std::fabs(cpBodyGetAngularVelocity(body));
    const cpFloat moved = cpvdistsq(now[i].position, still.start[i].position);
    same = body == still.start[i].body && moved < 1.0 && cpvlengthsq(v) < 1.0 && w < 1.0;
    frozen = frozen && same && moved < kFrozenPoints * kFrozenPoints && cpvlengthsq(v) < kFrozenPoints * kFrozenPoints &&
             w < kFrozenPoints / 10.0 && std::fabs(now[i].angle - still.start[i].angle) < kFrozenPoints / 10.0;
  }
  if (!same) {
    still.start = std::move(now);
    still.frames = 0;
    still.frozen = true;
    return false;
  }
  still.frozen = still.frozen && frozen;
  return ++still.frames >= kRestFrames;
}

// Runs the level on the game's level screen; the game is current on it.
void run(PlayGame& game, InGameSequence& play, const std::vector<Tap>& script, const PlayOptions& options,
         PlayResult& result) {
  int limit = options.frameLimit;
  auto nextFrame = std::chrono::steady_clock::now();
  if (limit <= 0) limit = (script.empty() ? 0 : script.back().frame) + kIdleFrameLimit;
  std::size_t next = 0;
  int lastState = -1;
  int bannerFrames = 0;
  int frame = 0;
  Stillness still;
  for (; frame < limit; ++frame) {
    const int state = play.getState();
    if (state != lastState) {
      result.log.push_back("frame " + std::to_string(frame) + ": " + stateName(state));
      lastState = state;
      if (state == InGameSequence::kPlay && result.playFrame < 0) {
        result.playFrame = frame;
        result.tappables = findTappables(play);
      }
    }
    if (state == InGameSequence::kWon || state == InGameSequence::kLost) break;
    if (options.endWhenDecided && (state == InGameSequence::kGoalReached || state == InGameSequence::kFailing)) break;
    if (options.stopAtRest && state == InGameSequence::kPlay && next >= script.size() && atRest(play, still)) {
      result.restFrame = frame - kRestFrames;
      result.frozen = still.frozen;
      break;
    }
    if (options.onFrame) options.onFrame(play, frame);
    // The briefing: the banner takes the touches while it is shown; one tap
    // moves it on by one message.
    if (game.isBannerShown()) {
      ++bannerFrames;
      bool dismiss = bannerFrames >= kBriefingReadFrames;
      int x = 240;
      int y = 160;
      while (next < script.size() && script[next].frame <= frame) {
        dismiss = true;
        if (script[next].aim < 0) {
          x = script[next].x;
          y = script[next].y;
        }
        ++next;
      }
      if (dismiss) {
        bannerFrames = 0;
        tap(game, x, y);
      }
    } else {
      while (next < script.size() && script[next].frame <= frame) {
        Tap t = script[next++];
        still = Stillness();
        if (t.aim >= 0) {
          const std::vector<Tappable> things = findTappables(play);
          if (things.empty()) {
            result.log.push_back("frame " + std::to_string(frame) + ": nothing to aim at");
            continue;
          }
          const std::size_t pick = static_cast<std::size_t>(t.aim) % things.size();
          t.x = things[pick].x;
          t.y = things[pick].y;
          result.log.push_back("frame " + std::to_string(frame) + ": aimed at " + std::to_string(pick + 1) + " of " +
                               std::to_string(things.size()) + ", type " + std::to_string(things[pick].type));
        }
        const int before = play.getActions();
        tap(game, t.x, t.y);
        result.played.push_back({frame, t.x, t.y, -1});
        result.log.push_back("frame " + std::to_string(frame) + ": tap " + std::to_string(t.x) + " " +
                             std::to_string(t.y) + (play.getActions() > before ? " (counted)" : ""));
      }
    }
    if (options.beforeUpdate) options.beforeUpdate();
    game.update(kFrameMs);
    if (options.afterUpdate) options.afterUpdate();
    if (realTime) {
      nextFrame += std::chrono::milliseconds(kFrameMs);
      std::this_thread::sleep_until(nextFrame);
    }
  }
  result.frames = frame;
  const int state = play.getState();
  if (state == InGameSequence::kWon) {
    result.outcome = "won";
    result.reason = "every sheep home";
  } else if (state == InGameSequence::kLost) {
    result.outcome = "lost";
    result.reason = lossReason(play);
  } else if (options.endWhenDecided && state == InGameSequence::kGoalReached) {
    result.outcome = "won";
    result.reason = "every sheep home";
  } else if (options.endWhenDecided && state == InGameSequence::kFailing) {
    result.outcome = "lost";
    result.reason = lossReason(play);
  } else {
    result.reason = result.restFrame >= 0 ? "at rest" : "frame limit";
  }
  result.taps = play.getActions();
  result.timeMs = play.getClockMs();
  result.score = play.getScore();
  result.medal = state == InGameSequence::kWon ? play.getMedal() : 0;
  if (result.outcome == "won" && state != InGameSequence::kWon) {
    // The goal reached: the score the won state will give, and its medal.
    result.score = InGameSequence::scoreFor(result.taps, result.timeMs);
    result.medal = LevelsManager::getInstance().getMedalForScore(play.getLevelId(), result.score);
  }
  for (const QMRSheep* actor : play.getActors()) {
    char line[160];
    std::snprintf(line, sizeof line, "%s at (%.0f, %.0f)%s%s", actor->getCollisionType() == 1 ? "sheep" : "animal",
                  actor->getPosition().x, actor->getPosition().y, actor->isDead() ? ", dead" : "",
                  actor->isInGoalZone() ? ", in the goal" : "");
    result.actors.push_back(line);
  }
}

// Hides the banner and drops what waits on it (a message left by an earlier run).
void clearBanner() {
  for (std::size_t i = 0; i <= QMRTextBanner::kMaxQueued + 1 && QMRTextBanner::instance()->showNextQueued(); ++i) {
  }
}

// Every run starts from the same random numbers.
constexpr std::uint32_t kRunSeed = 1;

}  // namespace

void setRealTime(bool paced) { realTime = paced; }

struct Replayer::Impl {
  int level = 0;
  std::string failure;
  std::unique_ptr<PlayGame> game;
  InGameSequence* play = nullptr;
  int runs = 0;
  bool built = false;
  // The tutorials seen when the level was built.
  std::string tutorialSave;
  std::string tutorials;
  bool hadTutorials = false;
};

Replayer::Replayer(int level, const StartHooks& startHooks) : impl_(new Impl) {
  Impl& m = *impl_;
  m.level = level;
  LevelsManager::resetInstance();
  QMRAchievementManager::resetInstance();
  // Every run shows the briefings this first start shows.
  m.tutorialSave = getSaveFilePath("tutov2.sav");
  m.hadTutorials = progress::readSaveFile(m.tutorialSave, 64, m.tutorials) == progress::SaveRead::Read;
  TutorialManager::resetInstance();
  InGameSequence::resetProcessState();
  m.game.reset(new PlayGame);
  if (!m.game->installed) {
    m.failure = "another application object is running";
    return;
  }
  PlayGame& game = *m.game;
  game.start();
  for (int i = 0; i < 100 && game.isLoading(); ++i) game.update(kFrameMs);
  // A player reaches a level after the logo's frames, which read the
  // banner's and the pop-up's scenes: so does the play here.
  game.loadOverlayScenes();
  clearBanner();
  m.play = dynamic_cast<InGameSequence*>(game.getSequence(QMRGame::kInGame));
  if (m.play == nullptr || game.isLoading()) {
    m.failure = "the game did not start";
    return;
  }
  // The scenery's effect is made anew with the scenery, as every retry makes it.
  QMRBackgroundFX::resetInstance();
  seedRandom(kRunSeed);
  if (startHooks.before) startHooks.before();
  if (LevelsManager::getInstance().findLevel(level) != nullptr) {
    game.startLevel(level);
  } else {
    // Not on the map: played all the same, in the first scenery.
    m.play->prepareLevel(level, 1, 0);
    game.setCurrentSequence(QMRGame::kInGame);
  }
  if (startHooks.after) startHooks.after();
  // The switch skips the next frame: spend it before the first counted one.
  game.update(kFrameMs);
  if (m.play->getLevel().entities.empty() || m.play->getActors().empty()) {
    m.failure = m.play->getLevel().entities.empty() ? "the level has no entities (missing or unreadable file)"
                                                    : "the level has no animals";
    return;
  }
  m.built = true;
}

Replayer::~Replayer() {
  Impl& m = *impl_;
  if (m.game && m.game->installed) clearBanner();
  m.game.reset();
  // As the game's quit does: the device it opened is closed.
  AudioEngine::shutdown();
}

bool Replayer::built() const { return impl_->built; }
const std::string& Replayer::failure() const { return impl_->failure; }
int Replayer::runs() const { return impl_->runs; }

PlayResult Replayer::play(const std::vector<Tap>& taps, const PlayOptions& options) {
  Impl& m = *impl_;
  PlayResult result;
  if (!m.built) {
    result.failure = m.failure;
    return result;
  }
  if (m.runs > 0) {
    // The retry button of the result banner, with the level's first
    // briefings, and the scenery and random numbers of a fresh start: the
    // animals' idle turns drawn from them decide when play begins.
    clearBanner();
    if (m.hadTutorials) {
      progress::writeSaveFile(m.tutorialSave, m.tutorials);
    } else {
      std::remove(m.tutorialSave.c_str());
    }
    TutorialManager::resetInstance();
    if (m.play->isPaused()) m.play->resumeGame();
    const int scenery = m.play->getScenery();
    m.play->setScenery(-1);
    QMRBackgroundFX::resetInstance();
    seedRandom(kRunSeed);
    m.play->setScenery(scenery);
    m.play->buttonPressed(InGameSequence::kButtonRetry);
  }
  ++m.runs;
  result.built = true;
  run(*m.game, *m.play, taps, options, result);
  if (options.atEnd) options.atEnd(*m.play);
  return result;
}

PlayResult playLevel(int level, const std::vector<Tap>& script, int frameLimit,
                     const std::function<void(InGameSequence&)>& atEnd) {
  Replayer replayer(level);
  PlayOptions options;
  options.frameLimit = frameLimit;
  options.atEnd = atEnd;
  PlayResult result = replayer.play(script, options);
  if (!replayer.built()) result.failure = replayer.failure();
  return result;
}

void printResult(const PlayResult& r, std::FILE* out, bool withTappables) {
  if (!r.built) {
    std::fprintf(out, "cannot build the level: %s\n", r.failure.c_str());
    return;
  }
  for (const std::string& line : r.log) std::fprintf(out, "%s\n", line.c_str());
  if (withTappables) {
    for (std::size_t i = 0; i < r.tappables.size(); ++i) {
      const Tappable& t = r.tappables[i];
      std::fprintf(out, "tappable %zu of %zu at frame %d: type %d at %d %d\n", i + 1, r.tappables.size(),
                   r.playFrame, t.type, t.x, t.y);
    }
    if (r.tappables.empty()) std::fprintf(out, "tappable none at frame %d\n", r.playFrame);
  }
  for (const std::string& line : r.actors) std::fprintf(out, "%s\n", line.c_str());
  std::fprintf(out, "ended at frame %d: %s (%s)\n", r.frames, r.outcome.c_str(), r.reason.c_str());
  std::fprintf(out, "result: %s taps=%d time_ms=%d score=%d medal=%d\n", r.outcome.c_str(), r.taps, r.timeMs,
               r.score, r.medal);
}

bool readScript(const std::string& path, std::vector<Tap>& taps, std::vector<std::string>* errors, std::string& why) {
  constexpr std::size_t kMaxScriptBytes = 1u << 20;
  std::string text;
  const FileStatus status = readRegularFile(path, kMaxScriptBytes, text);
  if (status != FileStatus::Ok) {
    why = status == FileStatus::TooLarge ? "larger than 1 MB" : describeFileStatus(status);
    return false;
  }
  taps = parseScript(text, errors);
  return true;
}

}  // namespace levelplay
