// level_check DATA_DIR SOURCE_DIR LEVEL...: proves levels by the game's own
// rules, each in one process that builds the level once and plays every
// run through the level screen's retry. A level passes when
//  - it names nothing the data lacks (entity, complex entity, joint template);
//  - with no input it is not won;
//  - its solution (SOURCE_DIR/levels/solutions/<N>.txt) wins with gold;
//  - the medal rule holds (data/gamedesign/levels.ynm): the solution's taps
//    played 5 s later (<N>-later.txt for a level that moves on its own) still
//    win gold; one tap more at the solution's own
//    time scores below gold; the slow script (<N>-slow.txt, or the solution
//    15 s later) wins bronze or silver;
//  - one tap at a random moment wins fewer than half of 20 seeded tries, both
//    a tap anywhere on the screen in the first 20 s and a tap aimed at one of
//    the things the game lists as tappable, before the level ends by itself.
// Prints one table row per level, then what failed; exit 1 when any failed.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/DataFiles.h"
#include "app/Random.h"
#include "app/WindowGlue.h"
#include "game/play/InGameSequence.h"
#include "game/progress/LevelsManager.h"
#include "physics/CNodePhysics.h"
#include "physics/CScenePhysics.h"
#include "render_engine/Texture.h"
#include "tools/level_player.h"
#include "tools/scratch_folder.h"

namespace {

constexpr int kRandomTries = 20;
constexpr int kRandomFrames = 600;  // 20 s
constexpr int kSlowShift = 450;     // frames: 15 s
// The second to spare each way of the medal rule.
constexpr int kRuleMarginMs = 1000;
// A thoughtful player looks at the board for 2 s before the first tap.
constexpr int kLookFrames = (2000 + levelplay::kFrameMs - 1) / levelplay::kFrameMs;
// Frames of 33 ms that make at least 5 s.
constexpr int kLaterShift = (5000 + levelplay::kFrameMs - 1) / levelplay::kFrameMs;

// Messages of the game's readers about a name the data does not hold.
const char* const kMissing[] = {"no entity or complex entity of that name", "no joint template of that name",
                                "does not define", "or entitiy not found", "or joint not found"};

// A small seeded generator, the same numbers on every machine.
struct Dice {
  explicit Dice(unsigned seed) : state(seed * 2654435761u + 1u) {}
  int below(int n) {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 8) % static_cast<unsigned>(n));
  }
  unsigned state;
};

// A script, through the checks of every data file (a regular file of at
// most 1 MB: a FIFO or a device is refused, not waited on).
std::string readFile(const std::string& path, bool* ok) {
  std::string text;
  *ok = readRegularFile(path, 1u << 20, text) == FileStatus::Ok;
  return text;
}

// Runs make() with the process's standard output and error going to a file,
// and answers what it wrote (also passed on to standard error).
template <class F>
std::string captured(F make) {
  std::fflush(nullptr);
  FILE* sink = std::tmpfile();
  if (sink == nullptr) {
    make();
    return std::string();
  }
  const int out = dup(1);
  const int err = dup(2);
  dup2(fileno(sink), 1);
  dup2(fileno(sink), 2);
  make();
  std::fflush(nullptr);
  dup2(out, 1);
  dup2(err, 2);
  close(out);
  close(err);
  std::string text;
  std::rewind(sink);
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, sink)) > 0 && text.size() < (1u << 20)) text.append(buffer, n);
  std::fclose(sink);
  std::fputs(text.c_str(), stderr);
  return text;
}

std::vector<levelplay::Tap> shifted(const std::vector<levelplay::Tap>& taps, int frames) {
  std::vector<levelplay::Tap> out = taps;
  for (levelplay::Tap& t : out) t.frame += frames;
  return out;
}

std::string pad(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string describe(const levelplay::PlayResult& r) {
  return r.outcome + " (medal " + std::to_string(r.medal) + ", " + std::to_string(r.taps) + " taps, " +
         std::to_string(r.timeMs) + " ms, score " + std::to_string(r.score) + ")";
}

// The HUD covers the top of the screen: only sky may show there.
constexpr int kHudHeight = 40;

void collectUnderHud(cpShape* shape, void* data) {
  auto* text = static_cast<std::string*>(data);
  const cpBB box = cpShapeGetBB(shape);
  // y grows downwards: box.b is the shape's top on the screen.
  if (box.b >= kHudHeight || box.t < 0.0 || box.r < 0.0 || box.l > window::kPointsWidth) return;
  const auto* node = static_cast<RenderEngine::CNodePhysics*>(cpShapeGetUserData(shape));
  char line[128];
  std::snprintf(line, sizeof line, " type %d from (%.0f, %.0f) to (%.0f, %.0f);",
                node != nullptr ? node->getCollisionType() : -1, box.l, box.b, box.r, box.t);
  *text += line;
}

// The pieces of the level that reach into the HUD's band.
std::string piecesUnderHud(InGameSequence& screen) {
  std::string text;
  RenderEngine::CScenePhysics* scene = screen.getScene();
  if (scene == nullptr || scene->getSpace() == nullptr) return text;
  scene->recacheShapeBounds();
  cpSpaceEachShape(scene->getSpace(), &collectUnderHud, &text);
  return text;
}

struct Row {
  std::string cells[10];
};

// Checks one level; its problems go to problems, its row to row.
void checkLevel(const std::string& source, int level, Row& row, std::string& problems) {
  for (std::string& c : row.cells) c = "-";
  row.cells[0] = std::to_string(level);
  std::error_code ec;
  if (!std::filesystem::is_regular_file("levels/" + std::to_string(level) + ".ynm", ec)) {
    problems += "  levels/" + std::to_string(level) + ".ynm does not exist\n";
    row.cells[1] = "missing";
    return;
  }
  levelplay::Replayer* replayer = nullptr;
  const std::string messages = captured([&] { replayer = new levelplay::Replayer(level); });
  std::unique_ptr<levelplay::Replayer> owner(replayer);
  std::istringstream lines(messages);
  std::string line;
  std::string missing;
  while (std::getline(lines, line)) {
    for (const char* m : kMissing) {
      if (line.find(m) != std::string::npos) {
        missing += "    " + line + "\n";
        break;
      }
    }
  }
  if (!missing.empty()) problems += "  levels/" + std::to_string(level) + ".ynm names what does not exist:\n" + missing;
  if (!replayer->built()) {
    problems += "  cannot build the level: " + replayer->failure() + "\n";
    row.cells[1] = "broken";
    return;
  }
  const LevelRecord* record = LevelsManager::getInstance().findLevel(level);
  if (record != nullptr) {
    row.cells[8] = std::to_string(record->scoreBronze) + "/" + std::to_string(record->scoreSilver) + "/" +
                   std::to_string(record->scoreGold);
    if (!(record->scoreBronze < record->scoreSilver && record->scoreSilver < record->scoreGold)) {
      problems += "  thresholds " + row.cells[8] + " do not rise from bronze to gold\n";
    }
  } else {
    problems += "  the level is on no map of gamedesign/levels.ynm\n";
  }
  levelplay::PlayOptions still;
  still.stopAtRest = true;

  // No input; where play starts and what can be tapped then, and what of
  // the level lies under the HUD then.
  std::string underHud;
  levelplay::PlayOptions first = still;
  first.onFrame = [&](InGameSequence& screen, int) {
    if (screen.getState() == InGameSequence::kPlay && underHud.empty()) underHud = piecesUnderHud(screen) + "-";
  };
  const levelplay::PlayResult idle = replayer->play({}, first);
  if (underHud.size() > 1) problems += "  under the HUD (the top " + std::to_string(kHudHeight) + " points):" +
                                       underHud.substr(0, underHud.size() - 1) + "\n";
  row.cells[6] = idle.outcome + " from " + std::to_string(idle.playFrame);
  if (idle.outcome == "won") problems += "  without input it ends won\n";
  const int playFrame = idle.playFrame < 0 ? 0 : idle.playFrame;
  const int endFrame = idle.frames;
  // Every later run goes through the retry and must begin play where the
  // first did, or the runs prove nothing about one another.
  std::string drift;
  auto play = [&](const std::vector<levelplay::Tap>& taps, const levelplay::PlayOptions& options) {
    levelplay::PlayResult r = replayer->play(taps, options);
    // (A tap during the briefings moves them on: play then begins sooner.)
    const bool briefed = taps.empty() || taps.front().frame >= idle.playFrame;
    if (briefed && r.playFrame >= 0 && r.playFrame != idle.playFrame && drift.empty()) {
      drift = "  a retry began play at frame " + std::to_string(r.playFrame) + ", the first run at frame " +
              std::to_string(idle.playFrame) + "\n";
    }
    return r;
  };

  // The solution: gold.
  bool ok = false;
  const std::string solutionPath = source + "/levels/solutions/" + std::to_string(level) + ".txt";
  const std::string text = readFile(solutionPath, &ok);
  std::vector<levelplay::Tap> solution;
  levelplay::PlayResult best;
  if (!ok) {
    problems += "  no solution " + solutionPath + "\n";
  } else {
    std::vector<std::string> errors;
    solution = levelplay::parseScript(text, &errors);
    for (const std::string& e : errors) problems += "  " + solutionPath + ": bad " + e + "\n";
    best = play(solution, {});
    if (!best.played.empty() && best.played.front().frame < playFrame + kLookFrames) {
      problems += "  its first tap comes at frame " + std::to_string(best.played.front().frame) +
                  ", less than 2 s after play begins (frame " + std::to_string(playFrame) +
                  "): a thoughtful player looks first\n";
    }
    if (best.outcome != "won") {
      problems += "  its solution ends " + best.outcome + " (" + best.reason + ")\n";
    } else {
      // Taps on black animals are free: the score counts the others.
      row.cells[1] = std::to_string(best.taps);
      if (best.played.size() != static_cast<std::size_t>(best.taps)) {
        row.cells[1] += " of " + std::to_string(best.played.size());
      }
      row.cells[2] = std::to_string(best.timeMs);
      row.cells[3] = std::to_string(best.score);
      row.cells[4] = std::to_string(best.medal);
      if (best.medal != 3) {
        problems += "  its solution wins with medal " + std::to_string(best.medal) + ", not gold (score " +
                    std::to_string(best.score) + ")\n";
      }
    }
  }

  // The medal rule.
  if (best.outcome == "won") {
    std::string rule;
    // A level that moves on its own (a swing, a seesaw) has its own later
    // play, <N>-later.txt: the same taps at least 5 s later in the level's time.
    const std::string laterPath = source + "/levels/solutions/" + std::to_string(level) + "-later.txt";
    bool laterOk = false;
    const std::string laterText = readFile(laterPath, &laterOk);
    const levelplay::PlayResult later =
        play(laterOk ? levelplay::parseScript(laterText, nullptr) : shifted(solution, kLaterShift), {});
    if (laterOk && later.outcome == "won" && later.timeMs < best.timeMs + 5000) {
      problems += "  " + laterPath + " wins only " + std::to_string(later.timeMs - best.timeMs) +
                  " ms after the solution, not 5 s\n";
    }
    if (later.outcome != "won" || later.medal != 3) {
      problems += "  its taps played 5 s later end " + describe(later) + ", not gold\n";
      rule += "later " + later.outcome + " " + std::to_string(later.medal);
    } else {
      rule += "later gold " + std::to_string(later.score);
    }
    if (best.taps >= 1 && record != nullptr) {
      const int more = InGameSequence::scoreFor(best.taps + 1, best.timeMs);
      const int medal = LevelsManager::getInstance().getMedalForScore(level, more);
      rule += ", +1 tap " + std::to_string(more);
      if (medal >= 3) {
        problems += "  one tap more at the solution's time scores " + std::to_string(more) + ": still gold\n";
      }
    }
    const std::string slowPath = source + "/levels/solutions/" + std::to_string(level) + "-slow.txt";
    bool slowOk = false;
    const std::string slowText = readFile(slowPath, &slowOk);
    const std::vector<levelplay::Tap> slow =
        slowOk ? levelplay::parseScript(slowText, nullptr) : shifted(solution, kSlowShift);
    const std::string slowName = slowOk ? slowPath : "the solution 15 s later";
    const levelplay::PlayResult late = play(slow, {});
    row.cells[5] = late.outcome == "won" ? "won (" + std::to_string(late.medal) + ") " + std::to_string(late.score)
                                         : late.outcome;
    if (late.outcome != "won") {
      problems += "  the slow run (" + slowName + ") ends " + late.outcome + "\n";
    } else if (late.medal < 1 || late.medal > 2) {
      problems += "  a slow win scores " + std::to_string(late.score) + ": medal " + std::to_string(late.medal) +
                  ", not bronze or silver\n";
    }
    row.cells[7] = rule;
    // The thresholds the rule of gamedesign/levels.ynm gives this solution.
    const int k = std::max(1, best.taps);
    const int t = best.timeMs;
    const levelplay::MedalThresholds byRule = levelplay::ruleThresholds(k, t);
    row.cells[9] = std::to_string(byRule.bronze) + "/" + std::to_string(byRule.silver) + "/" +
                   std::to_string(byRule.gold);
    if (best.taps >= 1 && InGameSequence::scoreFor(k + 1, t - kRuleMarginMs) >= byRule.gold) {
      row.cells[9] += " (too quick for " + std::to_string(k) + " taps)";
    }
  }

  // One random tap at a random moment of the first 20 s.
  Dice dice(static_cast<unsigned>(level) * 7919u + 104729u);
  int wins = 0;
  std::string winsAt;
  for (int i = 0; i < kRandomTries; ++i) {
    const levelplay::Tap tap{dice.below(kRandomFrames), dice.below(480), dice.below(320)};
    const levelplay::PlayResult r = play({tap}, still);
    if (r.outcome == "won") {
      ++wins;
      winsAt += " (" + std::to_string(tap.frame) + " " + std::to_string(tap.x) + " " + std::to_string(tap.y) + ")";
    }
  }
  if (wins >= kRandomTries / 2) {
    problems += "  one random tap wins " + std::to_string(wins) + " of " + std::to_string(kRandomTries) +
                " tries:" + winsAt + "\n";
  }
  // One tap aimed at one of the things a tap acts on, from the start of play
  // up to where the level ends by itself, at most 20 s.
  int window = std::min(kRandomFrames, endFrame - playFrame);
  if (window < 1) window = 1;
  int aimed = 0;
  std::string aimedAt;
  for (int i = 0; i < kRandomTries; ++i) {
    const levelplay::Tap tap{playFrame + dice.below(window), 0, 0, dice.below(100000)};
    const levelplay::PlayResult r = play({tap}, still);
    if (r.outcome == "won") {
      ++aimed;
      aimedAt += " (frame " + std::to_string(tap.frame);
      if (!r.played.empty()) aimedAt += " on " + std::to_string(r.played[0].x) + " " + std::to_string(r.played[0].y);
      aimedAt += ")";
    }
  }
  if (aimed >= kRandomTries / 2) {
    problems += "  one aimed tap wins " + std::to_string(aimed) + " of " + std::to_string(kRandomTries) +
                " tries:" + aimedAt + "\n";
  }
  problems += drift;
  row.cells[6] += ", random " + std::to_string(wins) + "/" + std::to_string(kRandomTries) + ", aimed " +
                  std::to_string(aimed) + "/" + std::to_string(kRandomTries) + " (" +
                  std::to_string(idle.tappables.size()) + " things)";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: level_check DATA_DIR SOURCE_DIR LEVEL...\n");
    return 2;
  }
  std::vector<int> levels;
  for (int i = 3; i < argc; ++i) {
    char* end = nullptr;
    const long n = std::strtol(argv[i], &end, 10);
    if (end == argv[i] || *end != '\0' || n < 1 || n > 1000000) {
      std::fprintf(stderr, "level_check: bad level number \"%s\"\n", argv[i]);
      return 2;
    }
    levels.push_back(static_cast<int>(n));
  }
  std::error_code ec;
  const std::string source = std::filesystem::absolute(argv[2], ec).string();
  setenv("ALSOFT_DRIVERS", "null", 1);
  const std::string saves = scratch::makeFolder("level_check");
  if (saves.empty()) {
    std::fprintf(stderr, "level_check: cannot make a save folder\n");
    return 2;
  }
  std::filesystem::current_path(argv[1], ec);
  if (ec) {
    std::fprintf(stderr, "level_check: cannot enter %s\n", argv[1]);
    std::filesystem::remove_all(saves, ec);
    return 2;
  }
  RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
  seedRandom(1);
  std::string table =
      "level | taps counted (of made) | time_ms | score | medal | slow win (medal) score | no input, random and aimed wins | "
      "medal rule | thresholds b/s/g | by the rule\n";
  std::string failures;
  int failed = 0;
  int n = 0;
  for (int level : levels) {
    // Each level as a new player meets it: a save folder of its own.
    const std::string folder = saves + "/" + std::to_string(++n);
    std::filesystem::create_directories(folder, ec);
    setenv("XDG_DATA_HOME", folder.c_str(), 1);
    Row row;
    std::string problems;
    checkLevel(source, level, row, problems);
    const std::size_t widths[] = {5, 4, 7, 5, 5, 22, 31, 10, 14, 0};
    for (int c = 0; c < 10; ++c) table += (c > 0 ? " | " : "") + pad(row.cells[c], widths[c]);
    table += "\n";
    if (!problems.empty()) {
      failures += "level " + std::to_string(level) + ":\n" + problems;
      ++failed;
    }
  }
  std::printf("%s\n", table.c_str());
  if (!failures.empty()) std::printf("%s\nlevel_check: %d level(s) failed\n", failures.c_str(), failed);
  std::filesystem::remove_all(saves, ec);
  return failed > 0 ? 1 : 0;
}
