// Audio managers, their sources and listener on OpenAL Soft's null backend.
#include <AL/al.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "../sound/SoundFixtures.h"
#include "AuralTestSupport.h"
#include "FakeDecoder.h"
#include "support/TempDir.h"
#include "audio_library/AudioSource.h"
#include "audio_library/AuralManager.h"
#include "caural/IAudioManager.h"

using namespace cAural;
using qmtest::FakeDecoder;
using qmtest::FakeDecoderFactory;
using Clock = std::chrono::steady_clock;

namespace {

::testing::Environment* const folder = ::testing::AddGlobalTestEnvironment(new qmtest::InTempFolder);

// Lines of Warning and above.
std::size_t problems(qmtest::CapturingReceiver& c) {
  std::size_t n = 0;
  for (const auto& l : c.lines()) n += l.level >= LOG_WARNING;
  return n;
}

struct Counting : ISourceEventHandler {
  void onUpdate() override { ++updates; }
  void onRelease() override { ++releases; }
  void onPlay() override { ++plays; }
  void onStop() override { ++stops; }
  void onPause() override { ++pauses; }
  int updates = 0, releases = 0, plays = 0, stops = 0, pauses = 0;
};

class ManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(manager_.initialize(nullptr, -1, 4));
    manager_.registerDecoder(getWavAudioDecoderFactory(), "wav");
    manager_.registerDecoder(getOggAudioDecoderFactory(), "ogg");
    manager_.registerDecoder(getRawAudioDecoderFactory(), "raw");
    manager_.registerDecoder(&fakes_, "fake");
    manager_.registerDataSource(getFileSourceFactory(), "FileSystem", 0);
  }
  void TearDown() override { manager_.shutDown(); }

  IAudioSource* fromBytes(const std::vector<std::uint8_t>& bytes, const char* ext, const char* name = "s") {
    return manager_.createSourceFromMemory(name, reinterpret_cast<const char*>(bytes.data()),
                                           static_cast<std::int32_t>(bytes.size()), ext);
  }
  // A source over a fake decoder; the test keeps a reference on the decoder.
  IAudioSource* fromFake(FakeDecoder* d) {
    fakes_.next = d;
    static const char dummy[4] = {1, 2, 3, 4};
    return manager_.createSourceFromMemory("fake", dummy, 4, "fake");
  }
  // Updates until pred holds or the time is up.
  template <typename P>
  bool updateUntil(P pred, int ms = 2000) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
      manager_.update();
      if (pred()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  cAuralManager manager_;
  FakeDecoderFactory fakes_;
};

}  // namespace

TEST(ManagerPieces, AttributesAndExtensions) {
  EXPECT_EQ(buildContextAttributes(0, -1), (std::array<ALCint, 6>{}));
  EXPECT_EQ(buildContextAttributes(44100, 4), (std::array<ALCint, 6>{ALC_FREQUENCY, 44100, ALC_MAX_AUXILIARY_SENDS, 4, 0, 0}));
  EXPECT_EQ(buildContextAttributes(-1, 2), (std::array<ALCint, 6>{ALC_MAX_AUXILIARY_SENDS, 2, 0, 0, 0, 0}));
  EXPECT_EQ(extensionOf("music/theme.ogg"), "ogg");
  EXPECT_EQ(extensionOf("a.b/c.WAV"), "WAV");
  EXPECT_EQ(extensionOf("./sounds/beep"), "");
  EXPECT_EQ(extensionOf("beep"), "");
  EXPECT_EQ(extensionOf(nullptr), "");
}

TEST_F(ManagerTest, InitializeOnceAndAgainAfterShutDown) {
  EXPECT_FALSE(manager_.initialize(nullptr, -1, 4));
  manager_.shutDown();
  EXPECT_FALSE(manager_.isInitialized());
  qmtest::ScopedCapture capture;
  EXPECT_FALSE(manager_.initialize("no such device", -1, 4));
  EXPECT_TRUE(capture.has("AudioManager", "Failed to Create OpenAL Device."));
  EXPECT_EQ(manager_.getContext(), nullptr);
  EXPECT_TRUE(manager_.initialize(nullptr, 22050, 2));
  EXPECT_GT(manager_.getEffects()->getMaxEffectSlots(), 0u);
}

TEST_F(ManagerTest, ThreeHundredSourcesMadeAndReleased) {
  const auto wav = qmtest::sineWav(0.05, 22050, 1, 16);
  for (int i = 0; i < 300; ++i) {
    IAudioSource* s = fromBytes(wav, "wav");
    ASSERT_NE(s, nullptr) << "source " << i;
    if (i % 3 == 0) s->play();
    manager_.releaseSource(s);
  }
  EXPECT_EQ(manager_.getSourceCount(), 0u);
}

TEST_F(ManagerTest, CreationFailuresSayWhy) {
  qmtest::ScopedCapture capture;
  const auto wav = qmtest::sineWav(0.05, 22050, 1, 16);
  EXPECT_EQ(fromBytes(wav, "WAV", "up"), nullptr);
  EXPECT_TRUE(capture.has("AudioManager", "Failed to create Audio Source (up): Codec (.WAV) is not supported."));
  EXPECT_EQ(manager_.createSourceFromFile("f", "missing.wav", false), nullptr);
  EXPECT_TRUE(capture.has("AudioManager", "Failed to create Audio Source (f): File could not be found (.missing.wav)."));
  EXPECT_EQ(manager_.createSourceFromFile("n", "./sounds/beep", false), nullptr);
  EXPECT_TRUE(capture.has("AudioManager", "Failed to create Audio Source (n): No decoder could be found for (.)."));
  const std::vector<std::uint8_t> cut(wav.begin(), wav.begin() + 30);
  EXPECT_EQ(fromBytes(cut, "wav", "cut"), nullptr);
  EXPECT_TRUE(capture.has("AudioManager",
                          "Failed to create Audio Source (cut): Audio data could not be decoded by (.wav) decoder."));
  const std::vector<std::uint8_t> junk(4000, 0x5A);
  EXPECT_EQ(fromBytes(junk, "ogg", "junk"), nullptr);
  EXPECT_EQ(manager_.createSourceFromMemory("empty", nullptr, 0, "wav"), nullptr);
  // Another factory under "raw" cannot take a layout.
  manager_.registerDecoder(getWavAudioDecoderFactory(), "raw");
  EXPECT_EQ(manager_.createSourceFromRaw("r", "abcd", 4, 22050, FORMAT_MONO16), nullptr);
  EXPECT_TRUE(capture.has("AudioManager", "Failed to create Audio Source (r): Codec (.raw) is not supported."));
  manager_.registerDecoder(getRawAudioDecoderFactory(), "raw");
  EXPECT_EQ(manager_.createSourceFromRaw("r", "abcd", 4, 0, FORMAT_MONO16), nullptr);
  EXPECT_NE(manager_.createSourceFromRaw("r", "abcd", 4, 22050, FORMAT_MONO16), nullptr);
}

// Files that are not sounds, or not files at all: a FIFO, a link to
// /dev/zero, a sparse 4 GB file, a folder, an empty file. Read whole or
// streamed, each is refused at once and nothing is made.
TEST_F(ManagerTest, HostileFilesMakeNoSource) {
  qmtest::ScopedCapture capture;
  qmtest::TempDir dir;
  for (const char* ext : {"wav", "ogg"}) {
    for (const std::string& path : qmtest::makeHostileSounds(dir.str(), ext)) {
      for (bool stream : {false, true}) {
        EXPECT_EQ(manager_.createSourceFromFile("hostile", path.c_str(), stream), nullptr) << path << stream;
        const bool empty = path.find("/empty.") != std::string::npos;
        // An empty file opens, and holds nothing to decode.
        const std::string why = empty ? "Audio data could not be decoded by (." + std::string(ext) + ") decoder."
                                      : "File could not be found (." + path + ").";
        EXPECT_TRUE(capture.has("AudioManager", "Failed to create Audio Source (hostile): " + why)) << path << stream;
      }
    }
  }
  EXPECT_EQ(manager_.getSourceCount(), 0u);
}

TEST_F(ManagerTest, FilesThroughThePriorityList) {
  const auto wav = qmtest::sineWav(0.05, 22050, 1, 16);
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/tone.wav";
  ASSERT_TRUE(soundwriter::writeFile(path, wav));
  manager_.registerDataSource(nullptr, "Nothing", 5);
  manager_.unregisterDataSource("Nothing");
  manager_.registerDataSource(getFileSourceFactory(), "Twice", 3);
  manager_.registerDataSource(getFileSourceFactory(), "Twice", 3);
  manager_.unregisterDataSource("Twice");  // one of its two list entries stays, without a factory
  qmtest::ScopedCapture capture;
  IAudioSource* a = manager_.createSourceFromFile("tone", path.c_str(), true);
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(capture.has("AudioManager", "Audio Source (tone) created from file " + path + " from Data Source FileSystem."));
  IAudioSource* b = manager_.createSourceFromFile("tone", path.c_str(), false);
  IAudioSource* unnamed = manager_.createSourceFromFile("", path.c_str(), false);
  EXPECT_EQ(manager_.getSourceByName("tone"), b);
  EXPECT_EQ(manager_.getSourceByName(""), nullptr);
  EXPECT_EQ(manager_.getSourceCount(), 3u);
  manager_.releaseSource(b);
  EXPECT_EQ(manager_.getSourceByName("tone"), nullptr);
  EXPECT_TRUE(a->isValid());
  EXPECT_TRUE(unnamed->isValid());
  manager_.releaseAllSources();
  EXPECT_EQ(manager_.getSourceCount(), 0u);
}

TEST_F(ManagerTest, StopThenPlayStartsOverWithoutDecodingMeanwhile) {
  auto* d = new FakeDecoder(1 << 20);
  IAudioSource* s = fromFake(d);
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->play());
  EXPECT_EQ(d->readStarts.front(), 0);
  updateUntil([] { return false; }, 30);
  s->stop();
  EXPECT_EQ(d->getCurrentPosition(), 0);
  const int reads = d->reads;
  updateUntil([] { return false; }, 50);
  EXPECT_EQ(d->reads, reads);
  EXPECT_TRUE(s->play());
  ASSERT_GT(d->reads, reads);
  EXPECT_EQ(d->readStarts[reads], 0);
  d->release();
}

TEST_F(ManagerTest, PlayingAgainOnlyRefreshes) {
  qmtest::ScopedCapture capture;
  auto* d = new FakeDecoder(1 << 20);
  IAudioSource* s = fromFake(d);
  ASSERT_TRUE(s->play());
  const int reads = d->reads;
  EXPECT_TRUE(s->play());
  EXPECT_EQ(d->reads, reads);
  EXPECT_TRUE(s->isPlaying());
  s->pause();
  EXPECT_TRUE(s->play());  // resumes without refilling
  EXPECT_EQ(d->reads, reads);
  EXPECT_EQ(problems(capture), 0u);
  d->release();
}

TEST_F(ManagerTest, LoopingAnEmptyStreamReturns) {
  auto* d = new FakeDecoder(0);
  IAudioSource* s = fromFake(d);
  ASSERT_NE(s, nullptr);
  s->setLooping(true);
  const auto start = Clock::now();
  s->play();
  manager_.update();
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
  d->release();
}

TEST_F(ManagerTest, OneStopPerPlayAndLoopingKeepsGoing) {
  IAudioSource* s = fromBytes(qmtest::sineWav(0.1, 22050, 1, 16), "wav");
  ASSERT_NE(s, nullptr);
  const std::int32_t start = s->getCurrentPosition();
  Counting events;
  s->registerEventHandler(&events);
  s->play();
  EXPECT_EQ(events.plays, 1);
  ASSERT_TRUE(updateUntil([&] { return events.stops > 0; }));
  updateUntil([] { return false; }, 50);
  EXPECT_EQ(events.stops, 1);
  EXPECT_EQ(s->getCurrentPosition(), start);
  s->play();
  ASSERT_TRUE(updateUntil([&] { return events.stops > 1; }));
  EXPECT_EQ(events.stops, 2);

  s->setLooping(true);
  s->play();
  EXPECT_FALSE(updateUntil([&] { return events.stops > 2; }, 400));
  EXPECT_TRUE(s->isPlaying());
  s->unregisterEventHandler(&events);
}

// The events a source's handlers heard, in order ("play stop ...").
struct Sequence : ISourceEventHandler {
  void onUpdate() override {}
  void onRelease() override {}
  void onPlay() override { add("play"); }
  void onStop() override {
    add("stop");
    ++stops;
  }
  void onPause() override {}
  void add(const char* event) {
    std::lock_guard<std::mutex> lock(mutex);
    seen += seen.empty() ? event : std::string(" ") + event;
  }
  std::string heard() {
    std::lock_guard<std::mutex> lock(mutex);
    return seen;
  }
  std::mutex mutex;
  std::string seen;
  std::atomic<int> stops{0};
};

// OpenAL ends a short sound before anything updates the source: playing it
// again then plays it whole, from the beginning, the last play's stop told first.
TEST_F(ManagerTest, PlayedAgainRightAfterItsEndItIsHeardWhole) {
  IAudioSource* s = fromBytes(qmtest::sineWav(0.1, 22050, 1, 16), "wav");
  ASSERT_NE(s, nullptr);
  auto* source = static_cast<cAuralSource*>(s);
  Sequence events;
  s->registerEventHandler(&events);
  for (int i = 0; i < 3; ++i) {
    const std::int64_t before = source->getBytesBuffered();
    ASSERT_TRUE(s->play());
    EXPECT_EQ(source->getBytesBuffered() - before, 4410) << i;  // every sample again
    for (int wait = 0; wait < 5000 && !s->isStopped(); ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(s->isStopped());
  }
  EXPECT_EQ(events.heard(), "play stop play stop play");
  manager_.update();
  EXPECT_EQ(events.heard(), "play stop play stop play stop");
  s->unregisterEventHandler(&events);
}

TEST_F(ManagerTest, SourceReleasedFromItsOwnStopHandler) {
  IAudioSource* s = fromBytes(qmtest::sineWav(0.05, 22050, 1, 16), "wav", "self");
  ASSERT_NE(s, nullptr);
  struct Releaser : Counting {
    cAuralManager* m;
    IAudioSource* s;
    void onStop() override {
      ++stops;
      m->releaseSource(s);
    }
  } h;
  h.m = &manager_;
  h.s = s;
  s->registerEventHandler(&h);
  s->play();
  ASSERT_TRUE(updateUntil([&] { return h.stops > 0; }));
  EXPECT_EQ(manager_.getSourceCount(), 0u);
  EXPECT_EQ(h.releases, 1);
  updateUntil([] { return false; }, 20);
}

// Each handler waits (a bounded time) for another thread that calls into
// the source and, but for the update and the release the manager makes, into
// the manager, whose update takes the source's lock.
TEST_F(ManagerTest, HandlersWaitingForAnotherThreadGoOn) {
  IAudioSource* s = fromBytes(qmtest::sineWav(0.3, 22050, 1, 16), "wav", "waits");
  ASSERT_NE(s, nullptr);
  s->addRef();
  s->setLooping(true);
  struct Waiter : ISourceEventHandler {
    IAudioSource* s = nullptr;
    cAuralManager* m = nullptr;
    std::vector<std::string> seen;
    std::vector<std::thread> others;
    void wait(const char* event, bool intoManager) {
      std::promise<void> done;
      std::future<void> f = done.get_future();
      others.emplace_back([this, intoManager, p = std::move(done)]() mutable {
        s->getGain();
        if (intoManager) m->update();
        p.set_value();
      });
      const bool through = f.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
      seen.push_back(std::string(event) + (through ? "" : " (blocked)"));
    }
    void onUpdate() override {
      if (updates) wait("update", false);
    }
    bool updates = false;
    void onRelease() override { wait("release", false); }
    void onPlay() override { wait("play", true); }
    void onStop() override { wait("stop", true); }
    void onPause() override { wait("pause", true); }
  } h;
  h.s = s;
  h.m = &manager_;
  s->registerEventHandler(&h);
  s->play();
  s->pause();
  s->playAt({1.0f, 0.0f, 0.0f}, 1.0f, true);
  s->stop();
  for (std::thread& t : h.others) t.join();
  h.updates = true;
  manager_.update();
  h.updates = false;
  manager_.releaseSource(s);
  for (std::thread& t : h.others) {
    if (t.joinable()) t.join();
  }
  EXPECT_EQ(h.seen, (std::vector<std::string>{"play", "pause", "play", "stop", "update", "release"}));
  s->unregisterEventHandler(&h);
  s->IRefCounted::release();
}

TEST_F(ManagerTest, ReleasedSourceIsInvalidAndQuiet) {
  qmtest::ScopedCapture capture;
  IAudioSource* s = fromBytes(qmtest::sineWav(0.3, 22050, 1, 16), "wav");
  s->addRef();
  s->play();
  manager_.releaseSource(s);
  EXPECT_FALSE(s->isValid());
  EXPECT_FALSE(s->play());
  s->release();  // again: nothing
  s->setGain(0.5f);
  EXPECT_FALSE(s->update());
  EXPECT_EQ(problems(capture), 0u);
  s->IRefCounted::release();
}

TEST_F(ManagerTest, DecoderFailingMidStreamStopsWithOneLine) {
  qmtest::ScopedCapture capture;
  auto* d = new FakeDecoder(1 << 20, 100000);
  IAudioSource* s = fromFake(d);
  Counting events;
  s->registerEventHandler(&events);
  s->play();
  ASSERT_TRUE(updateUntil([&] { return events.stops > 0; }));
  std::size_t errors = 0;
  for (const auto& l : capture.lines()) errors += l.level >= LOG_ERROR;
  EXPECT_EQ(errors, 1u);
  s->unregisterEventHandler(&events);
  d->release();
}

TEST_F(ManagerTest, DecoderFailingWhileFillingStaysStopped) {
  qmtest::ScopedCapture capture;
  auto* d = new FakeDecoder(1 << 20, 100000);
  IAudioSource* s = fromFake(d);
  ASSERT_NE(s, nullptr);
  Counting events;
  s->registerEventHandler(&events);
  EXPECT_FALSE(s->play());
  updateUntil([] { return false; }, 100);
  EXPECT_FALSE(s->isPlaying());
  EXPECT_EQ(events.stops, 1);
  EXPECT_EQ(events.plays, 0);
  std::size_t errors = 0;
  for (const auto& l : capture.lines()) errors += l.level >= LOG_ERROR;
  EXPECT_EQ(errors, 1u);
  s->unregisterEventHandler(&events);
  d->release();
}

// The decoder fails while play() fills: the stop handler's calls on another manager's source still land in that manager.
TEST_F(ManagerTest, HandlerReachesAnotherManagersSourceInItsContext) {
  cAuralManager b;
  ASSERT_TRUE(b.initialize(nullptr, -1, 4));
  b.registerDecoder(getRawAudioDecoderFactory(), "raw");
  std::vector<char> pcm(2 * 22050, 0);
  IAudioSource* other = b.createSourceFromRaw("other", pcm.data(), static_cast<std::int32_t>(pcm.size()), 22050,
                                              FORMAT_MONO16);
  ASSERT_NE(other, nullptr);
  auto* d = new FakeDecoder(1 << 20, 100000);
  IAudioSource* s = fromFake(d);
  ASSERT_NE(s, nullptr);
  struct Reacher : Counting {
    IAudioSource* other = nullptr;
    void onStop() override {
      ++stops;
      other->setGain(0.5f);
      other->play();
    }
  } h;
  h.other = other;
  s->registerEventHandler(&h);
  s->play();
  EXPECT_EQ(h.stops, 1);
  EXPECT_TRUE(other->isPlaying());
  EXPECT_EQ(other->getGain(), 0.5f);
  s->unregisterEventHandler(&h);
  d->release();
  b.shutDown();
}

TEST_F(ManagerTest, HalfFrameTailPlaysWithoutErrors) {
  qmtest::ScopedCapture capture;
  std::vector<char> pcm(4 * 2000 + 2, 0);
  IAudioSource* s = manager_.createSourceFromRaw("tail", pcm.data(), static_cast<std::int32_t>(pcm.size()), 22050,
                                                 FORMAT_STEREO16);
  ASSERT_NE(s, nullptr);
  s->play();
  Counting events;
  s->registerEventHandler(&events);
  ASSERT_TRUE(updateUntil([&] { return events.stops > 0; }));
  EXPECT_EQ(static_cast<cAuralSource*>(s)->getBytesBuffered(), 8000);
  EXPECT_EQ(problems(capture), 0u);
  s->unregisterEventHandler(&events);
}

TEST_F(ManagerTest, PropertiesEffectsAndFilters) {
  qmtest::ScopedCapture capture;
  IAudioSource* s = fromBytes(qmtest::sineWav(0.2, 22050, 1, 16), "wav");
  s->setStrength(0.0f);
  EXPECT_EQ(s->getRolloffFactor(), 0.0f);
  EXPECT_EQ(s->getStrength(), 0.0f);
  s->setStrength(-1.0f);
  EXPECT_EQ(s->getStrength(), 0.0f);
  s->setStrength(4.0f);
  EXPECT_FLOAT_EQ(s->getRolloffFactor(), 0.25f);
  s->setPosition({1, 2, 3});
  s->move({2, 2, 3});
  EXPECT_EQ(s->getVelocity().x, 1.0f);
  s->setDopplerVelocity({1, 0, 0});
  EXPECT_EQ(s->getDopplerVelocity().x, 1.0f);
  s->setDopplerFactor(0.5f);
  s->setGain(-1.0f);  // refused and logged, nothing left pending
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
  EXPECT_EQ(s->getEffectSlotCount(), 4u);

  IEffect* e = manager_.getEffects()->createEffect();
  IFilter* f = manager_.getEffects()->createFilter();
  ASSERT_NE(e, nullptr);
  ASSERT_NE(f, nullptr);
  e->setType(EFFECT_REVERB);
  f->setType(FILTER_LOWPASS);
  EXPECT_FALSE(s->attachEffect(s->getEffectSlotCount(), e));
  EXPECT_EQ(e->getRefCount(), 1);
  EXPECT_TRUE(s->attachEffect(0, e));
  EXPECT_EQ(e->getRefCount(), 2);
  EXPECT_TRUE(s->attachFilter(f));
  e->attachFilter(f);
  s->play();
  e->setSlotGain(0.5f);
  f->setHighFrequencyGain(0.2f);
  manager_.update();
  s->detachEffect(0);
  s->detachFilter();
  EXPECT_EQ(e->getRefCount(), 1);
  EXPECT_EQ(f->getRefCount(), 2);
  e->release();
  f->release();
  std::size_t errors = 0;
  for (const auto& l : capture.lines()) errors += l.level >= LOG_ERROR;
  EXPECT_EQ(errors, 1u);  // the refused gain
}

TEST_F(ManagerTest, ListenerKeepsAndSends) {
  IListener* l = manager_.getListener();
  EXPECT_EQ(l->getDirection().z, -1.0f);
  EXPECT_EQ(l->getUpVector().y, 1.0f);
  EXPECT_EQ(l->getMasterGain(), 1.0f);
  l->move({1, 0, 0});
  l->move({2, 0, 0});
  EXPECT_EQ(l->getVelocity().x, 1.0f);
  l->setUpVector({0, 0, 1});
  l->setDirection({1, 0, 0});
  ALfloat o[6] = {};
  alGetListenerfv(AL_ORIENTATION, o);
  EXPECT_EQ(o[0], 1.0f);
  EXPECT_EQ(o[5], 1.0f);
  l->setMasterGain(-1.0f);  // refused; nothing left pending
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
  l->setMetersPerUnit(2.0f);
  EXPECT_EQ(l->getMetersPerUnit(), 2.0f);
}

TEST(TwoManagers, EachWorksInItsOwnContext) {
  cAuralManager a;
  cAuralManager b;
  ASSERT_TRUE(a.initialize(nullptr, -1, 4));
  ASSERT_TRUE(b.initialize(nullptr, -1, 4));
  for (cAuralManager* m : {&a, &b}) m->registerDecoder(getWavAudioDecoderFactory(), "wav");
  const auto wav = qmtest::sineWav(0.1, 22050, 1, 16);
  qmtest::ScopedCapture capture;
  IAudioSource* sa = a.createSourceFromMemory("a", reinterpret_cast<const char*>(wav.data()),
                                              static_cast<std::int32_t>(wav.size()), "wav");
  IAudioSource* sb = b.createSourceFromMemory("b", reinterpret_cast<const char*>(wav.data()),
                                              static_cast<std::int32_t>(wav.size()), "wav");
  ASSERT_NE(sa, nullptr);
  ASSERT_NE(sb, nullptr);
  a.getListener()->setMasterGain(0.25f);
  b.getListener()->setMasterGain(0.75f);
  sa->play();
  sb->play();
  sa->setGain(0.5f);
  EXPECT_TRUE(sa->isPlaying());
  EXPECT_TRUE(sb->isPlaying());
  IEffect* ea = a.getEffects()->createEffect();
  ASSERT_NE(ea, nullptr);
  ea->setType(EFFECT_ECHO);
  EXPECT_TRUE(ea->isValid());
  EXPECT_TRUE(sa->attachEffect(0, ea));
  ea->release();
  for (int i = 0; i < 20; ++i) {
    a.update();
    b.update();
  }
  EXPECT_EQ(problems(capture), 0u);
  alcMakeContextCurrent(a.getContext());
  ALfloat gain = 0;
  alGetListenerf(AL_GAIN, &gain);
  EXPECT_EQ(gain, 0.25f);
  alcMakeContextCurrent(b.getContext());
  alGetListenerf(AL_GAIN, &gain);
  EXPECT_EQ(gain, 0.75f);
  b.shutDown();
  a.shutDown();
}

TEST(Exports, ManagersAndTheUpdateThread) {
  EXPECT_FALSE(isAudioManagerThreadRunning());
  IAudioManager* a = createAudioManager(false);
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(a->isDecoderRegistered("ogg"));
  EXPECT_TRUE(a->isDecoderRegistered("wav"));
  EXPECT_TRUE(a->isDecoderRegistered("raw"));
  EXPECT_TRUE(a->isDataSourceRegistered("FileSystem"));
  EXPECT_GE(a->getDeviceCount(), 1u);
  EXPECT_STREQ(a->getDeviceName(5), a->getDeviceName(a->getDeviceCount() - 1));
  EXPECT_TRUE(isAudioManagerThreadRunning());
  IAudioManager* b = createAudioManager(true);
  destroyAudioManager(a);
  EXPECT_TRUE(isAudioManagerThreadRunning());
  destroyAudioManager(a);  // twice: ignored
  cAuralManager notOurs;
  destroyAudioManager(&notOurs);
  destroyAudioManager(nullptr);

  // Played to its end by the update thread alone.
  const auto wav = qmtest::sineWav(0.1, 22050, 1, 16);
  IAudioSource* s = b->createSourceFromMemory("t", reinterpret_cast<const char*>(wav.data()),
                                              static_cast<std::int32_t>(wav.size()), "wav");
  ASSERT_NE(s, nullptr);
  struct Flag : Counting {
    std::atomic<int> stopped{0};
    void onStop() override { ++stopped; }
  } h;
  s->registerEventHandler(&h);
  s->play();
  const auto end = Clock::now() + std::chrono::seconds(2);
  while (h.stopped == 0 && Clock::now() < end) cAuralSleep(5);
  EXPECT_EQ(h.stopped.load(), 1);
  s->unregisterEventHandler(&h);

  const auto before = Clock::now();
  destroyAudioManager(b);
  EXPECT_FALSE(isAudioManagerThreadRunning());
  EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(200));
  IAudioManager* c = createAudioManager(false);
  EXPECT_TRUE(isAudioManagerThreadRunning());
  destroyAudioManager(c);
  EXPECT_FALSE(isAudioManagerThreadRunning());
}

// A play told on the caller's thread and the end of the sound seen by the
// update thread meanwhile reach the handlers in the order they happened.
TEST(Exports, EventsOfOneSourceComeInTheirOrder) {
  IAudioManager* m = createAudioManager(true);
  ASSERT_NE(m, nullptr);
  const std::vector<char> pcm(2 * 110, 0);  // five milliseconds
  IAudioSource* s =
      m->createSourceFromRaw("short", pcm.data(), static_cast<std::int32_t>(pcm.size()), 22050, FORMAT_MONO16);
  ASSERT_NE(s, nullptr);
  struct SlowToHearThePlay : Sequence {
    void onPlay() override {
      // Long enough for the sound to end and the update thread to see it.
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
      Sequence::onPlay();
    }
  } events;
  s->registerEventHandler(&events);
  std::string want;
  for (int i = 1; i <= 5; ++i) {
    s->play();
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (events.stops < i && Clock::now() < end) cAuralSleep(1);
    want += want.empty() ? "play stop" : " play stop";
  }
  EXPECT_EQ(events.heard(), want);
  s->unregisterEventHandler(&events);
  destroyAudioManager(m);
}
