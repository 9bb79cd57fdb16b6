#include "sound/AudioEngine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <memory>
#include <thread>
#include <vector>

#include <AL/al.h>
#include <AL/alc.h>

#include "app/ResourcePaths.h"
#include "sound/SoundDecoding.h"

namespace AudioEngine {

const char* const soundFileTable[kBuiltInSoundCount] = {
    "brieffing_close.wav", "brieffing_go_anim.wav", "brieffing_pop.wav", "brieffing_valid.wav",
    "button_arrow.wav", "button_click.wav", "button_pause.wav", "button_retry.wav",
    "explode_ice.wav", "explode_tnt.wav", "explode_wood.wav", "general_speak.wav",
    "general_speak1.wav", "general_speak2.wav", "general_speak4.wav", "get_powerup03.wav",
    "good.wav", "impact_ice.wav", "impact_metal.wav", "menu_valid.wav",
    "mission_pop.wav", "pause_general.wav", "plop1.wav", "plop2.wav",
    "plop3.wav", "popup_appear.wav", "pouf1.wav", "pouf2.wav",
    "reload_default.wav", "sheep_bee1.wav", "sheep_bee2.wav", "sheep_bee3.wav",
    "sheep_eaten.wav", "sheep_ejected.wav", "sheep_transfo.wav", "sheep_unpack.wav",
    "wolf_eaten.wav", "wolf_fx1.wav", "wolf_unpack.wav", "ig_music1.ogg",
    "ig_music2.ogg", "ig_music3.ogg", "jingle_lose.ogg", "jingle_menu_appear.ogg",
    "jingle_victory.ogg", "jingle_victory_gold.ogg", "main_menu.ogg", "menu_map.ogg",
    "",
};

float musicVolume = 0.7f;
float soundVolume = 1.0f;
std::size_t maxSoundBytes = soundfile::kMaxDecodedBytes;
std::size_t soundBudgetBytes = soundfile::kDecodedBudgetBytes;
bool PlaybackClock::preciseOffsets = false;

namespace {

constexpr int kRingBuffers = 50;
constexpr int kMaxFixedBuffers = 4096;
// Largest movie sound track uploaded at once (about 25 minutes of 44.1 kHz stereo).
constexpr std::int64_t kMaxStreamUpload = 256ll << 20;
constexpr auto kStreamWait = std::chrono::seconds(1);

struct SoundSlot {
  ALuint source = 0;
  ALuint currentBuffer = 0;
  std::uint32_t ringIndex = 0;
  std::uint32_t bufferCount = 1;
  std::vector<ALuint> bufferNames = std::vector<ALuint>(1, 0);
  std::deque<ALuint> freeBuffers;  // ring names not queued, oldest first
  float position[3] = {0, 0, 0};
  float velocity[3] = {0, 0, 0};
  bool stereo = false;
  bool streaming = false;
  bool fixedBuffers = false;
  std::unique_ptr<PlaybackClock> clock;
  // A long sound still being decoded: its first part is queued, the rest
  // is decoded on the frames that follow and queued a piece at a time.
  std::unique_ptr<soundfile::PartialDecoder> rest;
  soundfile::PcmBlock restPcm;  // decoded, not yet queued
  std::size_t queuedBytes = 0;
};

// A registered name per sound id; unnamed entries are movie slots.
struct SoundName {
  std::string name;
  bool named = true;
};

struct EngineState {
  EngineState() {
    for (const char* n : soundFileTable) names.push_back({n, true});
  }
  std::vector<SoundSlot> slots;
  std::vector<SoundName> names;  // never shrinks: ids stay valid across shutdown
  std::uint32_t currentMusic = kNoSound;
  std::vector<std::uint32_t> pausedSounds;
  std::vector<PlaybackClock*> clocks;
  bool initialised = false;
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  int processedCount = 0;
};

// Never destroyed: the process ends through exit() from inside the game loop,
// and callers may still reach the engine from static destructors.
EngineState& st() {
  static EngineState* state = new EngineState();
  return *state;
}

void printError(const char* text) { std::printf("AudioEngine ERROR : %s\n", text); }

// The slot of a live engine with a device, or null.
SoundSlot* liveSlot(std::uint32_t id) {
  EngineState& s = st();
  if (!s.initialised || s.device == nullptr || id >= s.slots.size()) return nullptr;
  return &s.slots[id];
}

SoundSlot* loadedSlot(std::uint32_t id) {
  SoundSlot* slot = liveSlot(id);
  return slot != nullptr && slot->source != 0 ? slot : nullptr;
}

// Errors left by earlier calls must not be blamed on the next step.
void drainErrors() {
  while (alGetError() != AL_NO_ERROR) {
  }
}

bool isStereoFormat(int alFormat) { return alFormat == AL_FORMAT_STEREO8 || alFormat == AL_FORMAT_STEREO16; }

int frameBytesOf(int alFormat) {
  switch (alFormat) {
    case AL_FORMAT_MONO8:
      return 1;
    case AL_FORMAT_MONO16:
    case AL_FORMAT_STEREO8:
      return 2;
    case AL_FORMAT_STEREO16:
      return 4;
    default:
      return 0;
  }
}

// Deletes the slot's source and every buffer name it holds, once each, and
// leaves it as a fresh slot (the name array stays as given).
void freeSlotObjects(SoundSlot& slot) {
  if (slot.source != 0) alDeleteSources(1, &slot.source);
  std::vector<ALuint> buffers;
  for (ALuint b : slot.bufferNames)
    if (b != 0) buffers.push_back(b);
  if (slot.currentBuffer != 0 && std::find(buffers.begin(), buffers.end(), slot.currentBuffer) == buffers.end())
    buffers.push_back(slot.currentBuffer);
  for (ALuint b : buffers) alDeleteBuffers(1, &b);
  slot.source = 0;
  slot.currentBuffer = 0;
  slot.ringIndex = 0;
  slot.bufferCount = 1;
  slot.bufferNames.assign(1, 0);
  slot.freeBuffers.clear();
  slot.streaming = false;
  slot.fixedBuffers = false;
  slot.rest.reset();
  slot.restPcm.clear();
  slot.restPcm.shrink_to_fit();
  slot.queuedBytes = 0;
  if (slot.clock) {
    destroyClock(slot.clock.release());
  }
}

bool isMusic(std::uint32_t id) {
  const EngineState& s = st();
  if (id >= s.names.size() || !s.names[id].named) return true;
  return soundfile::extensionOf(s.names[id].name) == "ogg";
}

float safeGain(float g) { return std::isfinite(g) && g > 0.0f ? g : 0.0f; }

void startSource(std::uint32_t id, SoundSlot& slot) {
  alSourcePlay(slot.source);
  if (slot.clock) slot.clock->start();
  (void)id;
}

std::uint32_t createSlot() {
  EngineState& s = st();
  s.slots.emplace_back();
  return static_cast<std::uint32_t>(s.slots.size() - 1);
}

// A failed step of loading frees what the earlier ones made: the slot stays unloaded.
std::uint32_t failLoad(SoundSlot& slot) {
  freeSlotObjects(slot);
  drainErrors();
  return kNoSound;
}

// The slot's source and its first buffer, holding the given sound.
bool makeSourceAndBuffer(SoundSlot& slot, int alFormat, const void* pcm, std::size_t bytes, int frequency) {
  slot.stereo = isStereoFormat(alFormat);
  alGenSources(1, &slot.source);
  if (checkError("error binding")) {
    slot.source = 0;
    failLoad(slot);
    return false;
  }
  alGenBuffers(1, &slot.currentBuffer);
  if (checkError("error gen")) {
    slot.currentBuffer = 0;
    failLoad(slot);
    return false;
  }
  alBufferData(slot.currentBuffer, alFormat, pcm, static_cast<ALsizei>(bytes), frequency);
  if (checkError("error filling buffer data")) {
    failLoad(slot);
    return false;
  }
  slot.queuedBytes = bytes;
  return true;
}

// A long Ogg sound is loaded in parts: its first seconds now, so that it can
// play at once, the rest decoded on the following frames (AudioEngine::update)
// and queued behind them, a piece at a time; what is heard is the whole sound,
// as from one buffer, looping included. The first part is decoded in the
// frame that asks for the sound (a jingle at a level's end): kept short, with
// room above kMinSecondsAhead for a slow frame or two.
constexpr double kFirstPartSeconds = 1.25;
constexpr std::size_t kPieceBytes = 256u << 10;  // queued as one buffer
// Decoded per frame: over a second of 22 kHz stereo, a third of 44 kHz
// stereo, at one or two milliseconds of processor time.
constexpr std::size_t kFrameSliceBytes = 64u << 10;
// Queued sound ahead of the playing position below which the rest is decoded
// at once, whatever it costs: a gap or an early loop would be heard.
constexpr double kMinSecondsAhead = 0.5;

std::size_t bytesPerSecond(const soundfile::PartialDecoder& d) {
  return static_cast<std::size_t>(d.frequency()) * static_cast<std::size_t>(d.frameBytes());
}

// Queues the decoded part not yet queued as one more buffer.
bool queueRestPiece(SoundSlot& slot) {
  if (slot.restPcm.empty()) return true;
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  if (checkError("error gen")) return false;
  alBufferData(buffer, slot.rest->alFormat(), slot.restPcm.data(), static_cast<ALsizei>(slot.restPcm.size()),
               slot.rest->frequency());
  if (checkError("error filling buffer data")) {
    alDeleteBuffers(1, &buffer);
    return false;
  }
  if (slot.bufferNames.size() == 1 && slot.bufferNames[0] == 0) slot.bufferNames.clear();
  slot.bufferNames.push_back(buffer);
  alSourceQueueBuffers(slot.source, 1, &buffer);
  if (checkError("error queue source buffers")) return false;
  slot.queuedBytes += slot.restPcm.size();
  slot.restPcm.clear();
  return true;
}

double secondsAhead(const SoundSlot& slot) {
  ALint state = 0;
  alGetSourcei(slot.source, AL_SOURCE_STATE, &state);
  const double queued = static_cast<double>(slot.queuedBytes) / static_cast<double>(bytesPerSecond(*slot.rest));
  if (state != AL_PLAYING) return queued;
  ALfloat offset = 0;
  alGetSourcef(slot.source, AL_SEC_OFFSET, &offset);
  return queued - static_cast<double>(offset);
}

// One frame's share of the rest of a sound; all of it when the queued part
// is about to run out.
void continueLoading(SoundSlot& slot) {
  const bool hurry = secondsAhead(slot) < kMinSecondsAhead;
  do {
    slot.rest->decode(slot.restPcm, kFrameSliceBytes);
    if (slot.restPcm.size() >= kPieceBytes || slot.rest->finished()) {
      if (!queueRestPiece(slot)) {
        // OpenAL refused a piece: the sound keeps what is queued.
        drainErrors();
        slot.restPcm.clear();
        break;
      }
    }
  } while (hurry && !slot.rest->finished());
  if (slot.rest->finished()) {
    // Past the limits (a stream longer than it said): what is queued plays.
    if (!slot.rest->error().empty()) std::printf("AudioEngine ERROR : %s\n", slot.rest->error().c_str());
    slot.rest.reset();
    slot.restPcm.clear();
    slot.restPcm.shrink_to_fit();
  }
}

std::uint32_t loadInParts(std::uint32_t id, const std::string& name, const std::string& path,
                          const soundfile::SoundLimits& limits) {
  auto decoder = std::make_unique<soundfile::PartialDecoder>(path, limits);
  if (checkError("error loading")) return kNoSound;
  soundfile::PcmBlock first;
  if (decoder->isValid()) {
    decoder->decode(first, static_cast<std::size_t>(kFirstPartSeconds * static_cast<double>(bytesPerSecond(*decoder))));
  }
  if (!decoder->error().empty()) {
    std::printf("AudioEngine ERROR : %s\n", decoder->error().c_str());
    first.clear();
  }
  if (first.empty()) {
    std::printf("AudioEngine ERROR : unable to load sound %u %s\n", id, name.c_str());
    return kNoSound;
  }
  SoundSlot& slot = st().slots[id];
  if (!makeSourceAndBuffer(slot, decoder->alFormat(), first.data(), first.size(), decoder->frequency())) {
    return kNoSound;
  }
  if (decoder->finished()) {
    // A short sound: one buffer, as any other.
    alSourcei(slot.source, AL_BUFFER, static_cast<ALint>(slot.currentBuffer));
    if (checkError("error assigning buffer to source")) return failLoad(slot);
    return id;
  }
  alSourceQueueBuffers(slot.source, 1, &slot.currentBuffer);
  if (checkError("error assigning buffer to source")) return failLoad(slot);
  slot.rest = std::move(decoder);
  return id;
}

}  // namespace

void PlaybackClock::update(std::int32_t deltaMs, std::int32_t offsetMs) {
  if (offsetMs == -1) return;
  if (preciseOffsets) {
    position_ = offsetMs;
  } else if (offsetMs % 1000 != 0) {
    position_ = offsetMs;
    preciseOffsets = true;
  } else if (offsetMs != lastWholeOffset_) {
    position_ = lastWholeOffset_ = offsetMs;
  } else {
    position_ += deltaMs;
  }
}

bool checkError(const char* context) {
  const ALenum e = alGetError();
  if (e == AL_NO_ERROR) return false;
  std::printf("AudioEngine ERROR : %d - %s\n", e, context);
  return true;
}

namespace {
void printErrorName(ALenum e) {
  switch (e) {
    case AL_INVALID_NAME:
      std::printf("AL_INVALID_NAME\n");
      break;
    case AL_INVALID_ENUM:
      std::printf("AL_INVALID_ENUM\n");
      break;
    case AL_INVALID_VALUE:
      std::printf("AL_INVALID_VALUE\n");
      break;
    case AL_INVALID_OPERATION:
      std::printf("AL_INVALID_OPERATION\n");
      break;
    case AL_OUT_OF_MEMORY:
      std::printf("AL_OUT_OF_MEMORY\n");
      break;
    default:
      break;
  }
}
}  // namespace

void printStepError(int step) {
  const ALenum e = alGetError();
  if (e == AL_NO_ERROR) return;
  std::printf("**************** ERROR AT %d ***********\n", step);
  printErrorName(e);
}

void init() {
  EngineState& s = st();
  if (s.initialised) return;
  s.initialised = true;
  while (s.slots.size() < s.names.size()) createSlot();
  s.device = alcOpenDevice(nullptr);
  if (s.device != nullptr) {
    s.context = alcCreateContext(s.device, nullptr);
    if (s.context == nullptr || alcMakeContextCurrent(s.context) == ALC_FALSE) {
      if (s.context != nullptr) alcDestroyContext(s.context);
      alcCloseDevice(s.device);
      s.context = nullptr;
      s.device = nullptr;
    }
  }
  if (s.device == nullptr) {
    // Said once; from here on every call is a silent no-op.
    printError("init device audio ");
    std::fflush(stdout);
    return;
  }
  const ALfloat zero[3] = {0, 0, 0};
  const ALfloat orientation[6] = {0, 0, -1, 0, 1, 0};
  alListenerfv(AL_POSITION, zero);
  alListenerfv(AL_VELOCITY, zero);
  alListenerfv(AL_ORIENTATION, orientation);
  checkError("error init");
}

void shutdown() {
  EngineState& s = st();
  if (!s.initialised) return;
  stopMusic();
  unloadAll();
  if (s.device != nullptr) {
    for (SoundSlot& slot : s.slots) freeSlotObjects(slot);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(s.context);
    alcCloseDevice(s.device);
  }
  s.context = nullptr;
  s.device = nullptr;
  s.slots.clear();
  s.clocks.clear();
  s.pausedSounds.clear();
  s.currentMusic = kNoSound;
  s.initialised = false;
  std::fflush(stdout);
}

bool hasDevice() { return st().device != nullptr; }

std::uint32_t getSoundCount() { return static_cast<std::uint32_t>(st().names.size()); }

std::uint32_t getSoundId(const std::string& name) {
  if (name.empty()) return kNoSound;
  EngineState& s = st();
  for (std::size_t i = 0; i < s.names.size(); ++i) {
    if (s.names[i].named && s.names[i].name == name) return static_cast<std::uint32_t>(i);
  }
  s.names.push_back({name, true});
  if (s.initialised) createSlot();
  return static_cast<std::uint32_t>(s.names.size() - 1);
}

std::uint32_t addSlot() {
  EngineState& s = st();
  s.names.push_back({"", false});
  if (s.initialised) createSlot();
  return static_cast<std::uint32_t>(s.names.size() - 1);
}

bool isLoaded(std::uint32_t id) { return loadedSlot(id) != nullptr; }

std::size_t getDecodedSoundBytes() {
  std::size_t held = 0;
  // OpenAL's copies, and the decoded part of a long sound not queued yet.
  for (const SoundSlot& slot : st().slots) held += slot.queuedBytes + slot.restPcm.size();
  return held;
}

std::uint32_t sourceOf(std::uint32_t id) {
  const SoundSlot* slot = liveSlot(id);
  return slot != nullptr ? slot->source : 0;
}

void loadSoundByIndex(std::uint32_t index) {
  if (index < kBuiltInSoundCount) loadSound(soundFileTable[index]);
}

std::uint32_t loadSound(const std::string& name) {
  EngineState& s = st();
  if (!s.initialised || s.device == nullptr) return kNoSound;
  checkError("WARNING ! Error not handled before this loading");
  const std::uint32_t id = getSoundId(name);
  if (id == kNoSound || isLoaded(id)) return id;
  if (checkError("error before loading (?]")) return kNoSound;

  const std::string path = resolveResourcePath("win32_audio/" + name);
  soundfile::SoundLimits limits;
  limits.perSound = maxSoundBytes;
  limits.budget = soundBudgetBytes;
  limits.held = getDecodedSoundBytes();
  if (soundfile::extensionOf(path) == "ogg") return loadInParts(id, name, path, limits);
  soundfile::DecodedSound sound;
  if (!soundfile::decodeSound(path, sound, limits)) std::printf("AudioEngine ERROR : %s\n", sound.error.c_str());
  if (checkError("error loading")) return kNoSound;
  if (sound.pcm.empty()) {
    std::printf("AudioEngine ERROR : unable to load sound %u %s\n", id, name.c_str());
    return kNoSound;
  }
  SoundSlot& slot = s.slots[id];
  if (!makeSourceAndBuffer(slot, sound.alFormat, sound.pcm.data(), sound.pcm.size(), sound.frequency)) return kNoSound;
  alSourcei(slot.source, AL_BUFFER, static_cast<ALint>(slot.currentBuffer));
  if (checkError("error assigning buffer to source")) return failLoad(slot);
  // OpenAL holds its own copy: the decoded block goes here.
  return id;
}

bool isLoadingInParts(std::uint32_t id) {
  const SoundSlot* slot = loadedSlot(id);
  return slot != nullptr && slot->rest != nullptr;
}

void unloadSound(std::uint32_t id) {
  SoundSlot* slot = loadedSlot(id);
  if (slot == nullptr) return;
  stopSound(id);  // says "not playing" of a sound at rest, and unloads it all the same
  drainErrors();
  // Whatever OpenAL answers, the slot forgets the names: keeping a deleted
  // source would make the sound unplayable for good.
  alDeleteSources(1, &slot->source);
  checkError("error delete sources");
  slot->source = 0;
  freeSlotObjects(*slot);
  checkError("error delete buffers");
}

void unloadAll() {
  EngineState& s = st();
  for (std::uint32_t id = 0; id < s.slots.size(); ++id) unloadSound(id);
}

void setGain(std::uint32_t id, float g) {
  if (SoundSlot* slot = loadedSlot(id)) alSourcef(slot->source, AL_GAIN, safeGain(g));
}

void setPitch(std::uint32_t id, float p) {
  if (SoundSlot* slot = loadedSlot(id)) alSourcef(slot->source, AL_PITCH, std::isfinite(p) && p > 0.0f ? p : 1.0f);
}

void playSound(std::uint32_t id, bool loop, float gain, float pitch) {
  EngineState& s = st();
  if (!s.initialised || s.device == nullptr) return;
  if (id >= getSoundCount() || id >= s.slots.size()) {
    std::printf("AudioEngine ERROR : could not play sound %u not found\n", id);
    return;
  }
  if (!isLoaded(id)) loadSoundByIndex(id);
  SoundSlot* slot = loadedSlot(id);
  if (slot == nullptr) return;  // could not load: nothing to play
  alSourcei(slot->source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  float g = gain == -1.0f ? soundVolume : gain;
  if (isMusic(id)) g = musicVolume == -1.0f ? soundVolume : musicVolume;
  setGain(id, g);
  setPitch(id, pitch);
  alSourcefv(slot->source, AL_POSITION, slot->position);
  alSourcefv(slot->source, AL_VELOCITY, slot->velocity);
  startSource(id, *slot);
}

void playSound(std::uint32_t id, bool loop, float gain) { playSound(id, loop, gain, 1.0f); }
void playSound(std::uint32_t id, bool loop) { playSound(id, loop, -1.0f, 1.0f); }

bool isCurrentMusic(std::uint32_t id) { return st().currentMusic != kNoSound && st().currentMusic == id; }

std::uint32_t getCurrentMusic() { return st().currentMusic; }

void playMusic(std::uint32_t id, bool loop, float volume) {
  // Before init the id and volume are kept all the same; the sound stays silent.
  if (isCurrentMusic(id)) return;
  stopMusic();
  st().currentMusic = id;
  if (volume != -1.0f) musicVolume = volume;
  playSound(id, loop);
}

void stopMusic() {
  EngineState& s = st();
  if (s.currentMusic == kNoSound) return;
  stopSound(s.currentMusic);
  s.currentMusic = kNoSound;
}

void resumeMusic() {
  EngineState& s = st();
  if (s.currentMusic == kNoSound || !isPaused(s.currentMusic)) return;
  // Plays on from where it stopped, with its looping and gain.
  startSource(s.currentMusic, s.slots[s.currentMusic]);
}

void pauseSound(std::uint32_t id) {
  EngineState& s = st();
  if (!s.initialised || s.device == nullptr) return;
  if (id >= s.slots.size()) {
    std::printf("AudioEngine ERROR : could not pause sound %u not found\n", id);
    return;
  }
  SoundSlot* slot = loadedSlot(id);
  if (slot == nullptr) {
    std::printf("AudioEngine ERROR : could not pause sound %u not loaded\n", id);
    return;
  }
  drainErrors();
  alSourcePause(slot->source);
  if (slot->clock) slot->clock->pause();
  checkError("error pause");
}

void stopSound(std::uint32_t id) {
  EngineState& s = st();
  if (!s.initialised || s.device == nullptr) return;
  if (id >= s.slots.size()) {
    std::printf("AudioEngine ERROR : could not stop sound %u not found\n", id);
    return;
  }
  SoundSlot* slot = loadedSlot(id);
  if (slot == nullptr) {
    std::printf("AudioEngine ERROR : could not stop sound %u not loaded\n", id);
    return;
  }
  if (!isPlaying(id)) {
    std::printf("AudioEngine ERROR : could not stop sound %u not playing\n", id);
    return;
  }
  drainErrors();
  alSourceStop(slot->source);
  if (slot->clock) {
    slot->clock->pause();
    slot->clock->reset();
  }
  checkError("error stop");
}

void stopAll() {
  EngineState& s = st();
  s.currentMusic = kNoSound;
  for (std::uint32_t id = 0; id < s.slots.size(); ++id) stopSound(id);
}

void pauseAll() {
  EngineState& s = st();
  s.pausedSounds.clear();
  for (std::uint32_t id = 0; id < s.slots.size(); ++id) {
    if (isPlaying(id) && !isPaused(id)) {
      pauseSound(id);
      s.pausedSounds.push_back(id);
    }
  }
}

void resumeAll() {
  EngineState& s = st();
  for (std::uint32_t id : s.pausedSounds) {
    // Resumed as it was paused: looping, gain and pitch are the source's own.
    if (isPaused(id)) startSource(id, s.slots[id]);
  }
  s.pausedSounds.clear();
}

void setSoundVolume(float v) {
  // Sounds already playing keep their gain; the next play takes the new one.
  soundVolume = v;
}

void setMusicVolume(float v) {
  musicVolume = v;
  if (st().currentMusic != kNoSound) setGain(st().currentMusic, musicVolume == -1.0f ? soundVolume : musicVolume);
}

int getSourceState(std::uint32_t id) {
  SoundSlot* slot = loadedSlot(id);
  if (slot == nullptr) return -1;
  ALint state = 0;
  alGetSourcei(slot->source, AL_SOURCE_STATE, &state);
  return state;
}

bool isPlaying(std::uint32_t id) { return getSourceState(id) == AL_PLAYING; }
bool isPaused(std::uint32_t id) { return getSourceState(id) == AL_PAUSED; }

int getSourceOffsetMs(std::uint32_t id) {
  if (!isPlaying(id)) return -1;
  ALfloat seconds = 0;
  alGetSourcef(st().slots[id].source, AL_SEC_OFFSET, &seconds);
  return static_cast<int>(seconds) * 1000;
}

int getPlaybackPosition(std::uint32_t id) {
  if (!isPlaying(id)) return -1;
  const SoundSlot& slot = st().slots[id];
  return slot.clock ? slot.clock->getPosition() : getSourceOffsetMs(id);
}

void update(int ms) {
  for (PlaybackClock* clock : st().clocks) {
    if (clock->isRunning()) clock->update(ms, getSourceOffsetMs(clock->getSoundId()));
  }
  if (!hasDevice()) return;
  for (SoundSlot& slot : st().slots) {
    if (slot.rest != nullptr && slot.source != 0) continueLoading(slot);
  }
}

void resumeContext() {
  EngineState& s = st();
  if (s.context == nullptr) return;
  alcMakeContextCurrent(s.context);
  alcProcessContext(s.context);
}

void setListenerPosition(const float position[3]) {
  if (hasDevice()) alListenerfv(AL_POSITION, position);
}
void setListenerVelocity(const float velocity[3]) {
  if (hasDevice()) alListenerfv(AL_VELOCITY, velocity);
}
void setListenerOrientation(const float orientation[6]) {
  if (hasDevice()) alListenerfv(AL_ORIENTATION, orientation);
}

PlaybackClock* createClock(std::uint32_t id) {
  auto* clock = new PlaybackClock(id);
  st().clocks.push_back(clock);
  return clock;
}

void destroyClock(PlaybackClock* clock) {
  auto& clocks = st().clocks;
  clocks.erase(std::remove(clocks.begin(), clocks.end(), clock), clocks.end());
  delete clock;
}

int queueStreamData(std::uint32_t id, const void* pcm, int byteCount, int alFormat, int frequency, int bufferCount,
                    bool fixedBuffers) {
  EngineState& s = st();
  SoundSlot* slot = liveSlot(id);
  const int frame = frameBytesOf(alFormat);
  if (slot == nullptr || pcm == nullptr || frame == 0 || frequency <= 0) return -1;
  byteCount -= byteCount > 0 ? byteCount % frame : 0;
  if (byteCount <= 0) return -1;
  drainErrors();
  if (slot->source == 0) {
    if (fixedBuffers && (bufferCount < 1 || bufferCount > kMaxFixedBuffers)) return -1;
    alGenSources(1, &slot->source);
    if (checkError("error generating sources")) {
      slot->source = 0;
      return -1;
    }
    const int count = fixedBuffers ? bufferCount : kRingBuffers;
    slot->bufferNames.assign(static_cast<std::size_t>(count), 0);
    slot->bufferCount = static_cast<std::uint32_t>(count);
    for (ALuint& name : slot->bufferNames) {
      alGenBuffers(1, &name);
      if (checkError(fixedBuffers ? "error generating buffer" : "error gen")) {
        name = 0;
        freeSlotObjects(*slot);
        return -1;
      }
    }
    if (!fixedBuffers) slot->freeBuffers.assign(slot->bufferNames.begin(), slot->bufferNames.end());
    slot->ringIndex = 0;
    slot->streaming = true;
    slot->fixedBuffers = fixedBuffers;
    slot->stereo = isStereoFormat(alFormat);
  } else if (!slot->streaming || slot->fixedBuffers != fixedBuffers) {
    return -1;  // a loaded sound or a stream of the other kind
  }
  slot->rest.reset();

  ALuint name = 0;
  if (!slot->fixedBuffers) {
    ALint queued = 0;
    alGetSourcei(slot->source, AL_BUFFERS_QUEUED, &queued);
    if (checkError("error getting source")) return -1;
    if (queued > 1) {
      const auto deadline = std::chrono::steady_clock::now() + kStreamWait;
      ALint processed = 0;
      for (;;) {
        alGetSourcei(slot->source, AL_BUFFERS_PROCESSED, &processed);
        if (checkError("error getting source")) return -1;
        if (processed > 0) break;
        ALint state = 0;
        alGetSourcei(slot->source, AL_SOURCE_STATE, &state);
        // A paused source never finishes a buffer: the caller tries again later.
        if (state != AL_PLAYING || std::chrono::steady_clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      s.processedCount = processed;
    }
    // Every finished buffer comes off. After an underrun the source has
    // stopped with all of them finished, and one left queued would play
    // again before the new block.
    ALint finished = 0;
    alGetSourcei(slot->source, AL_BUFFERS_PROCESSED, &finished);
    if (checkError("error getting source")) return -1;
    for (; finished > 0; --finished) {
      ALuint done = 0;
      alSourceUnqueueBuffers(slot->source, 1, &done);
      if (checkError("error unqueue source buffers")) return -1;
      slot->freeBuffers.push_back(done);
    }
    if (slot->freeBuffers.empty()) return -1;
    name = slot->freeBuffers.front();
    slot->freeBuffers.pop_front();
  } else {
    if (slot->ringIndex >= slot->bufferCount) return -1;  // every fixed buffer is queued
    name = slot->bufferNames[slot->ringIndex];
  }

  alBufferData(name, alFormat, pcm, byteCount, frequency);
  if (checkError("error filling buffer data")) {
    if (!slot->fixedBuffers) slot->freeBuffers.push_front(name);
    return -1;
  }
  slot->currentBuffer = name;
  alSourceQueueBuffers(slot->source, 1, &name);
  if (checkError("error queue source buffers")) {
    if (!slot->fixedBuffers) slot->freeBuffers.push_front(name);
    return -1;
  }
  if (slot->fixedBuffers) {
    ++slot->ringIndex;
  } else {
    slot->ringIndex = (slot->ringIndex + 1) % kRingBuffers;
    ALint state = 0;
    alGetSourcei(slot->source, AL_SOURCE_STATE, &state);
    if (checkError("error getting sources")) return -1;
    // A paused stream stays paused until it is resumed.
    if (state != AL_PLAYING && state != AL_PAUSED) {
      alSourcePlay(slot->source);
      if (checkError("error playing source")) return -1;
    }
  }
  const ALenum e = alGetError();
  if (e != AL_NO_ERROR) {
    std::printf("**************** ERROR AT ENDING ***********\n");
    printErrorName(e);
  }
  return s.processedCount;
}

int queueSingleBuffer(std::uint32_t id, const void* pcm, int blockBytes, int alFormat, int frequency, int blockCount) {
  EngineState& s = st();
  SoundSlot* slot = liveSlot(id);
  const int frame = frameBytesOf(alFormat);
  if (slot == nullptr || pcm == nullptr || frame == 0 || frequency <= 0 || blockBytes <= 0 || blockCount <= 0)
    return -1;
  std::int64_t total = static_cast<std::int64_t>(blockBytes) * blockCount;
  if (total > kMaxStreamUpload) return -1;
  total -= total % frame;
  if (total <= 0) return -1;
  printStepError(1);
  if (slot->source == 0) {
    printStepError(11);
    alGenSources(1, &slot->source);
    printStepError(2);
    if (slot->source == 0) return -1;
    slot->bufferCount = 1;
    slot->bufferNames.assign(1, 0);
    alGenBuffers(1, &slot->bufferNames[0]);
    printStepError(3);
    if (slot->bufferNames[0] == 0) {
      freeSlotObjects(*slot);
      return -1;
    }
    slot->ringIndex = 0;
    slot->streaming = false;
    slot->rest.reset();
    slot->clock.reset(createClock(id));
    slot->stereo = isStereoFormat(alFormat);
  } else if (slot->streaming || !slot->clock || slot->bufferNames.empty() || slot->bufferNames[0] == 0) {
    return -1;  // a loaded sound or a queued stream
  } else {
    // A new sound track for the same slot: the queued buffer is taken off
    // first (a queued buffer cannot be refilled) and the clock starts over.
    alSourceStop(slot->source);
    alSourcei(slot->source, AL_BUFFER, 0);
    slot->clock->pause();
    slot->clock->reset();
    slot->stereo = isStereoFormat(alFormat);
  }
  alBufferData(slot->bufferNames[0], alFormat, pcm, static_cast<ALsizei>(total), frequency);
  printStepError(4);
  slot->currentBuffer = slot->bufferNames[0];
  alSourceQueueBuffers(slot->source, 1, &slot->currentBuffer);
  printStepError(5);
  return s.processedCount;
}

void releaseStream(std::uint32_t id) {
  if (st().slots.empty()) return;
  stopSound(id);
  unloadSound(id);
  SoundSlot* slot = liveSlot(id);
  if (slot == nullptr) return;
  freeSlotObjects(*slot);  // names of a slot whose source failed to generate
  slot->bufferNames.clear();
  slot->bufferCount = 0;
}

}  // namespace AudioEngine
