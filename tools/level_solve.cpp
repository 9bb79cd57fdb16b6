// level_solve DATA_DIR LEVEL [--taps K] [--step MS] [--horizon MS] [--limit MS]
//             [--show N] [--jobs N] [--dead-ends]:
// plays a level headless through the game's own level screen and rules,
// trying every sequence of up to K taps (default 2) on the things the game
// lists as tappable, each tap at a step of the play (every MS ms, default
// 500, over the first --horizon ms of play, default 10000; a later tap at a
// later step). A run ends when the level is won or lost, when everything is
// still after the last tap, or --limit ms after it (default 30000). It
// prints the wins found, fastest first, as scripts that
// level_play reads, and the share of the sequences tried that win.
// --dead-ends lists the single first taps (each tappable at each second of
// the first 10 s of play) after which everything comes to rest with the
// level neither won nor lost and no single further tap wins.
// Every worker process builds the level once and plays each sequence
// through the level screen's retry; as many workers as cores.
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "game/play/InGameSequence.h"
#include "render_engine/Texture.h"
#include "tools/level_player.h"

namespace {

constexpr int kMaxTaps = 4;
constexpr int kMaxSteps = 256;
constexpr int kDeadEndSeconds = 10;

// One sequence to play: taps at frames counted from the start of play, each
// on the thing of that number among those the game lists at that moment.
struct Job {
  int count = 0;
  int frame[kMaxTaps] = {};
  int aim[kMaxTaps] = {};
  int step[kMaxTaps] = {};  // the step of each tap, for the search
};

enum Outcome : int { kUnfinished = 0, kWon = 1, kLost = 2, kAtRest = 3, kBroken = 4 };

struct JobResult {
  int outcome = kBroken;
  int taps = 0;
  int timeMs = 0;
  int score = 0;
  int medal = 0;
  int endFrame = 0;  // from the start of play
  int playFrame = -1;
  int played = 0;
  int tapFrame[kMaxTaps] = {};
  int tapX[kMaxTaps] = {};
  int tapY[kMaxTaps] = {};
  int endCount = 0;  // things to tap where the run ended
  unsigned char counts[kMaxSteps] = {};  // things to tap at each step, while the run lasted
};

// Shared between the parent and its workers for one round.
struct Round {
  std::atomic<int> next;
  int jobCount;
  int stepCount;
  int stepFrame[kMaxSteps];
  int playFrame;  // of the first run; -1 while unknown
};

struct Options {
  std::string data;
  int level = 0;
  int taps = 2;
  int stepMs = 500;
  int horizonMs = 10000;
  int limitMs = 30000;  // a run ends this long after its last tap
  int show = 10;
  int jobs = 0;
  bool deadEnds = false;
};

struct Shared {
  Round* round = nullptr;
  Job* jobs = nullptr;
  JobResult* results = nullptr;
  std::size_t bytes = 0;
};

Shared mapRound(std::size_t jobCount) {
  Shared s;
  s.bytes = sizeof(Round) + jobCount * (sizeof(Job) + sizeof(JobResult));
  void* mem = mmap(nullptr, s.bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (mem == MAP_FAILED) {
    std::perror("level_solve: mmap");
    std::exit(2);
  }
  auto* bytes = static_cast<unsigned char*>(mem);
  s.round = new (bytes) Round;
  s.jobs = reinterpret_cast<Job*>(bytes + sizeof(Round));
  s.results = reinterpret_cast<JobResult*>(bytes + sizeof(Round) + jobCount * sizeof(Job));
  for (std::size_t i = 0; i < jobCount; ++i) {
    new (&s.jobs[i]) Job;
    new (&s.results[i]) JobResult;
  }
  return s;
}

void unmapRound(Shared& s) {
  if (s.round != nullptr) munmap(s.round, s.bytes);
  s = Shared();
}

// Plays the round's jobs one after another until none is left.
int work(const Options& options, Shared& shared, bool quiet) {
  if (quiet) {
    std::freopen("/dev/null", "w", stderr);
  }
  std::freopen("/dev/null", "w", stdout);
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/level_solve_XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) return 1;
  setenv("XDG_DATA_HOME", folder.c_str(), 1);
  RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
  int status = 0;
  {
    levelplay::Replayer replayer(options.level);
    Round& round = *shared.round;
    for (;;) {
      const int i = round.next.fetch_add(1);
      if (i >= round.jobCount) break;
      const Job& job = shared.jobs[i];
      JobResult& out = shared.results[i];
      out = JobResult();
      if (!replayer.built()) {
        status = 1;
        continue;
      }
      // The taps land at frames counted from the start of play, which the
      // first run tells (and every run through the retry shares).
      const int base = round.playFrame >= 0 ? round.playFrame : 0;
      std::vector<levelplay::Tap> taps;
      for (int t = 0; t < job.count; ++t) taps.push_back({base + job.frame[t], 0, 0, job.aim[t]});
      levelplay::PlayOptions play;
      play.stopAtRest = true;
      play.frameLimit = base + (job.count > 0 ? job.frame[job.count - 1] : 0) + options.limitMs / levelplay::kFrameMs;
      int playFrame = -1;
      play.onFrame = [&](InGameSequence& screen, int frame) {
        if (playFrame < 0 && screen.getState() == InGameSequence::kPlay) playFrame = frame;
        if (playFrame < 0) return;
        const int offset = frame - playFrame;
        for (int s = 0; s < round.stepCount; ++s) {
          if (round.stepFrame[s] == offset) {
            out.counts[s] = static_cast<unsigned char>(std::min<std::size_t>(255, levelplay::findTappables(screen).size()));
          }
        }
      };
      play.atEnd = [&](InGameSequence& screen) {
        out.endCount = static_cast<int>(levelplay::findTappables(screen).size());
      };
      const levelplay::PlayResult r = replayer.play(taps, play);
      out.playFrame = r.playFrame;
      if (round.playFrame >= 0 && r.playFrame != round.playFrame) {
        // A retry that does not start as the first run did cannot be trusted.
        out.outcome = kBroken;
        continue;
      }
      out.outcome = r.outcome == "won" ? kWon : r.outcome == "lost" ? kLost : r.restFrame >= 0 ? kAtRest : kUnfinished;
      out.taps = r.taps;
      out.timeMs = r.timeMs;
      out.score = r.score;
      out.medal = r.medal;
      out.endFrame = r.frames - (r.playFrame >= 0 ? r.playFrame : 0);
      out.played = std::min<int>(kMaxTaps, static_cast<int>(r.played.size()));
      for (int t = 0; t < out.played; ++t) {
        out.tapFrame[t] = r.played[static_cast<std::size_t>(t)].frame;
        out.tapX[t] = r.played[static_cast<std::size_t>(t)].x;
        out.tapY[t] = r.played[static_cast<std::size_t>(t)].y;
      }
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return status;
}

// Plays the jobs on every core; false when a worker failed.
bool runRound(const Options& options, Shared& shared, bool quietFirst) {
  const int workers = std::max(1, std::min(options.jobs, shared.round->jobCount));
  std::vector<pid_t> pids;
  std::fflush(nullptr);
  for (int w = 0; w < workers; ++w) {
    const pid_t pid = fork();
    if (pid < 0) {
      std::perror("level_solve: fork");
      break;
    }
    if (pid == 0) {
      // A worker ends with the search that started it.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() == 1) _exit(1);
      _exit(work(options, shared, quietFirst || w > 0));
    }
    pids.push_back(pid);
  }
  bool ok = !pids.empty();
  for (pid_t pid : pids) {
    int status = 0;
    if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) ok = false;
  }
  return ok;
}

bool number(const char* text, long low, long high, long* value) {
  char* end = nullptr;
  *value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && *value >= low && *value <= high;
}

const char* outcomeName(int outcome) {
  switch (outcome) {
    case kWon: return "won";
    case kLost: return "lost";
    case kAtRest: return "at rest, unfinished";
    case kUnfinished: return "still moving";
    default: return "broken";
  }
}

struct Found {
  Job job;
  JobResult result;
};

// The things to tap at step s (frame at of play) of a run: as it listed
// them while it lasted; after a still end, as they were when it stopped.
int thingsAt(const JobResult& r, int s, int at) {
  if (at < r.endFrame) return r.counts[s];
  return r.outcome == kAtRest ? r.endCount : 0;
}

// Frames of a tap at that many milliseconds into the play.
int frameAt(int ms) { return (ms + levelplay::kFrameMs - 1) / levelplay::kFrameMs; }

void printScript(const JobResult& r) {
  for (int t = 0; t < r.played; ++t) std::printf("%d %d %d\n", r.tapFrame[t], r.tapX[t], r.tapY[t]);
}

// The sequence's taps, readable: "at 1.5 s thing 2".
std::string describe(const Job& job, int stepMs) {
  std::string text;
  for (int t = 0; t < job.count; ++t) {
    char part[64];
    std::snprintf(part, sizeof part, "%sat %.1f s thing %d", t > 0 ? ", " : "", job.step[t] * stepMs / 1000.0,
                  job.aim[t] + 1);
    text += part;
  }
  return text;
}

int solve(const Options& options) {
  const int steps = std::min(kMaxSteps, options.horizonMs / options.stepMs + 1);
  // Round 0: no input, to learn where play starts and what can be tapped.
  Shared base = mapRound(1);
  base.round->next = 0;
  base.round->jobCount = 1;
  base.round->playFrame = -1;
  base.round->stepCount = steps;
  for (int s = 0; s < steps; ++s) base.round->stepFrame[s] = frameAt(s * options.stepMs);
  if (!runRound(options, base, false) || base.results[0].outcome == kBroken) {
    std::fprintf(stderr, "level_solve: level %d cannot be played\n", options.level);
    unmapRound(base);
    return 1;
  }
  const JobResult idle = base.results[0];
  std::printf("level %d: play starts at frame %d; %d things to tap then; no input: %s after %d ms\n",
              options.level, idle.playFrame, idle.counts[0], outcomeName(idle.outcome), idle.timeMs);
  std::printf("steps of %d ms over the first %d ms of play, up to %d taps\n", options.stepMs,
              (steps - 1) * options.stepMs, options.taps);

  std::vector<Found> parents{{Job(), idle}};
  std::vector<Found> wins;
  long tried = 0;
  long won = 0;
  for (int depth = 1; depth <= options.taps && depth <= kMaxTaps; ++depth) {
    std::vector<Job> jobs;
    for (const Found& parent : parents) {
      const JobResult& r = parent.result;
      const int first = parent.job.count > 0 ? parent.job.step[parent.job.count - 1] + 1 : 0;
      for (int s = first; s < steps; ++s) {
        const int at = base.round->stepFrame[s];
        const int things = thingsAt(r, s, at);
        for (int a = 0; a < things; ++a) {
          Job job = parent.job;
          job.frame[job.count] = at;
          job.aim[job.count] = a;
          job.step[job.count] = s;
          ++job.count;
          jobs.push_back(job);
        }
      }
    }
    if (jobs.empty()) break;
    Shared round = mapRound(jobs.size());
    round.round->next = 0;
    round.round->jobCount = static_cast<int>(jobs.size());
    round.round->playFrame = idle.playFrame;
    round.round->stepCount = steps;
    std::copy(base.round->stepFrame, base.round->stepFrame + steps, round.round->stepFrame);
    std::copy(jobs.begin(), jobs.end(), round.jobs);
    if (!runRound(options, round, true)) {
      std::fprintf(stderr, "level_solve: a worker failed\n");
      unmapRound(round);
      unmapRound(base);
      return 1;
    }
    std::vector<Found> next;
    long roundWins = 0;
    long broken = 0;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      const JobResult& r = round.results[i];
      if (r.outcome == kBroken) {
        ++broken;
        continue;
      }
      if (r.outcome == kWon) {
        ++roundWins;
        wins.push_back({jobs[i], r});
      }
      if (r.outcome == kAtRest || r.outcome == kUnfinished) next.push_back({jobs[i], r});
      // A won or lost run is over: no later tap can change it.
    }
    unmapRound(round);
    if (broken > 0) {
      std::fprintf(stderr, "level_solve: %ld runs did not start as the first one did\n", broken);
      unmapRound(base);
      return 1;
    }
    tried += static_cast<long>(jobs.size());
    won += roundWins;
    std::printf("%d tap%s: %zu sequences tried, %ld win (%.1f%%)\n", depth, depth == 1 ? "" : "s", jobs.size(),
                roundWins, jobs.empty() ? 0.0 : 100.0 * static_cast<double>(roundWins) / static_cast<double>(jobs.size()));
    parents.swap(next);
  }
  std::printf("share of sequences that win: %ld of %ld (%.1f%%)\n", won, tried,
              tried > 0 ? 100.0 * static_cast<double>(won) / static_cast<double>(tried) : 0.0);
  std::stable_sort(wins.begin(), wins.end(), [](const Found& a, const Found& b) {
    if (a.result.timeMs != b.result.timeMs) return a.result.timeMs < b.result.timeMs;
    return a.result.taps < b.result.taps;
  });
  const std::size_t shown = std::min<std::size_t>(wins.size(), static_cast<std::size_t>(options.show));
  std::printf("wins, fastest first (%zu of %zu shown):\n", shown, wins.size());
  for (std::size_t i = 0; i < shown; ++i) {
    const JobResult& r = wins[i].result;
    std::printf("# win %zu: %d tap%s counted, %d ms, score %d, medal %d (%s)\n", i + 1, r.taps, r.taps == 1 ? "" : "s",
                r.timeMs, r.score, r.medal, describe(wins[i].job, options.stepMs).c_str());
    printScript(r);
  }
  unmapRound(base);
  return 0;
}

// The first taps after which everything comes to rest, the level neither
// won nor lost, and no single further tap wins.
int deadEnds(const Options& options) {
  Shared base = mapRound(1);
  base.round->next = 0;
  base.round->jobCount = 1;
  base.round->playFrame = -1;
  base.round->stepCount = kDeadEndSeconds;
  for (int s = 0; s < kDeadEndSeconds; ++s) base.round->stepFrame[s] = frameAt(s * 1000);
  if (!runRound(options, base, false) || base.results[0].outcome == kBroken) {
    std::fprintf(stderr, "level_solve: level %d cannot be played\n", options.level);
    unmapRound(base);
    return 1;
  }
  const JobResult idle = base.results[0];
  std::vector<Job> firsts;
  for (int s = 0; s < kDeadEndSeconds; ++s) {
    const int things = thingsAt(idle, s, base.round->stepFrame[s]);
    for (int a = 0; a < things; ++a) {
      Job job;
      job.count = 1;
      job.frame[0] = base.round->stepFrame[s];
      job.aim[0] = a;
      job.step[0] = s;
      firsts.push_back(job);
    }
  }
  std::printf("level %d: dead ends after one tap at each second of the first %d s of play (%zu first taps)\n",
              options.level, kDeadEndSeconds, firsts.size());
  if (firsts.empty()) {
    unmapRound(base);
    return 0;
  }
  Shared first = mapRound(firsts.size());
  first.round->next = 0;
  first.round->jobCount = static_cast<int>(firsts.size());
  first.round->playFrame = idle.playFrame;
  first.round->stepCount = 0;
  std::copy(firsts.begin(), firsts.end(), first.jobs);
  if (!runRound(options, first, true)) {
    unmapRound(first);
    unmapRound(base);
    return 1;
  }
  // Every still end gets every single further tap, where it stopped.
  std::vector<Job> follow;
  std::vector<std::size_t> owner;
  std::vector<std::size_t> still;
  int moving = 0;
  for (std::size_t i = 0; i < firsts.size(); ++i) {
    const JobResult& r = first.results[i];
    if (r.outcome == kBroken) {
      std::fprintf(stderr, "level_solve: a run did not start as the first one did\n");
      unmapRound(first);
      unmapRound(base);
      return 1;
    }
    if (r.outcome == kUnfinished) ++moving;
    if (r.outcome != kAtRest) continue;
    still.push_back(i);
    for (int a = 0; a < r.endCount; ++a) {
      Job job = firsts[i];
      job.frame[1] = r.endFrame;
      job.aim[1] = a;
      job.step[1] = -1;
      job.count = 2;
      follow.push_back(job);
      owner.push_back(i);
    }
  }
  std::vector<bool> rescued(firsts.size(), false);
  if (!follow.empty()) {
    Shared second = mapRound(follow.size());
    second.round->next = 0;
    second.round->jobCount = static_cast<int>(follow.size());
    second.round->playFrame = idle.playFrame;
    second.round->stepCount = 0;
    std::copy(follow.begin(), follow.end(), second.jobs);
    const bool ok = runRound(options, second, true);
    for (std::size_t j = 0; ok && j < follow.size(); ++j) {
      if (second.results[j].outcome == kWon) rescued[owner[j]] = true;
    }
    unmapRound(second);
    if (!ok) {
      unmapRound(first);
      unmapRound(base);
      return 1;
    }
  }
  int count = 0;
  for (std::size_t i : still) {
    if (rescued[i]) continue;
    const JobResult& r = first.results[i];
    ++count;
    std::printf("dead end %d: at %d s thing %d of %d: tap %d %d at frame %d; at rest from %d ms of play, "
                "%d thing%s left to tap, none wins\n",
                count, firsts[i].step[0], firsts[i].aim[0] + 1,
                thingsAt(idle, firsts[i].step[0], base.round->stepFrame[firsts[i].step[0]]), r.tapX[0], r.tapY[0],
                r.tapFrame[0], r.timeMs - levelplay::kRestFrames * levelplay::kFrameMs, r.endCount,
                r.endCount == 1 ? "" : "s");
  }
  std::printf("dead ends: %d of %zu first taps (%zu come to rest unfinished, %d still moving after %d s)\n", count,
              firsts.size(), still.size(), moving, options.limitMs / 1000);
  unmapRound(first);
  unmapRound(base);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* usage =
      "usage: level_solve DATA_DIR LEVEL [--taps K] [--step MS] [--horizon MS] [--limit MS] [--show N] "
      "[--jobs N] [--dead-ends]\n";
  Options options;
  std::vector<const char*> plain;
  for (int i = 1; i < argc; ++i) {
    long value = 0;
    const std::string arg = argv[i];
    auto numeric = [&](long low, long high) {
      if (i + 1 >= argc || !number(argv[i + 1], low, high, &value)) {
        std::fprintf(stderr, "level_solve: %s needs a number from %ld to %ld\n%s", arg.c_str(), low, high, usage);
        std::exit(1);
      }
      ++i;
      return static_cast<int>(value);
    };
    if (arg == "--taps") {
      options.taps = numeric(1, kMaxTaps);
    } else if (arg == "--step") {
      options.stepMs = numeric(levelplay::kFrameMs, 60000);
    } else if (arg == "--horizon") {
      options.horizonMs = numeric(0, 600000);
    } else if (arg == "--limit") {
      options.limitMs = numeric(1000, 600000);
    } else if (arg == "--show") {
      options.show = numeric(0, 1000000);
    } else if (arg == "--jobs") {
      options.jobs = numeric(1, 256);
    } else if (arg == "--dead-ends") {
      options.deadEnds = true;
    } else if (arg.rfind("--", 0) == 0) {
      std::fprintf(stderr, "level_solve: bad option \"%s\"\n%s", arg.c_str(), usage);
      return 1;
    } else {
      plain.push_back(argv[i]);
    }
  }
  long level = 0;
  if (plain.size() != 2 || !number(plain[1], -1000000, 1000000, &level)) {
    std::fprintf(stderr, "%s", usage);
    return 1;
  }
  options.data = plain[0];
  options.level = static_cast<int>(level);
  if (options.jobs <= 0) options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::error_code ec;
  std::filesystem::current_path(options.data, ec);
  if (ec) {
    std::fprintf(stderr, "level_solve: cannot enter %s\n", options.data.c_str());
    return 1;
  }
  setenv("ALSOFT_DRIVERS", "null", 1);
  return options.deadEnds ? deadEnds(options) : solve(options);
}
