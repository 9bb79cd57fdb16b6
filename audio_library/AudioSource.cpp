#include "audio_library/AudioSource.h"

#include <AL/efx.h>

#include <algorithm>

#include "audio_library/AlLock.h"
#include "audio_library/Effect.h"
#include "audio_library/Filter.h"
#include "caural/ILogger.h"

namespace cAural {

namespace {
constexpr const char* kSender = "Audio Source";
constexpr int kDecoderErrorLimit = 3;
}  // namespace

ALenum openALFormat(AudioFormat format) {
  switch (format) {
    case FORMAT_STEREO8: return AL_FORMAT_STEREO8;
    case FORMAT_MONO16: return AL_FORMAT_MONO16;
    case FORMAT_STEREO16: return AL_FORMAT_STEREO16;
    default: return AL_FORMAT_MONO8;
  }
}

std::int32_t frameBytes(AudioFormat format) {
  switch (format) {
    case FORMAT_STEREO8:
    case FORMAT_MONO16: return 2;
    case FORMAT_STEREO16: return 4;
    default: return 1;
  }
}

cAuralSource::cAuralSource(IAudioDecoder* decoder, ALCcontext* context, EfxFunctionTable* efx)
    : context_(context), decoder_(decoder), efx_(efx) {
  cMutexLock lock(mutex_);
  if (decoder_ != nullptr) decoder_->addRef();
  if (efx_ != nullptr) efx_->addRef();
  cAlLock al(context_);
  alGenBuffers(kBufferCount, buffers_);
  bool ok = !checkError();
  if (ok) {
    alGenSources(1, &source_);
    ok = !checkError();
    if (!ok) {
      alDeleteBuffers(kBufferCount, buffers_);
      alGetError();
      source_ = 0;
    }
  } else {
    for (ALuint& b : buffers_) b = 0;
  }
  if (!ok) released_ = true;
  valid_ = ok && decoder_ != nullptr && context_ != nullptr && efx_ != nullptr;
  if (context_ != nullptr) {
    ALCint sends = 0;
    alcGetIntegerv(alcGetContextsDevice(context_), ALC_MAX_AUXILIARY_SENDS, 1, &sends);
    slotCount_ = static_cast<std::uint32_t>(std::clamp<ALCint>(sends, 0, kMaxSends));
  }
}

cAuralSource::~cAuralSource() {
  dying_ = true;
  // Normally the manager has freed the OpenAL side already. The release
  // handlers run in there, before the list below goes.
  if (!released_) release();
  cMutexLock lock(mutex_);
  if (decoder_ != nullptr) decoder_->IRefCounted::release();
  decoder_ = nullptr;
  for (IEffect*& e : effects_) {
    if (e != nullptr) e->IRefCounted::release();
    e = nullptr;
  }
  if (filter_ != nullptr) filter_->IRefCounted::release();
  filter_ = nullptr;
  handlers_.clear();
  if (efx_ != nullptr) efx_->release();
}

bool cAuralSource::checkError() {
  const ALenum code = alGetError();
  if (code == AL_NO_ERROR) return false;
  if (code == AL_OUT_OF_MEMORY) {
    getLogger()->logCritical(kSender, "OpenAL Error: %s.", alErrorText(code));
  } else {
    getLogger()->logError(kSender, "OpenAL Error: %s.", alErrorText(code));
  }
  return true;
}

ALint cAuralSource::sourceState() {
  cMutexLock lock(mutex_);
  if (released_) return AL_STOPPED;
  ALint state = AL_INITIAL;
  cAlLock al(context_);
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  alGetError();
  return state;
}

cAuralSource::EventGuard::EventGuard(cAuralSource& source) : source_(source) {
  source_.mutex_.lock();
  outermost_ = source_.guardDepth_++ == 0;
}

cAuralSource::EventGuard::~EventGuard() {
  --source_.guardDepth_;
  const bool deliver = outermost_ && !source_.pendingEvents_.empty();
  source_.mutex_.unlock();
  if (deliver) source_.deliverEvents();
}

void cAuralSource::signalEvent(SourceEventType event) {
  // Update passes made while a handler still hears of the last one are told once.
  if (event == SOURCE_EVENT_UPDATE && !pendingEvents_.empty() && pendingEvents_.back() == SOURCE_EVENT_UPDATE) return;
  try {
    pendingEvents_.push_back(event);
  } catch (const std::bad_alloc&) {
  }
}

void cAuralSource::deliverEvents() {
  // Events raised on two threads (a play by the caller, the end of the
  // stream seen by the update thread) must not overtake each other: whoever
  // tells the handlers first tells them all, in order.
  bool held = false;
  {
    cMutexLock lock(mutex_);
    if (delivering_ || pendingEvents_.empty()) return;
    delivering_ = true;
    // A handler may drop the last reference meanwhile (releaseSource).
    if (!dying_) {
      addRef();
      held = true;
    }
  }
  std::vector<ISourceEventHandler*, cAllocator<ISourceEventHandler*>> handlers;
  for (;;) {
    SourceEventType event = SOURCE_EVENT_UPDATE;
    {
      cMutexLock lock(mutex_);
      if (pendingEvents_.empty()) {
        delivering_ = false;
        break;
      }
      event = pendingEvents_.front();
      pendingEvents_.erase(pendingEvents_.begin());
      // A handler may change the list: walk a copy.
      try {
        handlers = handlers_;
      } catch (const std::bad_alloc&) {
        continue;
      }
    }
    for (ISourceEventHandler* h : handlers) {
      switch (event) {
        case SOURCE_EVENT_UPDATE: h->onUpdate(); break;
        case SOURCE_EVENT_RELEASE: h->onRelease(); break;
        case SOURCE_EVENT_PLAY: h->onPlay(); break;
        case SOURCE_EVENT_PAUSE: h->onPause(); break;
        case SOURCE_EVENT_STOP: h->onStop(); break;
      }
    }
  }
  if (held) IRefCounted::release();
}

bool cAuralSource::streamBuffer(ALuint buffer) {
  if (decoder_ == nullptr) return false;
  std::uint8_t block[kBufferBytes];
  std::int32_t total = 0;
  int errors = 0;
  bool rewound = false;
  while (total < kBufferBytes) {
    const std::int32_t got = decoder_->readAudioData(block + total, kBufferBytes - total);
    if (got < 0) {
      ++errors;
      getLogger()->logDebug(kSender, "Decoder returned an error: %i (%i of 3)", got, errors);
      if (errors >= kDecoderErrorLimit) {
        getLogger()->logError(kSender, "The decoder failed %i times: source stopped.", errors);
        // Nothing read after the stop goes up.
        stop();
        return false;
      }
      continue;
    }
    if (got == 0) {
      // A rewind that brings nothing is an empty stream: looping it would never end.
      if (!looping_ || rewound) break;
      decoder_->setPosition(0, false);
      getLogger()->logDebug(kSender, "Buffer looping.");
      rewound = true;
      continue;
    }
    total += std::min(got, kBufferBytes - total);
    rewound = false;
  }
  // OpenAL takes whole frames only.
  const AudioFormat format = decoder_->getFormat();
  total -= total % frameBytes(format);
  if (total <= 0) return false;
  getLogger()->logDebug(kSender, "Buffered %i bytes of data into buffer %u at %i hz.", total, buffer,
                        decoder_->getFrequency());
  alBufferData(buffer, openALFormat(format), block, total, decoder_->getFrequency());
  if (checkError()) return false;
  bytesBuffered_ += total;
  return true;
}

void cAuralSource::detachQueue() {
  alSourcei(source_, AL_BUFFER, 0);
  checkError();
}

bool cAuralSource::play() {
  EventGuard guard(*this);
  if (!valid_) return false;
  {
    cAlLock al(context_);
    ALint state = AL_INITIAL;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    checkError();
    if (state == AL_PLAYING) {
      refreshSends();
      return true;
    }
    if (state != AL_PAUSED) {
      if (state == AL_STOPPED && lastState_ == AL_PLAYING) {
        // OpenAL ended the last play before the update thread saw it: that
        // play is over (its stop is told first), and this one starts from
        // the beginning, not from where the decoder ran out.
        if (decoder_ != nullptr) decoder_->setPosition(0, false);
        getLogger()->logDebug(kSender, "Source stopped.");
        signalEvent(SOURCE_EVENT_STOP);
      }
      detachQueue();
      lastState_ = AL_INITIAL;
      int filled = 0;
      while (filled < kBufferCount && streamBuffer(buffers_[filled])) ++filled;
      // The decoder failed while filling: stopped already.
      if (lastState_ == AL_STOPPED || !valid_) return false;
      if (filled > 0) {
        alSourceQueueBuffers(source_, filled, buffers_);
        checkError();
      }
    }
    refreshSends();
    alSourcePlay(source_);
    checkError();
    getLogger()->logDebug(kSender, "Source playing.");
    lastState_ = AL_PLAYING;
  }
  signalEvent(SOURCE_EVENT_PLAY);
  return true;
}

bool cAuralSource::playRelative(const bool& loop) {
  EventGuard guard(*this);
  if (!valid_) return false;
  {
    cAlLock al(context_);
    alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
    checkError();
  }
  setLooping(loop);
  return play();
}

bool cAuralSource::playAt(const cVector3& position, const float& strength, const bool& loop) {
  EventGuard guard(*this);
  if (!valid_) return false;
  {
    cAlLock al(context_);
    alSourcei(source_, AL_SOURCE_RELATIVE, AL_FALSE);
    checkError();
  }
  setPosition(position);
  setStrength(strength);
  setLooping(loop);
  return play();
}

void cAuralSource::pause() {
  EventGuard guard(*this);
  if (!valid_) return;
  {
    cAlLock al(context_);
    alSourcePause(source_);
    checkError();
    getLogger()->logDebug(kSender, "Source paused.");
    lastState_ = AL_PAUSED;
  }
  signalEvent(SOURCE_EVENT_PAUSE);
}

void cAuralSource::stop() {
  EventGuard guard(*this);
  if (!valid_) return;
  {
    cAlLock al(context_);
    alSourceStop(source_);
    checkError();
    // Stopped buffers all count as processed: detached, nothing streams
    // until the next play, which starts from the beginning.
    detachQueue();
    if (decoder_ != nullptr) decoder_->setPosition(0, false);
    getLogger()->logDebug(kSender, "Source stopped.");
    lastState_ = AL_STOPPED;
  }
  signalEvent(SOURCE_EVENT_STOP);
}

void cAuralSource::setLooping(const bool& loop) {
  cMutexLock lock(mutex_);
  looping_ = loop;
}

bool cAuralSource::seek(const float& seconds, bool relative) {
  cMutexLock lock(mutex_);
  if (decoder_ == nullptr || !decoder_->isSeekable()) return false;
  return decoder_->seek(seconds, relative);
}

// Under the lock: the update thread decodes from the same decoder.
#define CAURAL_DECODER_QUERY(type, name)           \
  type cAuralSource::name() {                      \
    cMutexLock lock(mutex_);                       \
    return decoder_ != nullptr ? decoder_->name() : type{}; \
  }
CAURAL_DECODER_QUERY(float, getTotalTime)
CAURAL_DECODER_QUERY(std::int32_t, getTotalSize)
CAURAL_DECODER_QUERY(std::int32_t, getCompressedSize)
CAURAL_DECODER_QUERY(float, getCurrentTime)
CAURAL_DECODER_QUERY(std::int32_t, getCurrentPosition)
CAURAL_DECODER_QUERY(std::int32_t, getCurrentCompressedPosition)
#undef CAURAL_DECODER_QUERY

bool cAuralSource::update() {
  // Alive for both halves, whatever the handlers of the first do.
  addRef();
  struct Drop {
    cAuralSource* s;
    ~Drop() { s->IRefCounted::release(); }
  } drop{this};
  bool result = true;
  {
    EventGuard guard(*this);
    if (!valid_) return false;
    cAlLock al(context_);
    refreshSends();
    if (lastState_ == AL_PLAYING || lastState_ == AL_PAUSED) {
      ALint processed = 0;
      alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
      checkError();
      while (processed-- > 0 && valid_ && lastState_ != AL_STOPPED) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(source_, 1, &buffer);
        if (checkError()) break;
        result = streamBuffer(buffer);
        if (result && lastState_ != AL_STOPPED) alSourceQueueBuffers(source_, 1, &buffer);
        checkError();
      }
    }
    signalEvent(SOURCE_EVENT_UPDATE);
  }
  // The update handlers have run: one of them may have released the source.
  EventGuard guard(*this);
  if (!valid_) return result;
  {
    cAlLock al(context_);
    ALint state = AL_INITIAL;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    checkError();
    if (state == AL_STOPPED && lastState_ != AL_STOPPED && lastState_ != 0) {
      detachQueue();
      if (decoder_ != nullptr) decoder_->setPosition(0, false);
      getLogger()->logDebug(kSender, "Source stopped.");
      lastState_ = AL_STOPPED;
      signalEvent(SOURCE_EVENT_STOP);
    }
  }
  return result;
}

void cAuralSource::release() {
  EventGuard guard(*this);
  if (released_) return;
  released_ = true;
  valid_ = false;
  {
    cAlLock al(context_);
    alSourceStop(source_);
    ALint queued = 0;
    alGetSourcei(source_, AL_BUFFERS_QUEUED, &queued);
    for (ALint i = 0; i < queued; ++i) {
      ALuint buffer = 0;
      alSourceUnqueueBuffers(source_, 1, &buffer);
      checkError();
    }
    alSourcei(source_, AL_DIRECT_FILTER, AL_FILTER_NULL);
    for (std::uint32_t s = 0; s < slotCount_; ++s)
      alSource3i(source_, AL_AUXILIARY_SEND_FILTER, AL_EFFECTSLOT_NULL, static_cast<ALint>(s), AL_FILTER_NULL);
    alDeleteSources(1, &source_);
    alDeleteBuffers(kBufferCount, buffers_);
    checkError();
    getLogger()->logDebug(kSender, "Audio source released.");
  }
  signalEvent(SOURCE_EVENT_RELEASE);
}

void cAuralSource::refreshSends() {
  updateDirectFilter(false);
  for (std::uint32_t s = 0; s < kMaxSends; ++s) updateEffectSend(s, false);
}

void cAuralSource::updateDirectFilter(bool remove) {
  auto* f = dynamic_cast<cFilter*>(filter_);
  Applied want;
  want.known = true;
  if (!remove && f != nullptr && f->isValid()) {
    want.filter = f->getOpenALFilter();
    want.filterCount = f->getUpdateCount();
  }
  const Applied& had = direct_;
  if (had.known && had.filter == want.filter && had.filterCount == want.filterCount) return;
  direct_ = want;
  alSourcei(source_, AL_DIRECT_FILTER, static_cast<ALint>(want.filter));
  checkError();
}

void cAuralSource::updateEffectSend(std::uint32_t send, bool remove) {
  if (send >= slotCount_) return;
  auto* e = dynamic_cast<cEffect*>(effects_[send]);
  Applied want;
  want.known = true;
  if (!remove && e != nullptr && e->isValid()) {
    want.slot = e->getOpenALEffectSlot();
    want.effectCount = e->getUpdateCount();
    // The effect's filter changes are copied into the send too. Read through
    // the effect: its caller may swap the filter (and free the old) meanwhile.
    if (!e->readFilter(want.filter, want.filterCount)) {
      want.filter = 0;
      want.filterCount = 0;
    }
  }
  const Applied& had = sends_[send];
  if (had.known && had.slot == want.slot && had.effectCount == want.effectCount && had.filter == want.filter &&
      had.filterCount == want.filterCount)
    return;
  sends_[send] = want;
  alSource3i(source_, AL_AUXILIARY_SEND_FILTER, static_cast<ALint>(want.slot), static_cast<ALint>(send),
             static_cast<ALint>(want.filter));
  checkError();
}

bool cAuralSource::attachEffect(std::uint32_t send, IEffect* effect) {
  cMutexLock lock(mutex_);
  if (send >= slotCount_) return false;
  if (effect != nullptr) effect->addRef();
  if (effects_[send] != nullptr) effects_[send]->IRefCounted::release();
  effects_[send] = effect;
  if (!valid_) return true;
  cAlLock al(context_);
  sends_[send].known = false;  // applied anew, whatever the counts say
  updateEffectSend(send, false);
  return true;
}

void cAuralSource::detachEffect(std::uint32_t send) {
  cMutexLock lock(mutex_);
  if (send >= slotCount_) return;
  if (effects_[send] != nullptr) effects_[send]->IRefCounted::release();
  effects_[send] = nullptr;
  if (!valid_) return;
  cAlLock al(context_);
  sends_[send].known = false;
  updateEffectSend(send, true);
}

bool cAuralSource::attachFilter(IFilter* filter) {
  cMutexLock lock(mutex_);
  if (filter != nullptr) filter->addRef();
  if (filter_ != nullptr) filter_->IRefCounted::release();
  filter_ = filter;
  if (!valid_) return true;
  cAlLock al(context_);
  direct_.known = false;
  updateDirectFilter(false);
  return true;
}

void cAuralSource::detachFilter() {
  cMutexLock lock(mutex_);
  if (filter_ != nullptr) filter_->IRefCounted::release();
  filter_ = nullptr;
  if (!valid_) return;
  cAlLock al(context_);
  direct_.known = false;
  updateDirectFilter(true);
}

void cAuralSource::registerEventHandler(ISourceEventHandler* handler) {
  if (handler == nullptr) return;
  cMutexLock lock(mutex_);
  try {
    handlers_.push_back(handler);
  } catch (const std::bad_alloc&) {
    getLogger()->logError(kSender, "No memory for an event handler.");
  }
}

void cAuralSource::unregisterEventHandler(ISourceEventHandler* handler) {
  if (handler == nullptr) return;
  cMutexLock lock(mutex_);
  handlers_.erase(std::remove(handlers_.begin(), handlers_.end(), handler), handlers_.end());
}

void cAuralSource::unregisterAllEventHandlers() {
  cMutexLock lock(mutex_);
  handlers_.clear();
}

void cAuralSource::setFloat(ALenum param, float value) {
  cMutexLock lock(mutex_);
  if (released_) return;
  cAlLock al(context_);
  alSourcef(source_, param, value);
  checkError();
}

void cAuralSource::setVector(ALenum param, const cVector3& v) {
  cMutexLock lock(mutex_);
  if (released_) return;
  cAlLock al(context_);
  alSource3f(source_, param, v.x, v.y, v.z);
  checkError();
}

float cAuralSource::getFloat(ALenum param) {
  cMutexLock lock(mutex_);
  ALfloat value = 0.0f;
  if (released_) return value;
  cAlLock al(context_);
  alGetSourcef(source_, param, &value);
  alGetError();
  return value;
}

cVector3 cAuralSource::getVector(ALenum param) {
  cMutexLock lock(mutex_);
  ALfloat v[3] = {0.0f, 0.0f, 0.0f};
  if (released_) return {};
  cAlLock al(context_);
  alGetSourcefv(source_, param, v);
  alGetError();
  return {v[0], v[1], v[2]};
}

float cAuralSource::getStrength() {
  const float rolloff = getFloat(AL_ROLLOFF_FACTOR);
  return rolloff > 0.0f ? 1.0f / rolloff : 0.0f;
}

void cAuralSource::setDopplerVelocity(const cVector3& v) {
  cMutexLock lock(mutex_);
  dopplerVelocity_ = v;
}

cVector3 cAuralSource::getDopplerVelocity() {
  cMutexLock lock(mutex_);
  return dopplerVelocity_;
}

void cAuralSource::move(const cVector3& position) {
  cMutexLock lock(mutex_);
  if (released_) return;
  cAlLock al(context_);
  ALfloat old[3] = {0.0f, 0.0f, 0.0f};
  alGetSourcefv(source_, AL_POSITION, old);
  alSource3f(source_, AL_VELOCITY, position.x - old[0], position.y - old[1], position.z - old[2]);
  alSource3f(source_, AL_POSITION, position.x, position.y, position.z);
  checkError();
}

}  // namespace cAural
