// The sound engine on OpenAL Soft's null backend.
#include <chrono>
#include <thread>

#include <AL/al.h>

#include <gmock/gmock.h>

#include "EngineFixture.h"
#include "sound/SoundDecoding.h"

using namespace AudioEngine;
using qmtest::EngineTest;
using testing::HasSubstr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

ALint bufferValue(std::uint32_t id, ALenum what) {
  ALint buffer = 0, v = -1;
  alGetSourcei(sourceOf(id), AL_BUFFER, &buffer);
  alGetBufferi(static_cast<ALuint>(buffer), what, &v);
  return v;
}

float gainOf(std::uint32_t id) {
  float g = -1;
  alGetSourcef(sourceOf(id), AL_GAIN, &g);
  return g;
}

bool loops(std::uint32_t id) {
  ALint v = 0;
  alGetSourcei(sourceOf(id), AL_LOOPING, &v);
  return v == AL_TRUE;
}

}  // namespace

TEST_F(EngineTest, LoadsEachFormatWithItsExactSize) {
  ASSERT_TRUE(hasDevice());
  struct Case {
    std::uint32_t id;
    int size, frequency, channels, bits;
  };
  for (Case c : {Case{5, 6615 * 2, 22050, 1, 16}, Case{16, 132300 * 4, 44100, 2, 16}, Case{22, 4410, 22050, 1, 8},
                 Case{23, 4410 * 2, 22050, 2, 8}, Case{46, 44100 * 4, 44100, 2, 16}, Case{39, 22050 * 2, 22050, 1, 16}}) {
    EXPECT_EQ(loadSound(soundFileTable[c.id]), c.id);
    ASSERT_TRUE(isLoaded(c.id)) << c.id;
    EXPECT_EQ(bufferValue(c.id, AL_SIZE), c.size) << c.id;  // no silent tail
    EXPECT_EQ(bufferValue(c.id, AL_FREQUENCY), c.frequency);
    EXPECT_EQ(bufferValue(c.id, AL_CHANNELS), c.channels);
    EXPECT_EQ(bufferValue(c.id, AL_BITS), c.bits);
  }
  EXPECT_EQ(loadSound("button_click.wav"), 5u);  // already loaded: the same id
  CaptureStdout();
  unloadSound(5);  // loaded but never played: its stop says so, and it goes all the same
  EXPECT_EQ(GetCapturedStdout(), "AudioEngine ERROR : could not stop sound 5 not playing\n");
  EXPECT_FALSE(isLoaded(5));
  EXPECT_EQ(loadSound("button_click.wav"), 5u);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

TEST_F(EngineTest, BadFilesGiveTheirMessageAndASilentSlot) {
  struct Case {
    std::uint32_t id;
    const char* message;
  };
  for (Case c : {Case{26, "error decoding file "}, Case{27, "error decoding file "},
                 Case{40, "error decoding file "}, Case{0, "error loading file "}}) {
    CaptureStdout();
    EXPECT_EQ(loadSound(soundFileTable[c.id]), kNoSound);
    const std::string out = GetCapturedStdout();
    EXPECT_THAT(out, HasSubstr(std::string("AudioEngine ERROR : ") + c.message)) << c.id;
    EXPECT_THAT(out, HasSubstr("unable to load sound " + std::to_string(c.id) + " " + soundFileTable[c.id]));
    EXPECT_FALSE(isLoaded(c.id));
    playSound(c.id, false);  // plays nothing, leaves no error behind
    EXPECT_EQ(alGetError(), AL_NO_ERROR);
  }
  CaptureStdout();
  EXPECT_EQ(loadSound(""), kNoSound);
  loadSoundByIndex(48);
  loadSoundByIndex(4000);
  EXPECT_EQ(GetCapturedStdout(), "");
}

// Sound files that are not sounds, or not files: each load is refused at
// once with the file and the reason, and the game goes on.
TEST_F(EngineTest, HostileFilesAreRefusedWithTheirReason) {
  const std::string folder = dir_.str() + "/win32_audio";
  const std::vector<std::string> wavs = qmtest::makeHostileSounds(folder + "/h", "wav");
  std::uint32_t id = 0;
  for (const std::string& path : wavs) {
    const std::string name = path.substr(folder.size() + 1);
    CaptureStdout();
    id = loadSound(name);
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(id, kNoSound) << name;
    EXPECT_THAT(out, HasSubstr("win32_audio/" + name + ": ")) << out;
    EXPECT_THAT(out, HasSubstr("unable to load sound ")) << out;
  }
  EXPECT_EQ(getDecodedSoundBytes(), 0u);
  playSound(5, false);
  EXPECT_TRUE(isPlaying(5));
}

// The sounds of a level are preloaded together: twenty effects of 120 MB
// each are refused before any is decoded, each with its reason, and the
// loaded sounds together never hold more than the budget.
TEST_F(EngineTest, DecodedSoundStaysWithinItsLimits) {
  const std::string folder = dir_.str() + "/win32_audio/";
  for (std::uint32_t id = 0; id < 20; ++id)
    ASSERT_TRUE(qmtest::writeSparseWav(folder + soundFileTable[id], 120u << 20, (120u << 20) + 44));
  CaptureStdout();
  for (std::uint32_t id = 0; id < 20; ++id) loadSoundByIndex(id);
  std::string out = GetCapturedStdout();
  for (std::uint32_t id = 0; id < 20; ++id) {
    EXPECT_THAT(out, HasSubstr(std::string("win32_audio/") + soundFileTable[id] +
                               ": the file holds 120.0 MB, more than the 64.0 MB one sound may take\n"));
    EXPECT_FALSE(isLoaded(id));
  }
  EXPECT_EQ(getDecodedSoundBytes(), 0u);

  // Within one sound's limit, but past what all may take together.
  maxSoundBytes = 100000;
  soundBudgetBytes = 200000;
  for (std::uint32_t id = 29; id <= 31; ++id)
    ASSERT_TRUE(soundwriter::writeFile(folder + soundFileTable[id], qmtest::sineWav(2.0, 22050, 1, 16)));
  EXPECT_EQ(loadSound(soundFileTable[29]), 29u);
  EXPECT_EQ(loadSound(soundFileTable[30]), 30u);
  EXPECT_EQ(getDecodedSoundBytes(), 176400u);
  CaptureStdout();
  EXPECT_EQ(loadSound(soundFileTable[31]), kNoSound);
  out = GetCapturedStdout();
  EXPECT_THAT(out, HasSubstr("/win32_audio/sheep_bee3.wav: it decodes to 86.1 KB, and the "
                             "sounds loaded hold 172.3 KB of the 195.3 KB all sounds may take\n"));
  EXPECT_THAT(out, HasSubstr("unable to load sound 31 sheep_bee3.wav"));
  unloadSound(29);
  EXPECT_EQ(loadSound(soundFileTable[31]), 31u);
  EXPECT_EQ(getDecodedSoundBytes(), 176400u);
}

TEST_F(EngineTest, VolumesAndTheMusicRule) {
  soundVolume = 0.8f;
  playSound(5, false);
  EXPECT_FLOAT_EQ(gainOf(5), 0.8f);
  playSound(22, false, 0.3f);
  EXPECT_FLOAT_EQ(gainOf(22), 0.3f);
  playSound(39, false, 0.3f);  // music takes the music volume whatever is asked
  EXPECT_FLOAT_EQ(gainOf(39), 0.7f);
  stopSound(39);

  playMusic(46, true, 0.4f);
  EXPECT_TRUE(isCurrentMusic(46));
  EXPECT_FLOAT_EQ(gainOf(46), 0.4f);
  EXPECT_TRUE(loops(46));
  playMusic(46, false, 0.9f);  // the current music: nothing changes, not even the volume
  EXPECT_FLOAT_EQ(musicVolume, 0.4f);
  EXPECT_TRUE(loops(46));
  setMusicVolume(0.25f);  // applies at once
  EXPECT_FLOAT_EQ(gainOf(46), 0.25f);
  setMusicVolume(-1);
  EXPECT_FLOAT_EQ(gainOf(46), 0.8f);
  playSound(22, true, -1);
  setSoundVolume(0.6f);  // sounds already playing keep their gain, music too
  EXPECT_FLOAT_EQ(gainOf(46), 0.8f);
  EXPECT_FLOAT_EQ(gainOf(22), 0.8f);
  playSound(5, false);  // the next play takes the new volume
  EXPECT_FLOAT_EQ(gainOf(5), 0.6f);
  stopSound(22);
  setMusicVolume(0.5f);
  playMusic(39, true, -1);  // -1 keeps the music volume
  EXPECT_FALSE(isPlaying(46));
  EXPECT_FLOAT_EQ(gainOf(39), 0.5f);
  stopMusic();
  EXPECT_EQ(getCurrentMusic(), kNoSound);

  // An unnamed slot (a movie's sound track) plays as music.
  const std::uint32_t movie = addSlot();
  const auto pcm = qmtest::sineFrames(0.5, 22050, 2);
  const auto bytes = soundwriter::toPcm(pcm, 16);
  queueSingleBuffer(movie, bytes.data(), static_cast<int>(bytes.size()), AL_FORMAT_STEREO16, 22050, 1);
  playSound(movie, false, 0.1f);
  EXPECT_FLOAT_EQ(gainOf(movie), 0.5f);
  releaseStream(movie);
}

TEST_F(EngineTest, PauseAllAndResumeAllKeepLoopingAndGain) {
  // The short effect loops so that it is still playing when pauseAll comes,
  // however late that is on a busy machine.
  playSound(5, true, 0.3f);
  playSound(16, false);
  playMusic(46, true, 0.45f);
  pauseAll();
  for (std::uint32_t id : {5u, 16u, 46u}) EXPECT_TRUE(isPaused(id)) << id;
  resumeAll();
  for (std::uint32_t id : {5u, 16u, 46u}) EXPECT_TRUE(isPlaying(id)) << id;
  EXPECT_TRUE(loops(46));
  EXPECT_TRUE(loops(5));
  EXPECT_FALSE(loops(16));
  EXPECT_FLOAT_EQ(gainOf(46), 0.45f);
  EXPECT_FLOAT_EQ(gainOf(5), 0.3f);
  pauseSound(46);
  resumeMusic();
  EXPECT_TRUE(isPlaying(46));
  EXPECT_TRUE(loops(46));
}

TEST_F(EngineTest, DiagnosticsAndIdChecks) {
  const std::uint32_t count = getSoundCount();
  CaptureStdout();
  playSound(count, false);
  pauseSound(count);
  stopSound(count);
  std::string out = GetCapturedStdout();
  EXPECT_THAT(out, HasSubstr("could not play sound " + std::to_string(count) + " not found"));
  EXPECT_THAT(out, HasSubstr("could not pause sound " + std::to_string(count) + " not found"));
  EXPECT_THAT(out, HasSubstr("could not stop sound " + std::to_string(count) + " not found"));

  playSound(16, false);
  pauseSound(16);
  CaptureStdout();
  stopSound(16);
  EXPECT_THAT(GetCapturedStdout(), HasSubstr("could not stop sound 16 not playing"));
  EXPECT_TRUE(isPaused(16));  // stopping a paused sound leaves it paused

  // Every entry point takes any id.
  for (std::uint32_t id : {kNoSound, count, count + 100}) {
    EXPECT_FALSE(isLoaded(id));
    EXPECT_EQ(getSourceState(id), -1);
    EXPECT_EQ(getPlaybackPosition(id), -1);
    setGain(id, 1);
    setPitch(id, 1);
    unloadSound(id);
    releaseStream(id);
    EXPECT_EQ(queueSingleBuffer(id, "x", 4, AL_FORMAT_MONO16, 22050, 1), -1);
    EXPECT_EQ(queueStreamData(id, "x", 4, AL_FORMAT_MONO16, 22050, 50, false), -1);
  }
  // A stale error does not make the next unload fail.
  alSourcePlay(0);
  unloadSound(16);
  EXPECT_FALSE(isLoaded(16));
  playSound(16, false);
  EXPECT_TRUE(isPlaying(16));
}

TEST_F(EngineTest, NamesAndSlotsKeepTheirIds) {
  const std::uint32_t first = getSoundCount();
  EXPECT_GE(first, kBuiltInSoundCount);  // earlier tests may have added slots
  const std::uint32_t movie = addSlot();
  const std::uint32_t named = getSoundId("extra.wav");
  EXPECT_EQ(movie, first);
  EXPECT_EQ(named, first + 1);
  EXPECT_EQ(getSoundId("extra.wav"), named);
  EXPECT_EQ(getSoundId("good.wav"), 16u);
  EXPECT_EQ(getSoundId(""), kNoSound);
}

TEST_F(EngineTest, CallsBeforeInitAndAfterShutdownDoNothing) {
  playSound(5, false);
  shutdown();
  shutdown();
  playSound(5, false);
  unloadSound(16);
  stopAll();
  pauseAll();
  resumeAll();
  playMusic(46, true, 0.5f);  // kept, though nothing can sound
  EXPECT_EQ(getCurrentMusic(), 46u);
  EXPECT_FLOAT_EQ(musicVolume, 0.5f);
  EXPECT_EQ(loadSound("good.wav"), kNoSound);
  EXPECT_FALSE(isPlaying(5));
  update(33);
  init();  // a second life works as the first
  EXPECT_EQ(loadSound("good.wav"), 16u);
}

TEST(PlaybackClock, InterpolatesBetweenWholeSeconds) {
  PlaybackClock clock(3);
  std::vector<int> seen;
  for (int offset : {0, 0, 0, 1000}) {
    clock.update(33, offset);
    seen.push_back(clock.getPosition());
  }
  EXPECT_EQ(seen, (std::vector<int>{33, 66, 99, 1000}));
  clock.update(33, -1);
  EXPECT_EQ(clock.getPosition(), 1000);
}

TEST_F(EngineTest, OffsetsInWholeSeconds) {
  playSound(16, false);
  alSourcef(sourceOf(16), AL_SEC_OFFSET, 2.7f);
  EXPECT_EQ(getSourceOffsetMs(16), 2000);
  EXPECT_EQ(getPlaybackPosition(16), 2000);
  stopSound(16);
  EXPECT_EQ(getSourceOffsetMs(16), -1);
}

TEST_F(EngineTest, SingleBufferMovieSound) {
  const std::uint32_t id = addSlot();
  const auto bytes = soundwriter::toPcm(qmtest::sineFrames(2.0, 22050, 2), 16);
  // An odd total is cut to whole frames; a count too big for the block is refused.
  EXPECT_EQ(queueSingleBuffer(id, bytes.data(), static_cast<int>(bytes.size()) - 3, AL_FORMAT_STEREO16, 22050, 1), 0);
  playSound(id, false);
  const auto start = std::chrono::steady_clock::now();
  int last = -1;
  while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(300)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(33));
    update(33);
    const int pos = getPlaybackPosition(id);
    EXPECT_GE(pos, last);
    last = pos;
  }
  EXPECT_GE(last, 200);
  // A second sound track for the slot replaces the first and starts over.
  EXPECT_EQ(queueSingleBuffer(id, bytes.data(), 4000, AL_FORMAT_STEREO16, 22050, 2), 0);
  EXPECT_FALSE(isPlaying(id));
  playSound(id, false);
  EXPECT_TRUE(isPlaying(id));
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
  const ALuint source = sourceOf(id);
  // The movie's own stop, then the release: the stops of the release say
  // what they find, and a second release finds nothing to free.
  CaptureStdout();
  stopSound(id);
  releaseStream(id);
  releaseStream(id);
  const std::string n = std::to_string(id);
  EXPECT_EQ(GetCapturedStdout(), "AudioEngine ERROR : could not stop sound " + n + " not playing\n"
                                 "AudioEngine ERROR : could not stop sound " + n + " not playing\n"
                                 "AudioEngine ERROR : could not stop sound " + n + " not loaded\n");
  EXPECT_FALSE(alIsSource(source));
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

namespace {

ALint queuedOf(std::uint32_t id) {
  ALint queued = 0;
  alGetSourcei(sourceOf(id), AL_BUFFERS_QUEUED, &queued);
  return queued;
}

// Waits for the source to leave the playing state (the null backend plays in
// real time); false if it never does.
bool waitUntilStopped(std::uint32_t id) {
  for (int i = 0; i < 5000 && isPlaying(id); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return getSourceState(id) == AL_STOPPED;
}

// Started again: playing, or (on a busy machine) its one block played through.
bool restarted(std::uint32_t id) {
  ALint processed = 0;
  alGetSourcei(sourceOf(id), AL_BUFFERS_PROCESSED, &processed);
  return isPlaying(id) || (getSourceState(id) == AL_STOPPED && processed == 1);
}

}  // namespace

TEST_F(EngineTest, StreamRingHoldsTwoBlocksAndNeverHangs) {
  const std::uint32_t id = addSlot();
  const auto block = soundwriter::toPcm(qmtest::sineFrames(0.05, 22050, 2), 16);
  const int size = static_cast<int>(block.size());
  EXPECT_GE(queueStreamData(id, block.data(), size, AL_FORMAT_STEREO16, 22050, 50, false), 0);
  EXPECT_GE(queueStreamData(id, block.data(), size, AL_FORMAT_STEREO16, 22050, 50, false), 0);
  // The third waits for the first to finish (on a busy machine the second
  // may have finished too: both are taken off).
  EXPECT_GE(queueStreamData(id, block.data(), size, AL_FORMAT_STEREO16, 22050, 50, false), 1);
  EXPECT_GE(queuedOf(id), 1);
  EXPECT_LE(queuedOf(id), 2);
  for (int i = 0; i < 60; ++i) queueStreamData(id, block.data(), size, AL_FORMAT_STEREO16, 22050, 50, false);
  EXPECT_LE(queuedOf(id), 2);
  // Paused: no buffer can finish, so the call gives up instead of waiting for ever.
  pauseSound(id);
  EXPECT_EQ(queueStreamData(id, block.data(), size, AL_FORMAT_STEREO16, 22050, 50, false), -1);
  EXPECT_TRUE(isPaused(id));
  releaseStream(id);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);

  // Fixed buffers: never more than asked for.
  const std::uint32_t fixed = addSlot();
  for (int i = 0; i < 3; ++i)
    EXPECT_GE(queueStreamData(fixed, block.data(), size, AL_FORMAT_STEREO16, 22050, 3, true), 0);
  EXPECT_EQ(queueStreamData(fixed, block.data(), size, AL_FORMAT_STEREO16, 22050, 3, true), -1);
  releaseStream(fixed);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

// The packets stop coming for a while: the source runs dry and stops with
// both blocks finished. The next block plays alone, not after the stale one.
TEST_F(EngineTest, StreamRingAfterAnUnderrunPlaysOnlyTheNewBlock) {
  const std::uint32_t id = addSlot();
  const auto block = soundwriter::toPcm(qmtest::sineFrames(0.3, 22050, 2), 16);
  const int size = static_cast<int>(block.size());
  ASSERT_GE(queueStreamData(id, block.data(), size, AL_FORMAT_STEREO16, 22050, 50, false), 0);
  ASSERT_GE(queueStreamData(id, block.data(), size, AL_FORMAT_STEREO16, 22050, 50, false), 0);
  ASSERT_TRUE(waitUntilStopped(id));
  ASSERT_EQ(queuedOf(id), 2);
  ASSERT_GE(queueStreamData(id, block.data(), size, AL_FORMAT_STEREO16, 22050, 50, false), 0);
  EXPECT_EQ(queuedOf(id), 1);
  EXPECT_TRUE(restarted(id));
  // Dry after one block only: the same.
  ASSERT_TRUE(waitUntilStopped(id));
  ASSERT_GE(queueStreamData(id, block.data(), size, AL_FORMAT_STEREO16, 22050, 50, false), 0);
  EXPECT_EQ(queuedOf(id), 1);
  releaseStream(id);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

TEST(SoundFiles, ExtensionComesFromTheLastPathComponent) {
  EXPECT_EQ(soundfile::extensionOf("win32_audio/main_menu.ogg"), "ogg");
  EXPECT_EQ(soundfile::extensionOf("./sounds/beep"), "");
  EXPECT_EQ(soundfile::extensionOf("a.ogg/beep"), "");
  EXPECT_EQ(soundfile::extensionOf("x.tar.wav"), "wav");
}

namespace {

// Stops the source and takes its queue back: the bytes of every buffer it held.
std::size_t queuedBytesOf(std::uint32_t id) {
  const ALuint source = sourceOf(id);
  alSourcei(source, AL_LOOPING, AL_FALSE);  // a looping source has none processed
  alSourceStop(source);
  ALint processed = 0;
  alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
  std::vector<ALuint> names(static_cast<std::size_t>(processed));
  alSourceUnqueueBuffers(source, processed, names.data());
  std::size_t bytes = 0;
  for (ALuint b : names) {
    ALint size = 0;
    alGetBufferi(b, AL_SIZE, &size);
    bytes += static_cast<std::size_t>(size);
  }
  return bytes;
}

std::size_t wholeDecodedBytes(const std::string& path) {
  soundfile::DecodedSound whole;
  soundfile::decodeFile(path, whole);
  return whole.pcm.size();
}

}  // namespace

// A long Ogg plays at once from its first seconds; the frames that follow
// decode and queue the rest, and what OpenAL ends up holding is the whole
// sound, with the looping asked for.
TEST_F(EngineTest, ALongOggLoadsInPartsOverTheFollowingFrames) {
  ASSERT_TRUE(soundwriter::writeFile("win32_audio/ig_music3.ogg", qmtest::sineOgg(7.0, 44100, 2)));
  const std::size_t whole = wholeDecodedBytes("win32_audio/ig_music3.ogg");
  ASSERT_EQ(whole, 7u * 44100 * 4);
  ASSERT_EQ(loadSound("ig_music3.ogg"), 41u);
  EXPECT_TRUE(isLoadingInParts(41));
  playSound(41, true);
  int frames = 0;
  while (isLoadingInParts(41) && frames < 100) {
    update(33);
    ++frames;
  }
  EXPECT_FALSE(isLoadingInParts(41));
  EXPECT_GE(frames, 2);  // not all on the first frame
  EXPECT_TRUE(loops(41));
  EXPECT_TRUE(isPlaying(41));
  EXPECT_EQ(queuedBytesOf(41), whole);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);

  // A short Ogg is one buffer at once, as a WAV.
  ASSERT_EQ(loadSound("main_menu.ogg"), 46u);
  EXPECT_FALSE(isLoadingInParts(46));
  EXPECT_EQ(bufferValue(46, AL_SIZE), 44100 * 4);
}

// When the queued part is about to run out, the next frame decodes all the
// rest, whatever it costs: a gap would be heard.
TEST_F(EngineTest, APartLoadedSoundNearItsQueuedEndIsFinishedAtOnce) {
  ASSERT_TRUE(soundwriter::writeFile("win32_audio/ig_music3.ogg", qmtest::sineOgg(30.0, 22050, 1)));
  ASSERT_EQ(loadSound("ig_music3.ogg"), 41u);
  playSound(41, false);
  float offset = 0;
  // The first part is 1.25 s long: past 0.85 s, less than 0.5 s is queued ahead.
  for (int i = 0; i < 400 && offset < 0.85f; ++i) {  // the null device plays in real time
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    alGetSourcef(sourceOf(41), AL_SEC_OFFSET, &offset);
  }
  ASSERT_GE(offset, 0.85f);
  EXPECT_TRUE(isLoadingInParts(41));
  update(33);
  EXPECT_FALSE(isLoadingInParts(41));
  EXPECT_TRUE(isPlaying(41));
  EXPECT_EQ(queuedBytesOf(41), wholeDecodedBytes("win32_audio/ig_music3.ogg"));
  unloadSound(41);
  // Unloaded with parts still to decode: nothing is left for the frames.
  ASSERT_EQ(loadSound("ig_music3.ogg"), 41u);
  EXPECT_TRUE(isLoadingInParts(41));
  unloadSound(41);
  EXPECT_FALSE(isLoadingInParts(41));
  update(33);
  EXPECT_FALSE(isLoaded(41));
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}
