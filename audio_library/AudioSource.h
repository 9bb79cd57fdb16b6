#pragma once
// One OpenAL source streamed from a decoder through three buffers.
#include <AL/al.h>
#include <AL/alc.h>

#include <atomic>
#include <vector>

#include "audio_library/Efx.h"
#include "caural/IAudioSource.h"
#include "sound/aural/AudioDecoder.h"

namespace cAural {

class cEffect;
class cFilter;

// The OpenAL buffer format of a decoder's layout (mono 8-bit for unknown ones)
// and the bytes of one frame of it.
ALenum openALFormat(AudioFormat format);
std::int32_t frameBytes(AudioFormat format);

class cAuralSource : public IAudioSource, public cMemoryOverride {
 public:
  static constexpr std::int32_t kBufferBytes = 65536;
  static constexpr int kBufferCount = 3;
  static constexpr std::uint32_t kMaxSends = 4;

  cAuralSource(IAudioDecoder* decoder, ALCcontext* context, EfxFunctionTable* efx);
  ~cAuralSource() override;

  bool play() override;
  bool playRelative(const bool& loop) override;
  bool playAt(const cVector3& position, const float& strength, const bool& loop) override;
  void pause() override;
  void stop() override;
  void setLooping(const bool& loop) override;
  bool seek(const float& seconds, bool relative) override;

  float getTotalTime() override;
  std::int32_t getTotalSize() override;
  std::int32_t getCompressedSize() override;
  float getCurrentTime() override;
  std::int32_t getCurrentPosition() override;
  std::int32_t getCurrentCompressedPosition() override;

  bool update() override;
  void release() override;

  bool isValid() override { return valid_.load(); }
  bool isPlaying() override { return sourceState() == AL_PLAYING; }
  bool isPaused() override { return sourceState() == AL_PAUSED; }
  bool isStopped() override { return sourceState() == AL_STOPPED; }
  bool isLooping() override { return looping_.load(); }

  void setPosition(const cVector3& v) override { setVector(AL_POSITION, v); }
  void setVelocity(const cVector3& v) override { setVector(AL_VELOCITY, v); }
  void setDirection(const cVector3& v) override { setVector(AL_DIRECTION, v); }
  void setRolloffFactor(const float& v) override { setFloat(AL_ROLLOFF_FACTOR, v); }
  void setStrength(const float& v) override { setFloat(AL_ROLLOFF_FACTOR, v > 0.0f ? 1.0f / v : 0.0f); }
  void setReferenceDistance(const float& v) override { setFloat(AL_REFERENCE_DISTANCE, v); }
  void setMaxDistance(const float& v) override { setFloat(AL_MAX_DISTANCE, v); }
  void setPitch(const float& v) override { setFloat(AL_PITCH, v); }
  void setGain(const float& v) override { setFloat(AL_GAIN, v); }
  void setMinGain(const float& v) override { setFloat(AL_MIN_GAIN, v); }
  void setMaxGain(const float& v) override { setFloat(AL_MAX_GAIN, v); }
  void setConeInnerAngle(const float& v) override { setFloat(AL_CONE_INNER_ANGLE, v); }
  void setConeOuterAngle(const float& v) override { setFloat(AL_CONE_OUTER_ANGLE, v); }
  void setConeOuterGain(const float& v) override { setFloat(AL_CONE_OUTER_GAIN, v); }
  void setDopplerFactor(const float& v) override { setFloat(kDopplerFactor, v); }
  void setDopplerVelocity(const cVector3& v) override;
  void move(const cVector3& position) override;

  cVector3 getPosition() override { return getVector(AL_POSITION); }
  cVector3 getVelocity() override { return getVector(AL_VELOCITY); }
  cVector3 getDirection() override { return getVector(AL_DIRECTION); }
  float getRolloffFactor() override { return getFloat(AL_ROLLOFF_FACTOR); }
  float getStrength() override;
  float getReferenceDistance() override { return getFloat(AL_REFERENCE_DISTANCE); }
  float getMaxDistance() override { return getFloat(AL_MAX_DISTANCE); }
  float getPitch() override { return getFloat(AL_PITCH); }
  float getGain() override { return getFloat(AL_GAIN); }
  float getMinGain() override { return getFloat(AL_MIN_GAIN); }
  float getMaxGain() override { return getFloat(AL_MAX_GAIN); }
  float getConeInnerAngle() override { return getFloat(AL_CONE_INNER_ANGLE); }
  float getConeOuterAngle() override { return getFloat(AL_CONE_OUTER_ANGLE); }
  float getConeOuterGain() override { return getFloat(AL_CONE_OUTER_GAIN); }
  float getDopplerFactor() override { return getFloat(kDopplerFactor); }
  cVector3 getDopplerVelocity() override;

  void registerEventHandler(ISourceEventHandler* handler) override;
  void unregisterEventHandler(ISourceEventHandler* handler) override;
  void unregisterAllEventHandlers() override;

  std::uint32_t getEffectSlotCount() override { return slotCount_; }
  bool attachEffect(std::uint32_t send, IEffect* effect) override;
  void detachEffect(std::uint32_t send) override;
  bool attachFilter(IFilter* filter) override;
  void detachFilter() override;

  ALuint getOpenALSource() const { return source_; }
  // Bytes handed to OpenAL since creation (for tests and measurements).
  std::int64_t getBytesBuffered() const { return bytesBuffered_.load(); }

 private:
  static constexpr ALenum kDopplerFactor = 0xC000;
  // What was last given to OpenAL for a send or the direct filter.
  struct Applied {
    bool known = false;
    ALuint slot = 0;
    ALuint filter = 0;
    std::uint32_t effectCount = 0;
    std::uint32_t filterCount = 0;
  };

  // Holds the lock for a scope. Events raised meanwhile wait, and go to the
  // handlers once the outermost guard of this thread has let go of the lock:
  // a handler may then call into the source or the manager, or wait for
  // another thread that does. One thread at a time tells the handlers, in
  // the order the events happened.
  class EventGuard {
   public:
    explicit EventGuard(cAuralSource& source);
    ~EventGuard();
    EventGuard(const EventGuard&) = delete;
    EventGuard& operator=(const EventGuard&) = delete;

   private:
    cAuralSource& source_;
    bool outermost_ = false;
  };

  bool checkError();
  ALint sourceState();
  bool streamBuffer(ALuint buffer);
  void detachQueue();
  void updateDirectFilter(bool remove);
  void updateEffectSend(std::uint32_t send, bool remove);
  void refreshSends();
  // Queues an event for the handlers (under the lock of an EventGuard).
  void signalEvent(SourceEventType event);
  // Tells the handlers of the queued events, oldest first, without the lock;
  // nothing when another thread is telling them already (it takes these too).
  void deliverEvents();
  void setFloat(ALenum param, float value);
  void setVector(ALenum param, const cVector3& v);
  float getFloat(ALenum param);
  cVector3 getVector(ALenum param);

  cMutex mutex_;
  ALCcontext* context_;
  ALuint buffers_[kBufferCount] = {};
  ALuint source_ = 0;
  ALint lastState_ = 0;
  IAudioDecoder* decoder_ = nullptr;
  std::atomic<bool> looping_{false};
  std::atomic<bool> valid_{false};
  bool released_ = false;
  std::vector<ISourceEventHandler*, cAllocator<ISourceEventHandler*>> handlers_;
  std::vector<SourceEventType, cAllocator<SourceEventType>> pendingEvents_;
  int guardDepth_ = 0;       // EventGuards on the lock's owner
  bool delivering_ = false;  // a thread is telling the handlers
  bool dying_ = false;       // in the destructor: no reference can be taken
  EfxFunctionTable* efx_ = nullptr;
  IEffect* effects_[kMaxSends] = {};
  Applied sends_[kMaxSends];
  IFilter* filter_ = nullptr;
  Applied direct_;
  std::uint32_t slotCount_ = 0;
  cVector3 dopplerVelocity_;
  std::atomic<std::int64_t> bytesBuffered_{0};
};

}  // namespace cAural
