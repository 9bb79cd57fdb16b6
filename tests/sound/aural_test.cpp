// The audio library's base types, data sources and decoders.
#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include "SoundFixtures.h"
#include "sound/aural/AudioDecoder.h"
#include "support/TempDir.h"

using namespace cAural;

namespace {

int openDescriptors() {
  int n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

struct Counted : IRefCounted, cMemoryOverride {
  explicit Counted(int* deaths) : deaths_(deaths) {}
  ~Counted() override { ++*deaths_; }
  int* deaths_;
};

// A memory source over a copy of bytes; the caller releases it.
IDataSource* memorySource(const std::vector<std::uint8_t>& bytes) {
  return new cMemorySource(bytes.data(), static_cast<std::int32_t>(bytes.size()), true);
}

}  // namespace

TEST(AuralBase, ReleaseDestroysAtZeroOnly) {
  int deaths = 0;
  auto* a = new Counted(&deaths);
  EXPECT_TRUE(a->release());
  EXPECT_EQ(deaths, 1);
  auto* b = new Counted(&deaths);
  b->addRef();
  EXPECT_FALSE(b->release());
  EXPECT_EQ(deaths, 1);
  EXPECT_TRUE(b->release());
  EXPECT_EQ(deaths, 2);
}

TEST(AuralBase, MutexIsRecursiveAndExcludes) {
  cMutex m;
  m.unlock();  // never locked: nothing happens
  EXPECT_FALSE(m.isInitialized());
  m.lock();
  m.lock();
  EXPECT_TRUE(m.isInitialized());
  m.unlock();
  m.unlock();
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 100000; ++i) {
      cMutexLock hold(m);
      cMutexLock again(m);
      ++counter;
    }
  };
  std::thread t1(work), t2(work);
  t1.join();
  t2.join();
  EXPECT_EQ(counter, 200000);
}

TEST(AuralBase, OversizedObjectAllocationGivesNull) {
  EXPECT_EQ(cMemoryOverride::operator new(std::size_t(1) << 33), nullptr);
  cAllocator<int> alloc;
  EXPECT_THROW(alloc.allocate(std::size_t(1) << 40), std::bad_alloc);
  cString s(100, 'x');
  EXPECT_EQ(s.size(), 100u);
}

TEST(DataSources, MemorySourceBoundaries) {
  const char data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  cMemorySource m(data, 10, true);
  ASSERT_TRUE(m.isValid());
  char buf[16] = {};
  ASSERT_TRUE(m.seek(8, false));
  EXPECT_EQ(m.read(buf, 5), 2);
  EXPECT_EQ(buf[0], 8);
  EXPECT_EQ(m.getCurrentPos(), 10);
  EXPECT_FALSE(m.seek(12, false));
  EXPECT_EQ(m.getCurrentPos(), 10);
  EXPECT_TRUE(m.seek(10, false));
  EXPECT_EQ(m.read(buf, -4), 0);
  EXPECT_FALSE(m.seek(-30, true));
  EXPECT_EQ(m.getCurrentPos(), 0);
  EXPECT_EQ(m.read(buf, 0x7FFFFFFF), 10);  // no overflow in position + count

  cMemorySource none(nullptr, 10, true), empty(data, 0, true);
  EXPECT_FALSE(none.isValid());
  EXPECT_FALSE(empty.isValid());
  EXPECT_EQ(none.read(buf, 4), 0);
}

TEST(DataSources, MemorySourceOwnsAHandedBlock) {
  void* block = getMemoryProvider()->allocate(16, nullptr, -1, nullptr);
  std::memset(block, 7, 16);
  auto* m = new cMemorySource(block, 16, false);
  char c = 0;
  EXPECT_EQ(m->read(&c, 1), 1);
  EXPECT_EQ(c, 7);
  m->release();  // frees the block (ASan reports a leak or a double free otherwise)
}

TEST(DataSources, FileSourceReadsSeeksAndRefusesWhatIsNoFile) {
  qmtest::TempDir dir;
  const std::string path = dir.write("ten.bin", "0123456789").string();
  cFileSource f(path.c_str());
  ASSERT_TRUE(f.isValid());
  EXPECT_EQ(f.getSize(), 10);
  char buf[16] = {};
  EXPECT_EQ(f.read(buf, 4), 4);
  EXPECT_TRUE(f.seek(2, true));
  EXPECT_EQ(f.getCurrentPos(), 6);
  EXPECT_EQ(f.read(buf, 16), 4);
  EXPECT_EQ(std::string(buf, 4), "6789");
  EXPECT_TRUE(f.seek(40, false));  // past the end, as fseek allows
  EXPECT_FALSE(f.seek(-1, false));
  EXPECT_EQ(f.read(buf, -1), 0);

  for (const char* bad : {"", "/no/such/file", "/tmp", "/dev/zero"}) {
    cFileSource s(bad);
    EXPECT_FALSE(s.isValid()) << bad;
    EXPECT_EQ(s.getSize(), 0);
    EXPECT_EQ(s.read(buf, 4), 0);
    EXPECT_FALSE(s.seek(0, false));
    EXPECT_EQ(s.getCurrentPos(), 0);
  }
  cFileSource null(nullptr);
  EXPECT_FALSE(null.isValid());
  const std::string fifo = dir.str() + "/pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  cFileSource pipe(fifo.c_str());  // must not block
  EXPECT_FALSE(pipe.isValid());
}

TEST(DataSources, FactoryCopiesWholeFilesAndClosesThem) {
  qmtest::TempDir dir;
  const std::string path = dir.write("a.bin", "abcdef").string();
  const int before = openDescriptors();
  IDataSource* s = getFileSourceFactory()->createDataSource(path.c_str(), false);
  ASSERT_NE(s, nullptr);
  EXPECT_NE(dynamic_cast<cMemorySource*>(s), nullptr);
  EXPECT_EQ(openDescriptors(), before);
  char buf[8] = {};
  EXPECT_EQ(s->read(buf, 8), 6);
  EXPECT_EQ(std::string(buf, 6), "abcdef");
  s->release();
  IDataSource* streamed = getFileSourceFactory()->createDataSource(path.c_str(), true);
  EXPECT_NE(dynamic_cast<cFileSource*>(streamed), nullptr);
  streamed->release();
  IDataSource* missing = getFileSourceFactory()->createDataSource("/no/such", false);
  ASSERT_NE(missing, nullptr);
  EXPECT_FALSE(missing->isValid());
  missing->release();
}

// ---- WAV ----

struct WavCase {
  int channels, bits, rate;
  AudioFormat format;
};

TEST(WavDecoder, EveryFormatOfTheWriter) {
  for (WavCase c : {WavCase{1, 8, 22050, FORMAT_MONO8}, WavCase{2, 8, 22050, FORMAT_STEREO8},
                    WavCase{1, 16, 44100, FORMAT_MONO16}, WavCase{2, 16, 44100, FORMAT_STEREO16}}) {
    const auto bytes = qmtest::sineWav(0.1, c.rate, c.channels, c.bits);
    IDataSource* src = memorySource(bytes);
    cWavDecoder* d = new cWavDecoder(src);
    ASSERT_TRUE(d->isValid());
    EXPECT_EQ(d->getFormat(), c.format);
    EXPECT_EQ(d->getFrequency(), c.rate);
    EXPECT_EQ(d->getDataOffset(), 44);
    const int frame = c.channels * c.bits / 8;
    EXPECT_EQ(d->getDataSize(), static_cast<int>(0.1 * c.rate) * frame);
    EXPECT_EQ(d->getTotalSize(), static_cast<int>(bytes.size()));
    std::vector<std::uint8_t> got(bytes.size() * 2);
    int total = 0, n;
    while ((n = d->readAudioData(got.data() + total, 1000)) > 0) total += n;
    EXPECT_EQ(total, d->getDataSize());
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + total, bytes.begin() + 44));
    EXPECT_EQ(src->getRefCount(), 2);
    d->release();
    EXPECT_EQ(src->getRefCount(), 1);  // the decoder's reference is gone
    src->release();
  }
}

TEST(WavDecoder, ChunksAreWalkedBySize) {
  soundwriter::WavLayout l;
  l.beforeFormat.push_back({"LIST", std::vector<std::uint8_t>(25, 'd')});  // odd: a pad byte follows
  l.beforeData.push_back({"fact", {1, 0, 0, 0}});
  l.beforeData.push_back({"junk", std::vector<std::uint8_t>(6, 'a')});  // says "data" inside a payload below
  l.afterData.push_back({"LIST", {'d', 'a', 't', 'a', 9, 9, 9, 9}});
  l.formatExtraBytes = 2;  // an 18-byte fmt chunk
  const std::vector<std::uint8_t> samples = {1, 2, 3, 4, 5, 6};
  const auto bytes = soundwriter::makeWavBytes(samples, l);
  IDataSource* src = memorySource(bytes);
  auto* d = new cWavDecoder(src);
  ASSERT_TRUE(d->isValid());
  EXPECT_EQ(d->getDataSize(), 6);
  std::uint8_t out[32];
  EXPECT_EQ(d->readAudioData(out, 32), 6);  // the trailing chunk is never returned
  EXPECT_EQ(out[5], 6);
  EXPECT_EQ(d->readAudioData(out, 32), 0);
  d->release();
  src->release();
}

TEST(WavDecoder, RejectsWhatItCannotPlay) {
  auto decodes = [](std::vector<std::uint8_t> bytes) {
    IDataSource* src = memorySource(bytes);
    auto* d = new cWavDecoder(src);
    const bool ok = d->isValid();
    if (!ok) {
      EXPECT_EQ(d->getFrequency(), 0);
      EXPECT_EQ(d->getTotalTime(), 0.0f);  // no division by zero
      std::uint8_t b[4];
      EXPECT_EQ(d->readAudioData(b, 4), 0);
    }
    d->release();
    src->release();
    return ok;
  };
  const auto good = qmtest::sineWav(0.05, 22050, 1, 16);
  EXPECT_TRUE(decodes(good));
  auto patched = [&good](std::size_t at, std::vector<std::uint8_t> v) {
    auto b = good;
    std::copy(v.begin(), v.end(), b.begin() + static_cast<long>(at));
    return b;
  };
  EXPECT_FALSE(decodes(patched(4, {40, 0, 0, 0})));     // RIFF size below 44
  EXPECT_FALSE(decodes(patched(20, {3, 0})));            // float
  EXPECT_FALSE(decodes(patched(20, {0xFE, 0xFF})));      // extensible
  EXPECT_FALSE(decodes(patched(22, {3, 0})));            // three channels
  EXPECT_FALSE(decodes(patched(34, {24, 0})));           // 24 bits
  EXPECT_FALSE(decodes(patched(24, {0, 0, 0, 0})));      // no sample rate
  EXPECT_FALSE(decodes(patched(24, {0, 0, 0, 0x7F})));   // a rate no recording has (and an overflow)
  EXPECT_FALSE(decodes(patched(8, {'W', 'A', 'V', 'X'})));
  for (std::size_t cut : {0u, 8u, 12u, 20u, 36u, 40u}) EXPECT_FALSE(decodes({good.begin(), good.begin() + cut})) << cut;
  EXPECT_FALSE(decodes(std::vector<std::uint8_t>(100, 0)));
}

TEST(WavDecoder, DataSizePastTheFileIsCutToTheFile) {
  for (std::vector<std::uint8_t> size : {std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF},
                                         std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0x7F}}) {
    auto bytes = qmtest::sineWav(0.05, 22050, 1, 16);
    std::copy(size.begin(), size.end(), bytes.begin() + 40);
    IDataSource* src = memorySource(bytes);
    auto* d = new cWavDecoder(src);
    ASSERT_TRUE(d->isValid());
    EXPECT_EQ(d->getDataSize(), static_cast<int>(bytes.size()) - 44);
    d->release();
    src->release();
  }
}

TEST(WavDecoder, PositionsStayInsideTheDataChunk) {
  const auto bytes = qmtest::sineWav(1.0, 22050, 2, 16);  // 88,200 sample bytes at 44
  IDataSource* src = memorySource(bytes);
  auto* d = new cWavDecoder(src);
  src->seek(0, false);
  std::uint8_t b[4];
  EXPECT_EQ(d->readAudioData(b, 4), 4);  // starts at the data, not the header
  EXPECT_EQ(src->getCurrentPos(), 48);
  EXPECT_TRUE(d->setPosition(0, false));
  EXPECT_EQ(src->getCurrentPos(), 44);
  EXPECT_TRUE(d->setPosition(1 << 30, true));
  EXPECT_EQ(src->getCurrentPos(), 44 + 88200);
  EXPECT_EQ(d->readAudioData(b, 4), 0);
  EXPECT_TRUE(d->seek(0.25f, false));  // 0.25 s = 22,050 bytes, down to whole frames
  EXPECT_EQ(src->getCurrentPos(), 22048);
  EXPECT_NEAR(d->getTotalTime(), bytes.size() / 88200.0, 1e-4);
  d->release();
  src->release();
}

// ---- Ogg Vorbis ----

TEST(OggDecoder, MatchesVorbisfileOnAGeneratedFile) {
  const auto bytes = qmtest::sineOgg(1.2, 44100, 2);
  // Reference: vorbisfile on its own over the same bytes.
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/t.ogg";
  ASSERT_TRUE(soundwriter::writeFile(path, bytes));
  OggVorbis_File ref;
  ASSERT_EQ(ov_fopen(path.c_str(), &ref), 0);
  std::vector<char> want;
  char buf[4096];
  int bs = 0;
  long n;
  while ((n = ov_read(&ref, buf, sizeof buf, 0, 2, 1, &bs)) > 0) want.insert(want.end(), buf, buf + n);
  const ogg_int64_t frames = ov_pcm_total(&ref, -1);
  ov_clear(&ref);

  for (bool fromFile : {true, false}) {
    IDataSource* src = fromFile ? static_cast<IDataSource*>(new cFileSource(path.c_str())) : memorySource(bytes);
    auto* d = new cOggDecoder(src);
    ASSERT_TRUE(d->isValid());
    EXPECT_EQ(d->getFormat(), FORMAT_STEREO16);
    EXPECT_EQ(d->getFrequency(), 44100);
    EXPECT_TRUE(d->isSeekable());
    EXPECT_EQ(d->getTotalSize(), frames * 2);
    EXPECT_NEAR(d->getTotalTime(), 1.2, 0.01);
    std::vector<char> got;
    while ((n = d->readAudioData(buf, sizeof buf)) > 0) got.insert(got.end(), buf, buf + n);
    EXPECT_EQ(got.size(), static_cast<std::size_t>(d->getTotalSize()) * 2);
    EXPECT_TRUE(got == want);
    EXPECT_TRUE(d->seek(0.5f, false));
    EXPECT_NEAR(d->getCurrentTime(), 0.5, 0.01);
    EXPECT_TRUE(d->setPosition(0, false));
    EXPECT_EQ(d->getCurrentPosition(), 0);
    d->release();
    EXPECT_EQ(src->getRefCount(), 1);
    src->release();
  }
}

TEST(OggDecoder, DamagedAndForeignStreams) {
  const auto ogg = qmtest::sineOgg(0.5, 22050, 1);
  std::vector<std::vector<std::uint8_t>> inputs = {
      std::vector<std::uint8_t>(4000, 0x55), qmtest::sineWav(0.1, 22050, 1, 16), {}, {ogg.begin(), ogg.begin() + 60}};
  for (const auto& bytes : inputs) {
    IDataSource* src = bytes.empty() ? nullptr : memorySource(bytes);
    auto* d = new cOggDecoder(src);
    EXPECT_FALSE(d->isValid());
    EXPECT_EQ(d->getFormat(), FORMAT_MONO8);
    EXPECT_EQ(d->getFrequency(), 0);
    EXPECT_FALSE(d->isSeekable());
    char b[64];
    EXPECT_EQ(d->readAudioData(b, 64), 0);
    EXPECT_EQ(d->getTotalSize(), 0);
    EXPECT_EQ(d->getTotalTime(), 0.0f);
    d->release();
    if (src != nullptr) src->release();
  }
  // Streams cut anywhere: opened or refused, read to an end, never past the bytes.
  for (std::size_t cut = 100; cut < ogg.size(); cut += ogg.size() / 7) {
    const std::vector<std::uint8_t> part(ogg.begin(), ogg.begin() + static_cast<long>(cut));
    IDataSource* src = memorySource(part);
    auto* d = new cOggDecoder(src);
    char b[4096];
    int n = 0, reads = 0;
    while (reads < 10000 && (n = d->readAudioData(b, sizeof b)) != 0) ++reads;
    EXPECT_LT(reads, 10000);
    d->release();
    src->release();
  }
}

TEST(RawDecoder, DefaultsAndArithmetic) {
  const std::vector<std::uint8_t> bytes(44100, 0);
  IDataSource* src = memorySource(bytes);
  IAudioDecoder* d = getRawAudioDecoderFactory()->createAudioDecoder(src);
  EXPECT_EQ(d->getFrequency(), 22050);
  EXPECT_EQ(d->getFormat(), FORMAT_MONO16);
  EXPECT_TRUE(d->isValid());
  EXPECT_NEAR(d->getTotalTime(), 1.0, 1e-6);
  EXPECT_TRUE(d->seek(0.5f, false));
  EXPECT_EQ(d->getCurrentPosition(), 22050);
  d->release();
  IAudioDecoder* zero = getRawAudioDecoderFactory()->createAudioDecoder(src, 0, FORMAT_STEREO16);
  EXPECT_EQ(zero->getTotalTime(), 0.0f);
  zero->release();
  IAudioDecoder* none = getRawAudioDecoderFactory()->createAudioDecoder(nullptr);
  EXPECT_FALSE(none->isValid());
  char b[4];
  EXPECT_EQ(none->readAudioData(b, 4), 0);
  none->release();
  src->release();
}

TEST(DecoderFactories, ConcurrentCreationGivesDistinctValidDecoders) {
  const auto bytes = qmtest::sineWav(0.05, 22050, 1, 16);
  std::atomic<int> valid{0};
  auto work = [&] {
    for (int i = 0; i < 200; ++i) {
      IDataSource* src = memorySource(bytes);
      IAudioDecoder* d = getWavAudioDecoderFactory()->createAudioDecoder(src);
      valid += d->isValid() ? 1 : 0;
      d->release();
      src->release();
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(valid.load(), 400);
}
