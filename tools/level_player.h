#pragma once
// Plays one level through the game itself, headless: its application object
// is made and started for the run (screens, banner, cursor, managers), the
// level is started as the map would start it, a tap script of "frame x y"
// lines (points) drives the touches, briefings are read and dismissed as a
// player would, and the run ends on the result banner or at the frame limit. Used by level_play, its tests, the benchmarks and the fuzz target.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class InGameSequence;

namespace levelplay {

struct Tap {
  int frame = 0;
  int x = 0;
  int y = 0;
  // 0 or more: x and y are left aside and the tap lands on the thing of
  // that number (modulo their count) among those a tap acts on at that frame.
  int aim = -1;
};

// Lines "frame x y"; '#' starts a comment. Bad lines are reported in errors
// (line number and text) and left out.
std::vector<Tap> parseScript(const std::string& text, std::vector<std::string>* errors);

// Reads a script file through the same checks as the game's data files (a
// regular file of at most 1 MB). False with the reason in why when it cannot
// be read; the bad lines of a file that reads go to errors.
bool readScript(const std::string& path, std::vector<Tap>& taps, std::vector<std::string>* errors, std::string& why);

// A thing of the level a tap acts on (a block that breaks or blows up, a
// black animal), with a point on screen where a tap reaches it.
struct Tappable {
  int type = 0;  // collision type
  int x = 0;
  int y = 0;
};

// What a tap acts on now, in the order of the physics space, as the level
// screen routes touches (the HUD's buttons first, then the topmost body).
std::vector<Tappable> findTappables(InGameSequence& play);

// The medal thresholds the rule at the top of gamedesign/levels.ynm gives a
// solution of `taps` counted taps won in timeMs: gold and silver are its
// score 6 s and 12 s slower, bronze one tap more and 15 s slower, each
// rounded down to 10. A long solution's gold and silver can round to the
// same figure; silver is then 10 below gold, so that the two stay apart.
struct MedalThresholds {
  int bronze = 0;
  int silver = 0;
  int gold = 0;
};
MedalThresholds ruleThresholds(int taps, int timeMs);

struct PlayResult {
  bool built = false;
  std::string failure;  // why the level could not be built
  std::vector<std::string> log;  // states passed and other events, by frame
  std::vector<std::string> actors;  // where each animal ended
  int playFrame = -1;  // the first frame of the state "play"
  std::vector<Tappable> tappables;  // as they were then
  std::vector<Tap> played;  // the taps made on the level (aimed ones where they landed), by frame
  int frames = 0;
  int restFrame = -1;  // with stopAtRest: where everything had come to rest
  // At rest and not even creeping (every body within kFrozenPoints of where
  // it was, and as slow): a tap then plays out the same whenever it comes.
  bool frozen = false;
  std::string outcome = "unfinished";  // "won", "lost" or "unfinished"
  std::string reason;
  int taps = 0;
  int timeMs = 0;
  int score = 0;
  int medal = 0;
};

// Frames of 33 ms without a script: 60 seconds of game time.
inline constexpr int kFrameMs = 33;
inline constexpr int kIdleFrameLimit = 60000 / kFrameMs + 1;

// Frames everything must stay still, after the last tap, before a run
// that asks for it ends "at rest": longer than the goal zone's second, so a
// sheep or wolf at rest in it has decided the level by then.
inline constexpr int kRestFrames = 75;
inline constexpr double kFrozenPoints = 0.01;

struct PlayOptions {
  int frameLimit = 0;  // 0: the last tap's frame plus 60 s
  // End as "unfinished" once, after the last tap, no body has moved for
  // kRestFrames: nothing the rules do starts a still level moving again.
  bool stopAtRest = false;
  // End as soon as the level is decided: every animal home (the goal
  // reached, "won") or one failed ("lost"); the clock and the taps, so the
  // score and the medal, are final by then.
  bool endWhenDecided = false;
  // Called before each frame's taps, with the frame's number.
  std::function<void(InGameSequence&, int)> onFrame;
  // Sees the level screen as the run left it.
  std::function<void(InGameSequence&)> atEnd;
  // Called around each frame's update (the benchmarks time them).
  std::function<void()> beforeUpdate;
  std::function<void()> afterUpdate;
};

// Called around the level's start as the map starts it (the benchmarks time it).
struct StartHooks {
  std::function<void()> before;
  std::function<void()> after;
};

// One level built once and played as often as asked: the first run plays
// the fresh build, every later one goes through the level screen's retry
// (its banner's retry button), with the briefings, tutorials seen and
// random numbers as a fresh start has them, so a run plays as it would
// from a fresh start. Runs in the working folder (the data tree); the save
// folder must already point somewhere disposable. No other application
// object may exist meanwhile; the sound is shut down when it goes.
class Replayer {
 public:
  explicit Replayer(int level, const StartHooks& startHooks = {});
  ~Replayer();
  Replayer(const Replayer&) = delete;
  Replayer& operator=(const Replayer&) = delete;

  bool built() const;
  const std::string& failure() const;
  PlayResult play(const std::vector<Tap>& taps, const PlayOptions& options = {});
  int runs() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// One run of a freshly built level (a Replayer for one play).
PlayResult playLevel(int level, const std::vector<Tap>& taps, int frameLimit = 0,
                     const std::function<void(InGameSequence&)>& atEnd = nullptr);

// Frames paced at 33 ms of the clock (for a recording of the sound) instead
// of as fast as they run.
void setRealTime(bool paced);

// withTappables: also the things a tap acted on when the play began.
void printResult(const PlayResult& result, std::FILE* out, bool withTappables = false);

}  // namespace levelplay
