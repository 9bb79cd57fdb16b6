// level_solve DATA_DIR LEVEL [--taps K] [--step MS] [--horizon MS] [--limit MS]
//             [--show N] [--jobs N] [--every-step] [--dead-ends [--within N]]:
// plays a level headless through the game's own level screen and rules,
// trying every sequence of up to K taps (default 2; every tap made, the free
// ones on black animals too, so a solution with free taps needs K above its
// counted taps) on the things the game
// lists as tappable, each tap at a step of the play (every MS ms, default
// 500, over the first --horizon ms of play, default 10000; a later tap at a
// later step, before the play of the taps before it ended: a tap can still
// head off a loss to come). A run ends when the level is won or lost, when
// everything is still after the last tap, or --limit ms after it (default
// 30000). It prints the wins found, fastest first, as scripts that
// level_play reads, and the share of the sequences tried that win.
// --dead-ends lists the single first taps (each tappable at each second of
// the first 10 s of play) after which everything comes to rest with the
// level neither won nor lost and no sequence of further taps, up to the
// solution's taps in all (--within N; at least 2), wins: the first further
// tap where it came to rest, each later one at a step while things move or
// where they came to rest again.
// A tap that comes while everything is still, not even creeping (the bare
// level's first tap too, once it has settled so), is played at the first
// such step only and counts for every later one: the same taps at any
// moment of a frozen level end alike, only later. A board that merely rests
// within a point is not frozen: a tap on it can end otherwise a second
// later. --every-step plays every step (to check that).
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
#include "tools/scratch_folder.h"

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
  int stillTaps = 0;  // taps that came while everything was still
  long weight = 1;  // the sequences it stands for (the same taps later on a still level)
};

enum Outcome : int { kUnfinished = 0, kWon = 1, kLost = 2, kAtRest = 3, kBroken = 4 };

struct JobResult {
  int outcome = kBroken;
  int taps = 0;
  int timeMs = 0;
  int score = 0;
  int medal = 0;
  int endFrame = 0;  // from the start of play
  int restFrame = -1;  // from the start of play: still from there on, after the last tap
  bool frozen = false;  // and not even creeping
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
  bool prune = true;  // --every-step: play every tap on a still level too
  int within = 0;  // dead ends: taps in all; 0: the solution's
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
  // Removed below; made as the tools' working folders are, so a worker
  // stopped by a signal leaves nothing behind either.
  const std::string folder = scratch::makeFolder("level_solve");
  if (folder.empty()) return 1;
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
      play.endWhenDecided = true;
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
      out.restFrame = r.restFrame >= 0 ? r.restFrame - (r.playFrame >= 0 ? r.playFrame : 0) : -1;
      out.frozen = r.frozen;
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

// The step grid of a search: frames of play at every stepMs, up to kMaxSteps.
std::vector<int> grid(int stepMs, int count) {
  std::vector<int> frames;
  for (int s = 0; s < std::min(count, kMaxSteps); ++s) frames.push_back(frameAt(s * stepMs));
  return frames;
}

// Plays the jobs on every core, each recording what could be tapped at the
// grid's frames; false (after a message) when a worker failed or a run did
// not start as the first one did.
bool playJobs(const Options& options, const std::vector<int>& steps, int playFrame, const std::vector<Job>& jobs,
              std::vector<JobResult>& results, bool quiet) {
  results.clear();
  if (jobs.empty()) return true;
  Shared round = mapRound(jobs.size());
  round.round->next = 0;
  round.round->jobCount = static_cast<int>(jobs.size());
  round.round->playFrame = playFrame;
  round.round->stepCount = static_cast<int>(steps.size());
  std::copy(steps.begin(), steps.end(), round.round->stepFrame);
  std::copy(jobs.begin(), jobs.end(), round.jobs);
  const bool ok = runRound(options, round, quiet);
  results.assign(round.results, round.results + jobs.size());
  unmapRound(round);
  if (!ok) {
    std::fprintf(stderr, playFrame < 0 ? "level_solve: level %d cannot be played\n" : "level_solve: a worker failed\n",
                 options.level);
    return false;
  }
  for (const JobResult& r : results) {
    if (r.outcome == kBroken) {
      std::fprintf(stderr, "level_solve: a run did not start as the first one did\n");
      return false;
    }
  }
  return true;
}

// Sequences that differ only in when their taps came while everything was
// still: with c taps on a still level and m steps left after the last tap,
// the c delays (each 0 or more, each moving every later tap too) that keep
// the last tap within the steps number C(m + c, c).
long stillFamily(int c, int m) {
  long count = 1;
  for (int i = 1; i <= c; ++i) count = count * (m + i) / i;
  return count;
}

// The sequences one tap longer than the parent's, a tap at each step from
// the one after its last tap up to lastStep (inclusive), on each thing
// listed then. Where the level is still at a step (the bare level too,
// before the first tap), that step's taps stand for those at every later
// step up to lastStep.
void extend(const Found& parent, const std::vector<int>& steps, int lastStep, bool prune, std::vector<Job>& out) {
  const JobResult& r = parent.result;
  const int first = parent.job.count > 0 ? parent.job.step[parent.job.count - 1] + 1 : 0;
  for (int s = first; s <= lastStep && s < static_cast<int>(steps.size()); ++s) {
    const int at = steps[static_cast<std::size_t>(s)];
    const bool still = prune && r.frozen && r.restFrame >= 0 && at >= r.restFrame;
    const int stillTaps = parent.job.stillTaps + (still ? 1 : 0);
    const long weight = stillFamily(stillTaps, lastStep - s);
    const int things = thingsAt(r, s, at);
    for (int a = 0; a < things; ++a) {
      Job job = parent.job;
      job.frame[job.count] = at;
      job.aim[job.count] = a;
      job.step[job.count] = s;
      job.stillTaps = stillTaps;
      job.weight = weight;
      ++job.count;
      out.push_back(job);
    }
    if (still) break;
  }
}

int solve(const Options& options) {
  const int stepCount = std::min(kMaxSteps, options.horizonMs / options.stepMs + 1);
  const std::vector<int> steps = grid(options.stepMs, stepCount);
  // No input first, to learn where play starts and what can be tapped.
  std::vector<JobResult> results;
  if (!playJobs(options, steps, -1, {Job()}, results, false)) return 1;
  const JobResult idle = results[0];
  std::printf("level %d: play starts at frame %d; %d things to tap then; no input: %s after %d ms\n",
              options.level, idle.playFrame, idle.counts[0], outcomeName(idle.outcome), idle.timeMs);
  std::printf("steps of %d ms over the first %d ms of play, up to %d taps\n", options.stepMs,
              (stepCount - 1) * options.stepMs, options.taps);

  std::vector<Found> parents{{Job(), idle}};
  std::vector<Found> wins;
  long tried = 0;
  long won = 0;
  for (int depth = 1; depth <= options.taps && depth <= kMaxTaps; ++depth) {
    std::vector<Job> jobs;
    for (const Found& parent : parents) extend(parent, steps, stepCount - 1, options.prune, jobs);
    if (jobs.empty()) break;
    if (!playJobs(options, steps, idle.playFrame, jobs, results, true)) return 1;
    std::vector<Found> next;
    long roundTried = 0;
    long roundWins = 0;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      const JobResult& r = results[i];
      roundTried += jobs[i].weight;
      if (r.outcome == kWon) {
        roundWins += jobs[i].weight;
        wins.push_back({jobs[i], r});
      }
      // Every run gets later taps, up to where it ended: a tap before a
      // slow loss (or win) can still change it.
      next.push_back({jobs[i], r});
    }
    tried += roundTried;
    won += roundWins;
    std::printf("%d tap%s: %ld sequences tried (%zu played), %ld win (%.1f%%)\n", depth, depth == 1 ? "" : "s",
                roundTried, jobs.size(), roundWins,
                100.0 * static_cast<double>(roundWins) / static_cast<double>(roundTried));
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
  return 0;
}

// The taps of the level's solution (DATA/levels/solutions/<N>.txt), 0 when
// it has none.
int solutionTaps(int level) {
  // Read through the data files' checks: a folder, a FIFO or a huge file
  // there is no solution.
  std::vector<levelplay::Tap> taps;
  std::string why;
  if (!levelplay::readScript("levels/solutions/" + std::to_string(level) + ".txt", taps, nullptr, why)) return 0;
  return static_cast<int>(taps.size());
}

// Dead ends: see the top of the file.
int deadEnds(const Options& options) {
  const int within = std::min(kMaxTaps, std::max(2, options.within > 0 ? options.within : solutionTaps(options.level)));
  // Later taps come at steps of 500 ms while things move after the first
  // tap (at most 10 s in) and its 30 s.
  const int stepMs = 1000 / 2;
  const int stepCount = std::min(kMaxSteps, (kDeadEndSeconds * 1000 + options.limitMs) / stepMs + 1);
  const std::vector<int> steps = grid(stepMs, stepCount);
  std::vector<JobResult> results;
  if (!playJobs(options, steps, -1, {Job()}, results, false)) return 1;
  const JobResult idle = results[0];
  // Every first tap listed; once the bare level is frozen, a tap ends as
  // the same tap at the first frozen second does, only later, so only that
  // one is played (unless --every-step).
  struct Listed {
    int second = 0;
    int aim = 0;
    std::size_t played = 0;
    int shift = 0;  // frames after the tap played
  };
  std::vector<Listed> listed;
  std::vector<Job> firsts;
  int stillSecond = -1;
  std::size_t stillFrom = 0;
  int stillThings = 0;
  for (int second = 0; second < kDeadEndSeconds; ++second) {
    const int s = second * 1000 / stepMs;
    const int at = steps[static_cast<std::size_t>(s)];
    const int things = thingsAt(idle, s, at);
    const bool settled = options.prune && idle.frozen && idle.restFrame >= 0 && at >= idle.restFrame;
    if (settled && stillSecond >= 0 && things == stillThings) {
      const int shift = at - steps[static_cast<std::size_t>(stillSecond * 1000 / stepMs)];
      for (int a = 0; a < things; ++a) listed.push_back({second, a, stillFrom + static_cast<std::size_t>(a), shift});
      continue;
    }
    if (settled) {
      stillSecond = second;
      stillFrom = firsts.size();
      stillThings = things;
    }
    for (int a = 0; a < things; ++a) {
      Job job;
      job.count = 1;
      job.frame[0] = at;
      job.aim[0] = a;
      job.step[0] = s;
      listed.push_back({second, a, firsts.size(), 0});
      firsts.push_back(job);
    }
  }
  std::printf("level %d: dead ends after one tap at each second of the first %d s of play (%zu first taps, "
              "%zu played), none of up to %d taps in all winning\n",
              options.level, kDeadEndSeconds, listed.size(), firsts.size(), within);
  std::vector<JobResult> first;
  if (!playJobs(options, steps, idle.playFrame, firsts, first, true)) return 1;
  // Every still end gets every sequence of further taps: the first where it
  // came to rest, each later one at a step up to where things rest again.
  std::vector<Found> parents;
  std::vector<std::size_t> owner;
  for (std::size_t i = 0; i < firsts.size(); ++i) {
    if (first[i].outcome != kAtRest) continue;
    Job job = firsts[i];
    // Its further taps start where it rests.
    const auto rest = std::lower_bound(steps.begin(), steps.end(), first[i].restFrame);
    if (rest == steps.end()) continue;
    job.step[0] = static_cast<int>(rest - steps.begin()) - 1;
    parents.push_back({job, first[i]});
    owner.push_back(i);
  }
  std::vector<bool> rescued(firsts.size(), false);
  for (int depth = 2; depth <= within && !parents.empty(); ++depth) {
    std::vector<Job> jobs;
    std::vector<std::size_t> jobOwner;
    for (std::size_t p = 0; p < parents.size(); ++p) {
      if (rescued[owner[p]]) continue;
      extend(parents[p], steps, stepCount - 1, options.prune, jobs);
      jobOwner.resize(jobs.size(), owner[p]);
    }
    if (!playJobs(options, steps, idle.playFrame, jobs, results, true)) return 1;
    std::vector<Found> next;
    std::vector<std::size_t> nextOwner;
    for (std::size_t j = 0; j < jobs.size(); ++j) {
      if (results[j].outcome == kWon) rescued[jobOwner[j]] = true;
      // A loss still to come can be headed off by a tap before it.
      if (results[j].outcome != kWon) {
        next.push_back({jobs[j], results[j]});
        nextOwner.push_back(jobOwner[j]);
      }
    }
    parents.swap(next);
    owner.swap(nextOwner);
  }
  int count = 0;
  int atRest = 0;
  int moving = 0;
  for (const Listed& l : listed) {
    const JobResult& r = first[l.played];
    if (r.outcome == kUnfinished) ++moving;
    if (r.outcome != kAtRest) continue;
    ++atRest;
    if (rescued[l.played]) continue;
    ++count;
    const int s = l.second * 1000 / stepMs;
    std::printf("dead end %d: at %d s thing %d of %d: tap %d %d at frame %d; at rest from %d ms of play, "
                "%d thing%s left to tap, none wins\n",
                count, l.second, l.aim + 1, thingsAt(idle, s, steps[static_cast<std::size_t>(s)]), r.tapX[0], r.tapY[0],
                r.tapFrame[0] + l.shift, (r.restFrame + l.shift) * levelplay::kFrameMs, r.endCount,
                r.endCount == 1 ? "" : "s");
  }
  std::printf("dead ends: %d of %zu first taps (%d come to rest unfinished, %d still moving after %d s)\n", count,
              listed.size(), atRest, moving, options.limitMs / 1000);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* usage =
      "usage: level_solve DATA_DIR LEVEL [--taps K] [--step MS] [--horizon MS] [--limit MS] [--show N] "
      "[--jobs N] [--every-step] [--dead-ends [--within N]]\n";
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
    } else if (arg == "--within") {
      options.within = numeric(2, kMaxTaps);
    } else if (arg == "--every-step") {
      options.prune = false;
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
  // Every run saves the player's progress, synced to disk: a search of
  // thousands of runs keeps its throwaway saves in memory where it can.
  if (std::getenv("TMPDIR") == nullptr && access("/dev/shm", W_OK | X_OK) == 0) setenv("TMPDIR", "/dev/shm", 1);
  return options.deadEnds ? deadEnds(options) : solve(options);
}
