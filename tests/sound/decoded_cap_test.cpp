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
  EXPECT_EQ(over.printed, "AudioEngine ERROR : error decoding file " + path + "\n");
  EXPECT_LT(over.largest, bytes - 2);  // refused before the block is made
}

TEST(DecodedCap, OggPastTheCapIsRefusedWithoutOutgrowingIt) {
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/long.ogg";
  ASSERT_TRUE(soundwriter::writeFile(path, qmtest::sineOgg(12.0, 22050, 1)));
  const Outcome whole = decode(path, soundfile::kMaxDecodedBytes);
  ASSERT_EQ(whole.bytes, 2u * 22050 * 12);
  EXPECT_EQ(decode(path, whole.bytes).bytes, whole.bytes);  // exactly the cap

  // The same stream claiming a fifth of a second: the block grows as it
  // decodes, and stops growing at the cap.
  std::vector<std::uint8_t> shortClaim = qmtest::sineOgg(12.0, 22050, 1);
  fakeLength(shortClaim, 4410);
  const std::string claimPath = dir.str() + "/claims-less.ogg";
  ASSERT_TRUE(soundwriter::writeFile(claimPath, shortClaim));

  for (const std::string& file : {path, claimPath}) {
    const std::size_t all = decode(file, soundfile::kMaxDecodedBytes).bytes;
    ASSERT_GT(all, 400000u);
    for (std::size_t cap : {all - 2, std::size_t(100000), std::size_t(300000)}) {
      const Outcome over = decode(file, cap);
      EXPECT_EQ(over.bytes, 0u) << file << " " << cap;
      EXPECT_EQ(over.printed, "AudioEngine ERROR : error decoding file " + file + "\n") << cap;
      EXPECT_LE(over.largest, cap + kChunk) << file << " " << cap;
    }
  }
}

TEST(DecodedCap, OggClaimingHoursGetsABlockSizedByWhatItHolds) {
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/claims.ogg";
  std::vector<std::uint8_t> ogg = qmtest::sineOgg(10.0, 22050, 1);
  fakeLength(ogg, std::int64_t(1) << 30);  // 13 hours at 22.05 kHz: 2 GB decoded
  {
    auto* src = new cAural::cMemorySource(ogg.data(), static_cast<std::int32_t>(ogg.size()), true);
    auto* d = new cAural::cOggDecoder(src);
    EXPECT_EQ(d->getTotalSize(), 1 << 30);  // the claim reads as true
    d->release();
    src->release();
  }
  ASSERT_TRUE(soundwriter::writeFile(path, ogg));
  const Outcome claims = decode(path, soundfile::kMaxDecodedBytes);
  EXPECT_EQ(claims.printed, "");
  EXPECT_GE(claims.bytes, 2u * 22050 * 9);
  EXPECT_LT(claims.largest, std::size_t(4) << 20);
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

  CaptureStdout();
  soundfile::PartialDecoder capped(path, 200000);
  soundfile::PcmBlock some;
  while (!capped.finished()) capped.decode(some, 65536);
  EXPECT_EQ(GetCapturedStdout(), "AudioEngine ERROR : error decoding file " + path + "\n");
  EXPECT_LE(some.size(), 200000u);

  CaptureStdout();
  const std::string missing = dir.str() + "/none.ogg";
  soundfile::PartialDecoder none(missing);
  EXPECT_FALSE(none.isValid());
  EXPECT_TRUE(none.finished());
  EXPECT_EQ(GetCapturedStdout(), "AudioEngine ERROR : error loading file " + missing + "\n");
}
