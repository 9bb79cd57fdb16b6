// The cap on a decoded sound, lowered for the test so that no test allocates
// hundreds of megabytes: past it a sound is refused with the engine's message,
// and no block larger than the cap (and one read) is ever made, whatever the
// file's header claims.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include <gmock/gmock.h>

#include "SoundFixtures.h"
#include "sound/SoundDecoding.h"
#include "sound/aural/AudioDecoder.h"
#include "sound/aural/DataSource.h"
#include "support/TempDir.h"

using testing::HasSubstr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// The largest single request to operator new while watched. The replacement
// pair is malloc and free, which the compiler takes for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<bool> g_watching{false};
std::atomic<std::size_t> g_largest{0};
}  // namespace

void* operator new(std::size_t size) {
  if (g_watching.load(std::memory_order_relaxed)) {
    std::size_t seen = g_largest.load();
    while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
    }
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr std::size_t kChunk = 64 * 1024;  // one decoder read

struct Outcome {
  std::size_t bytes = 0;
  std::size_t largest = 0;
  std::string printed;
};

Outcome decode(const std::string& path, std::size_t cap) {
  soundfile::DecodedSound out;
  CaptureStdout();
  g_largest = 0;
  g_watching = true;
  soundfile::decodeFile(path, out, cap);
  g_watching = false;
  return {out.pcm.size(), g_largest.load(), GetCapturedStdout()};
}

// CRC of an Ogg page (polynomial 0x04c11db7, unreflected, no final xor).
std::uint32_t oggCrc(const std::uint8_t* p, std::size_t n) {
  std::uint32_t crc = 0;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= static_cast<std::uint32_t>(p[i]) << 24;
    for (int b = 0; b < 8; ++b) crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04c11db7u : crc << 1;
  }
  return crc;
}

// Makes the last page claim granule frames, its checksum mended: the stream's
// length then reads as that many frames.
void fakeLength(std::vector<std::uint8_t>& ogg, std::int64_t granule) {
  std::size_t at = ogg.size() - 4;
  while (at > 0 && std::memcmp(&ogg[at], "OggS", 4) != 0) --at;
  ASSERT_GT(at, 0u);
  for (int i = 0; i < 8; ++i) ogg[at + 6 + i] = static_cast<std::uint8_t>(granule >> (8 * i));
  for (int i = 0; i < 4; ++i) ogg[at + 22 + i] = 0;
  const std::uint32_t crc = oggCrc(&ogg[at], ogg.size() - at);
  for (int i = 0; i < 4; ++i) ogg[at + 22 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
}

std::string refusedFor(const std::string& path) {
  return "AudioEngine ERROR : error decoding file " + path + ": it decodes to ";
}

}  // namespace

TEST(DecodedCap, WavUpToTheCapLoadsAndOneFrameMoreIsRefusedUnread) {
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/tone.wav";
  ASSERT_TRUE(soundwriter::writeFile(path, qmtest::sineWav(1.0, 22050, 1, 16)));
  const std::size_t bytes = 2 * 22050;
  const Outcome fits = decode(path, bytes);
  EXPECT_EQ(fits.bytes, bytes);
  EXPECT_EQ(fits.printed, "");

  const Outcome over = decode(path, bytes - 2);
  EXPECT_EQ(over.bytes, 0u);
  EXPECT_EQ(over.printed, refusedFor(path) + "43.1 KB, more than the 43.1 KB one sound may take\n");
  EXPECT_LT(over.largest, bytes - 2);  // refused before the block is made
}

TEST(DecodedCap, OggPastTheCapIsRefusedWithoutOutgrowingIt) {
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/long.ogg";
  ASSERT_TRUE(soundwriter::writeFile(path, qmtest::sineOgg(12.0, 22050, 1)));
  const Outcome whole = decode(path, soundfile::kMaxDecodedBytes);
  ASSERT_EQ(whole.bytes, 2u * 22050 * 12);
  EXPECT_EQ(decode(path, whole.bytes).bytes, whole.bytes);  // exactly the cap

  // Its length says it does not fit: refused before anything is decoded.
  for (std::size_t cap : {whole.bytes - 2, std::size_t(100000)}) {
    const Outcome over = decode(path, cap);
    EXPECT_EQ(over.bytes, 0u);
    EXPECT_THAT(over.printed, HasSubstr(refusedFor(path) + "516.8 KB, more than the "));
    EXPECT_LT(over.largest, kChunk) << cap;
  }

  // The same stream claiming a fifth of a second: the block grows as it
  // decodes, and stops growing at the cap.
  std::vector<std::uint8_t> shortClaim = qmtest::sineOgg(12.0, 22050, 1);
  fakeLength(shortClaim, 4410);
  const std::string claimPath = dir.str() + "/claims-less.ogg";
  ASSERT_TRUE(soundwriter::writeFile(claimPath, shortClaim));
  const std::size_t all = decode(claimPath, soundfile::kMaxDecodedBytes).bytes;
  ASSERT_GT(all, 400000u);
  for (std::size_t cap : {all - 2, std::size_t(100000), std::size_t(300000)}) {
    const Outcome over = decode(claimPath, cap);
    EXPECT_EQ(over.bytes, 0u) << cap;
    EXPECT_THAT(over.printed, HasSubstr(refusedFor(claimPath) + "more than ")) << cap;
    EXPECT_THAT(over.printed, HasSubstr("one sound may take\n")) << cap;
    EXPECT_LE(over.largest, cap + kChunk) << cap;
  }
}

// A long piece of music (13 minutes of 44.1 kHz stereo, here a short stream
// whose last page says so) is refused at once, for its length.
TEST(DecodedCap, OggTooLongIsRefusedBeforeDecoding) {
  qmtest::TempDir dir;
  std::vector<std::uint8_t> ogg = qmtest::sineOgg(2.0, 44100, 2);
  fakeLength(ogg, std::int64_t(13) * 60 * 44100);
  const std::string path = dir.str() + "/long_music.ogg";
  ASSERT_TRUE(soundwriter::writeFile(path, ogg));
  const Outcome refused = decode(path, soundfile::kMaxDecodedBytes);
  EXPECT_EQ(refused.bytes, 0u);
  EXPECT_EQ(refused.printed, refusedFor(path) + "131.2 MB, more than the 64.0 MB one sound may take\n");
  EXPECT_LT(refused.largest, kChunk);

  // Hours claimed by a damaged page: refused the same way, not believed into a block.
  fakeLength(ogg, std::int64_t(1) << 30);
  ASSERT_TRUE(soundwriter::writeFile(path, ogg));
  const Outcome hours = decode(path, soundfile::kMaxDecodedBytes);
  EXPECT_EQ(hours.bytes, 0u);
  EXPECT_THAT(hours.printed, HasSubstr(refusedFor(path) + "4096.0 MB, more than "));
  EXPECT_LT(hours.largest, kChunk);
}

// The game's sounds share one budget: a sound that fits on its own is refused
// when the loaded ones leave too little, and says so.
TEST(DecodedCap, TheBudgetOfAllSoundsRefusesWithItsOwnReason) {
  qmtest::TempDir dir;
  const std::string wav = dir.str() + "/tone.wav";
  const std::string ogg = dir.str() + "/tone.ogg";
  ASSERT_TRUE(soundwriter::writeFile(wav, qmtest::sineWav(1.0, 22050, 1, 16)));
  std::vector<std::uint8_t> claimsLess = qmtest::sineOgg(1.0, 22050, 1);
  fakeLength(claimsLess, 2205);  // a tenth of what it holds
  ASSERT_TRUE(soundwriter::writeFile(ogg, claimsLess));
  soundfile::SoundLimits limits;
  limits.budget = 100000;
  limits.held = 60000;
  for (const std::string& path : {wav, ogg}) {
    soundfile::DecodedSound out;
    EXPECT_FALSE(soundfile::decodeSound(path, out, limits)) << path;
    EXPECT_TRUE(out.pcm.empty());
    EXPECT_THAT(out.error, HasSubstr("error decoding file " + path + ": it decodes to "));
    EXPECT_THAT(out.error, HasSubstr(", and the sounds loaded hold 58.6 KB of the 97.7 KB all sounds may take"));
  }
  limits.held = 100000 - 44100;  // exactly enough
  soundfile::DecodedSound out;
  EXPECT_TRUE(soundfile::decodeSound(wav, out, limits));
  EXPECT_EQ(out.pcm.size(), 44100u);
  EXPECT_EQ(out.error, "");
}

// Decoded a part at a time, an Ogg gives the same bytes as decoded whole; past
// the cap it stops with the same message.
TEST(DecodedCap, OggDecodedInPartsIsTheWholeDecodeAndKeepsTheCap) {
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/long.ogg";
  ASSERT_TRUE(soundwriter::writeFile(path, qmtest::sineOgg(6.0, 22050, 2)));
  soundfile::DecodedSound whole;
  soundfile::decodeFile(path, whole);
  ASSERT_EQ(whole.pcm.size(), 4u * 22050 * 6);

  soundfile::PartialDecoder parts(path);
  ASSERT_TRUE(parts.isValid());
  EXPECT_EQ(parts.alFormat(), whole.alFormat);
  EXPECT_EQ(parts.frequency(), whole.frequency);
  soundfile::PcmBlock joined;
  int calls = 0;
  while (!parts.finished() && calls < 1000) {
    const std::size_t added = parts.decode(joined, 30001);
    EXPECT_EQ(added % 4, 0u);  // whole frames
    ++calls;
  }
  EXPECT_GT(calls, 10);
  EXPECT_TRUE(joined == whole.pcm);
  EXPECT_EQ(parts.decodedBytes(), whole.pcm.size());
  EXPECT_EQ(parts.decode(joined, 1000), 0u);  // past the end: nothing more

  EXPECT_EQ(parts.error(), "");

  // Past the limit by what the stream says: refused before any decoding.
  soundfile::SoundLimits limits;
  limits.perSound = 200000;
  soundfile::PartialDecoder refused(path, limits);
  EXPECT_FALSE(refused.isValid());
  EXPECT_TRUE(refused.finished());
  EXPECT_THAT(refused.error(), HasSubstr("error decoding file " + path + ": it decodes to "));

  // Claiming a fifth of a second: stopped at the limit while decoding.
  std::vector<std::uint8_t> shortClaim = qmtest::sineOgg(6.0, 22050, 2);
  fakeLength(shortClaim, 4410);
  const std::string claimPath = dir.str() + "/claims-less.ogg";
  ASSERT_TRUE(soundwriter::writeFile(claimPath, shortClaim));
  soundfile::PartialDecoder capped(claimPath, limits);
  ASSERT_TRUE(capped.isValid());
  soundfile::PcmBlock some;
  while (!capped.finished()) capped.decode(some, 65536);
  EXPECT_THAT(capped.error(), HasSubstr("error decoding file " + claimPath + ": it decodes to more than "));
  EXPECT_LE(capped.decodedBytes(), 200000u);
  EXPECT_EQ(some.size(), capped.decodedBytes());

  const std::string missing = dir.str() + "/none.ogg";
  soundfile::PartialDecoder none(missing);
  EXPECT_FALSE(none.isValid());
  EXPECT_TRUE(none.finished());
  EXPECT_THAT(none.error(), HasSubstr("error loading file " + missing + ": "));
}
