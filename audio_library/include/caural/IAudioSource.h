#pragma once
// One playable sound: an OpenAL source fed from a decoder through three
// queued buffers, with 3-D properties, up to four effect sends, a direct
// filter and event handlers.
#include <cstdint>

#include "caural/EffectTypes.h"
#include "caural/IEffect.h"
#include "sound/aural/AuralBase.h"

namespace cAural {

enum SourceEventType : std::int32_t {
  SOURCE_EVENT_UPDATE = 0,
  SOURCE_EVENT_RELEASE = 1,
  SOURCE_EVENT_PLAY = 2,
  SOURCE_EVENT_PAUSE = 3,
  SOURCE_EVENT_STOP = 4,
};

// The handlers of one source hear of its events one at a time, in the order
// the events happened, with no lock of the source held: on the thread that
// caused the event, or on the thread still telling them of an earlier event
// of the same source (a play from the caller's thread, the end of the stream
// seen by the update thread). Updates and the end of a stream come from the
// manager's update, which holds the manager's lock meanwhile.
// A handler may call into the source or the manager, release its own source
// through the manager, or wait for another thread that does; it must not
// wait for a later event of its own source. The source does not own its
// handlers: unregister one before it goes.
class CAURAL_API ISourceEventHandler {
 public:
  virtual ~ISourceEventHandler() = default;
  virtual void onUpdate() = 0;
  virtual void onRelease() = 0;
  virtual void onPlay() = 0;
  virtual void onStop() = 0;
  virtual void onPause() = 0;
};

// Made and owned by an audio manager (see IAudioManager::releaseSource); a
// caller that keeps a pointer past the manager's release holds a reference
// of its own (addRef, then IRefCounted::release). Every operation may be
// called from any thread; the source's lock makes them one at a time, and
// the update thread feeds the source meanwhile.
class CAURAL_API IAudioSource : public IRefCounted {
 public:
  ~IAudioSource() override = default;

  // Fills the buffers from the decoder and starts; a paused source resumes
  // where it was, a stopped or ended one starts from the beginning. On a
  // source already playing, only its filter and effect sends are refreshed.
  virtual bool play() = 0;
  virtual bool playRelative(const bool& loop) = 0;
  virtual bool playAt(const cVector3& position, const float& strength, const bool& loop) = 0;
  virtual void pause() = 0;
  // The next play starts from the beginning.
  virtual void stop() = 0;
  virtual void setLooping(const bool& loop) = 0;
  // Queued audio is not discarded: the jump is heard once it has played.
  virtual bool seek(const float& seconds, bool relative) = 0;

  virtual float getTotalTime() = 0;
  virtual std::int32_t getTotalSize() = 0;
  virtual std::int32_t getCompressedSize() = 0;
  virtual float getCurrentTime() = 0;
  virtual std::int32_t getCurrentPosition() = 0;
  virtual std::int32_t getCurrentCompressedPosition() = 0;

  // Called by the manager (on the update thread): streams, applies changed
  // effects and filters, raises the events. False when a buffer got no data.
  virtual bool update() = 0;
  // Frees the OpenAL side; the source is invalid afterwards. (To drop a
  // reference, call IRefCounted::release.)
  virtual void release() = 0;

  virtual bool isValid() = 0;
  virtual bool isPlaying() = 0;
  virtual bool isPaused() = 0;
  virtual bool isStopped() = 0;
  virtual bool isLooping() = 0;

  virtual void setPosition(const cVector3& v) = 0;
  virtual void setVelocity(const cVector3& v) = 0;
  virtual void setDirection(const cVector3& v) = 0;
  virtual void setRolloffFactor(const float& v) = 0;
  // The inverse of the rolloff factor (0 for 0 or less).
  virtual void setStrength(const float& v) = 0;
  virtual void setReferenceDistance(const float& v) = 0;
  virtual void setMaxDistance(const float& v) = 0;
  virtual void setPitch(const float& v) = 0;
  virtual void setGain(const float& v) = 0;
  virtual void setMinGain(const float& v) = 0;
  virtual void setMaxGain(const float& v) = 0;
  virtual void setConeInnerAngle(const float& v) = 0;
  virtual void setConeOuterAngle(const float& v) = 0;
  virtual void setConeOuterGain(const float& v) = 0;
  virtual void setDopplerFactor(const float& v) = 0;
  // OpenAL has no per-source Doppler velocity: the value is kept, not sent.
  virtual void setDopplerVelocity(const cVector3& v) = 0;
  virtual void move(const cVector3& position) = 0;

  virtual cVector3 getPosition() = 0;
  virtual cVector3 getVelocity() = 0;
  virtual cVector3 getDirection() = 0;
  virtual float getRolloffFactor() = 0;
  virtual float getStrength() = 0;
  virtual float getReferenceDistance() = 0;
  virtual float getMaxDistance() = 0;
  virtual float getPitch() = 0;
  virtual float getGain() = 0;
  virtual float getMinGain() = 0;
  virtual float getMaxGain() = 0;
  virtual float getConeInnerAngle() = 0;
  virtual float getConeOuterAngle() = 0;
  virtual float getConeOuterGain() = 0;
  virtual float getDopplerFactor() = 0;
  virtual cVector3 getDopplerVelocity() = 0;

  virtual void registerEventHandler(ISourceEventHandler* handler) = 0;
  virtual void unregisterEventHandler(ISourceEventHandler* handler) = 0;
  virtual void unregisterAllEventHandlers() = 0;

  // Sends usable on this device, at most 4.
  virtual std::uint32_t getEffectSlotCount() = 0;
  // Attaching takes a reference on the effect or filter (and drops the one
  // on what was attached before); detaching and the source's end drop it.
  // The caller keeps its own reference, to release when done.
  virtual bool attachEffect(std::uint32_t send, IEffect* effect) = 0;
  virtual void detachEffect(std::uint32_t send) = 0;
  virtual bool attachFilter(IFilter* filter) = 0;
  virtual void detachFilter() = 0;
};

}  // namespace cAural
