#pragma once
// The game's sound engine: sounds and music by sound id over OpenAL, decoded
// whole from the WAV and Ogg Vorbis files under "win32_audio/", two volumes
// (effects and music), pause and resume of everything, and movie sound.
//
// A sound id indexes the slot list: 0 to 48 are the built-in sounds of
// soundFileTable, later ids are handed out at run time. kNoSound means none.
// Every call is safe at any time: before init, after shutdown, with an id
// out of range, or with no audio device (the game then runs silently and the
// ids stay the same).
#include <cstddef>
#include <cstdint>
#include <string>

namespace AudioEngine {

constexpr std::uint32_t kNoSound = 0xFFFFFFFFu;
constexpr std::uint32_t kBuiltInSoundCount = 49;

// Entries 0-38 are effects, 39-47 music and jingles, 48 is empty (never loaded).
extern const char* const soundFileTable[kBuiltInSoundCount];

// Gain of music; -1 means: use soundVolume.
extern float musicVolume;
// Gain of effects played with gain -1.
extern float soundVolume;

// Decoded sound kept in memory: the most one sound may take, and what all
// loaded sounds may take together. A sound past either is refused before it
// is decoded, with a message naming the file and the reason.
extern std::size_t maxSoundBytes;
extern std::size_t soundBudgetBytes;
// What the loaded sounds hold now.
std::size_t getDecodedSoundBytes();

// Movement of a playback position that OpenAL reports in whole seconds only:
// between two changes of the whole second it advances by frame time.
class PlaybackClock {
 public:
  explicit PlaybackClock(std::uint32_t soundId) : soundId_(soundId) {}
  void start() { running_ = true; }
  void pause() { running_ = false; }
  void reset() { position_ = 0; }
  bool isRunning() const { return running_; }
  std::uint32_t getSoundId() const { return soundId_; }
  std::int32_t getPosition() const { return position_; }
  // offsetMs -1 changes nothing.
  void update(std::int32_t deltaMs, std::int32_t offsetMs);

  // Set for the rest of the process once an offset that is not a whole
  // second is seen: offsets are then taken as they come.
  static bool preciseOffsets;

 private:
  bool running_ = false;
  std::int32_t position_ = 0;
  std::int32_t lastWholeOffset_ = 0;
  std::uint32_t soundId_;
};

// Lifecycle and loading.
void init();      // opens the default output device; acts once until shutdown
void shutdown();  // stops and frees everything and closes the device
void loadSoundByIndex(std::uint32_t index);  // built-in ids only
std::uint32_t loadSound(const std::string& name);  // the id, or kNoSound when it could not load
void unloadSound(std::uint32_t id);  // stops it first, with stopSound's messages
void unloadAll();
std::uint32_t getSoundId(const std::string& name);  // registers an unknown name
std::uint32_t addSlot();  // an unnamed slot (a movie's sound track), played as music
bool isLoaded(std::uint32_t id);
// Whether a long sound loaded in parts still has parts to decode (update
// decodes and queues them, a frame's share at a time).
bool isLoadingInParts(std::uint32_t id);
std::uint32_t getSoundCount();
bool hasDevice();

// Playback. gain -1 plays at soundVolume; music always plays at the music volume.
void playSound(std::uint32_t id, bool loop, float gain, float pitch);
void playSound(std::uint32_t id, bool loop, float gain);
void playSound(std::uint32_t id, bool loop);
// Nothing when id is already the current music; volume -1 keeps musicVolume.
// Before init it only records the id and the volume.
void playMusic(std::uint32_t id, bool loop, float volume);
void stopMusic();
void resumeMusic();
bool isCurrentMusic(std::uint32_t id);
std::uint32_t getCurrentMusic();
void pauseSound(std::uint32_t id);
void stopSound(std::uint32_t id);  // a sound that is not playing stays as it is
void stopAll();
void pauseAll();   // window hidden
void resumeAll();  // window shown again: what pauseAll paused plays on as it was
void setSoundVolume(float v);   // sounds already playing keep their gain
void setMusicVolume(float v);  // the current music's gain follows at once
void setGain(std::uint32_t id, float g);
void setPitch(std::uint32_t id, float p);

// Queries.
int getSourceState(std::uint32_t id);  // AL_SOURCE_STATE, or -1 when not loaded
bool isPlaying(std::uint32_t id);
bool isPaused(std::uint32_t id);
int getSourceOffsetMs(std::uint32_t id);     // whole seconds x 1000, -1 when not playing
int getPlaybackPosition(std::uint32_t id);   // ms, -1 when not playing; movie sound by its clock

// Per frame and context.
void update(int ms);
void resumeContext();
void setListenerPosition(const float position[3]);
void setListenerVelocity(const float velocity[3]);
void setListenerOrientation(const float orientation[6]);

// Movie sound. queueStreamData keeps at most two blocks queued (waiting a
// bounded time for one to finish); fixedBuffers queues up to bufferCount
// blocks without starting the source. queueSingleBuffer uploads
// blockBytes x blockCount bytes as one buffer (pass the total with a count of
// 1 when blocks differ in size); playSound starts it and its clock. Both
// return the last processed-buffer count, or -1 on failure.
int queueStreamData(std::uint32_t id, const void* pcm, int byteCount, int alFormat, int frequency, int bufferCount,
                    bool fixedBuffers);
int queueSingleBuffer(std::uint32_t id, const void* pcm, int blockBytes, int alFormat, int frequency, int blockCount);
void releaseStream(std::uint32_t id);
PlaybackClock* createClock(std::uint32_t id);
void destroyClock(PlaybackClock* clock);

// Diagnostics on standard output.
bool checkError(const char* context);
void printStepError(int step);

// For tests and tools: the OpenAL source name of a slot (0 when none).
std::uint32_t sourceOf(std::uint32_t id);

}  // namespace AudioEngine
