#include "audio_library/Listener.h"

#include <AL/efx.h>

#include "audio_library/AlLock.h"
#include "caural/ILogger.h"

namespace cAural {

void cListener::checkError() {
  const ALenum code = alGetError();
  if (code != AL_NO_ERROR) getLogger()->logError("AudioManager", "OpenAL Error: %s.", alErrorText(code));
}

void cListener::setPosition(const cVector3& position) {
  cMutexLock lock(mutex_);
  position_ = position;
  cAlLock al(context_);
  alListener3f(AL_POSITION, position_.x, position_.y, position_.z);
  checkError();
}

void cListener::sendOrientation() {
  const ALfloat values[6] = {direction_.x, direction_.y, direction_.z, up_.x, up_.y, up_.z};
  cAlLock al(context_);
  alListenerfv(AL_ORIENTATION, values);
  checkError();
}

void cListener::setDirection(const cVector3& direction) {
  cMutexLock lock(mutex_);
  direction_ = direction;
  sendOrientation();
}

void cListener::setUpVector(const cVector3& up) {
  cMutexLock lock(mutex_);
  up_ = up;
  sendOrientation();
}

void cListener::setVelocity(const cVector3& velocity) {
  cMutexLock lock(mutex_);
  velocity_ = velocity;
  cAlLock al(context_);
  alListener3f(AL_VELOCITY, velocity_.x, velocity_.y, velocity_.z);
  checkError();
}

void cListener::setMasterGain(const float& gain) {
  cMutexLock lock(mutex_);
  gain_ = gain;
  cAlLock al(context_);
  alListenerf(AL_GAIN, gain_);
  checkError();
}

void cListener::move(const cVector3& position) {
  cMutexLock lock(mutex_);
  velocity_ = {position.x - position_.x, position.y - position_.y, position.z - position_.z};
  position_ = position;
  cAlLock al(context_);
  alListener3f(AL_POSITION, position_.x, position_.y, position_.z);
  alListener3f(AL_VELOCITY, velocity_.x, velocity_.y, velocity_.z);
  checkError();
}

void cListener::setMetersPerUnit(const float& meters) {
  cMutexLock lock(mutex_);
  cAlLock al(context_);
  alListenerf(AL_METERS_PER_UNIT, meters);
  checkError();
}

float cListener::getMetersPerUnit() {
  cMutexLock lock(mutex_);
  ALfloat value = 1.0f;
  cAlLock al(context_);
  alGetListenerf(AL_METERS_PER_UNIT, &value);
  alGetError();
  return value;
}

}  // namespace cAural
