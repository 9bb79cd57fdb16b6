// Files that are not sounds, or not files at all, given to every reader of
// sounds: the game's decoding, the decoders over a file source, and the
// sound_report tool. Each refuses at once, saying why: no hang on a FIFO, no
// endless read of /dev/zero, nothing sized by a sparse 4 GB file.
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "SoundFixtures.h"
#include "sound/SoundDecoding.h"
#include "sound/aural/AudioDecoder.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

using testing::HasSubstr;
using testing::StartsWith;

namespace {

// What the game says of each hostile file, by its stem.
std::string reasonFor(const std::string& path) {
  if (path.find("/sparse.") != std::string::npos) return "the file holds 4096.0 MB, more than the 64.0 MB one sound may take";
  if (path.find("/empty.") != std::string::npos) return "the file is empty";
  return "not a regular file";
}

std::string verbFor(const std::string& path) {
  return path.find("/empty.") != std::string::npos ? "error decoding file " : "error loading file ";
}

// A WAV of 3 bits per sample, and one whose chunk sizes would wrap a 32-bit
// position back to the start.
std::vector<std::string> makeOddWavs(const std::string& dir) {
  std::vector<std::uint8_t> threeBits = qmtest::sineWav(0.1, 22050, 1, 16);
  threeBits[34] = 3;
  std::vector<std::uint8_t> wrapping = {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0x7F, 'W', 'A', 'V', 'E'};
  for (int i = 0; i < 6; ++i) {
    const std::uint8_t chunk[8] = {'j', 'u', 'n', 'k', 0xF0, 0xFF, 0xFF, 0xFF};
    wrapping.insert(wrapping.end(), chunk, chunk + 8);
  }
  soundwriter::writeFile(dir + "/three_bits.wav", threeBits);
  soundwriter::writeFile(dir + "/wrapping.wav", wrapping);
  return {dir + "/three_bits.wav", dir + "/wrapping.wav"};
}

}  // namespace

TEST(HostileSounds, TheGamesDecodingRefusesEachAtOnceWithItsReason) {
  qmtest::TempDir dir;
  for (const char* ext : {"wav", "ogg"}) {
    for (const std::string& path : qmtest::makeHostileSounds(dir.str(), ext)) {
      soundfile::DecodedSound out;
      EXPECT_FALSE(soundfile::decodeSound(path, out)) << path;
      EXPECT_TRUE(out.pcm.empty());
      EXPECT_EQ(out.error, verbFor(path) + path + ": " + reasonFor(path));
    }
  }
  const std::vector<std::string> odd = makeOddWavs(dir.str());
  const char* why[] = {"3 bits per sample (8 or 16 only)", "no format chunk"};
  for (std::size_t i = 0; i < odd.size(); ++i) {
    soundfile::DecodedSound out;
    EXPECT_FALSE(soundfile::decodeSound(odd[i], out));
    EXPECT_EQ(out.error, "error decoding file " + odd[i] + ": " + why[i]);
  }
}

TEST(HostileSounds, DecodersOverAFileSourceGetNothingToRead) {
  qmtest::TempDir dir;
  for (const char* ext : {"wav", "ogg"}) {
    for (const std::string& path : qmtest::makeHostileSounds(dir.str(), ext)) {
      auto* source = new cAural::cFileSource(path.c_str());
      const bool empty = path.find("/empty.") != std::string::npos;
      EXPECT_EQ(source->isValid(), empty) << path;  // an empty file opens, and holds nothing
      EXPECT_EQ(source->getSize(), 0);
      auto* wav = new cAural::cWavDecoder(source);
      auto* ogg = new cAural::cOggDecoder(source);
      EXPECT_FALSE(wav->isValid());
      EXPECT_FALSE(ogg->isValid());
      EXPECT_STRNE(wav->getProblem(), "");
      EXPECT_STRNE(ogg->getProblem(), "");
      wav->release();
      ogg->release();
      source->release();
    }
  }
}

// The tool reads what designers make, through the same checks: each file gets
// its line and the tool goes on to the next, ending with status 1.
TEST(HostileSounds, SoundReportSaysWhyOfEachAndEnds) {
  qmtest::TempDir dir;
  std::vector<std::string> args = {QM_SOUND_REPORT};
  for (const char* ext : {"wav", "ogg"})
    for (const std::string& path : qmtest::makeHostileSounds(dir.str(), ext)) args.push_back(path);
  for (const std::string& path : makeOddWavs(dir.str())) args.push_back(path);
  const std::string good = dir.str() + "/good.wav";
  ASSERT_TRUE(soundwriter::writeFile(good, qmtest::sineWav(0.2, 22050, 1, 16)));
  args.push_back(good);

  const qmtest::ProgramRun run = qmtest::runProgram(args);
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.status, 1);
  EXPECT_LT(run.peakKilobytes, 500 * 1024);
  for (std::size_t i = 1; i + 1 < args.size(); ++i) {
    const std::string& path = args[i];
    const std::string line = path + ": cannot read: ";
    EXPECT_THAT(run.output, HasSubstr(line)) << path;
    if (path.find("/three_bits.") != std::string::npos) {
      EXPECT_THAT(run.output, HasSubstr(line + "error decoding file " + path + ": 3 bits per sample"));
    } else if (path.find("/wrapping.") == std::string::npos) {
      EXPECT_THAT(run.output, HasSubstr(line + verbFor(path) + path + ": " + reasonFor(path) + "\n"));
    }
  }
  EXPECT_THAT(run.output, HasSubstr(good + ": 16-bit mono 22050 Hz, 0.200 s"));
}
