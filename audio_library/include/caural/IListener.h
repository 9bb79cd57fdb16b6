#pragma once
// The listener of one audio manager: the values last set, each pushed to
// OpenAL at once in the manager's context.
#include "caural/EffectTypes.h"
#include "sound/aural/AuralBase.h"

namespace cAural {

// A member of its audio manager (IAudioManager::getListener), never released.
// The setters may be called from any thread.
class CAURAL_API IListener {
 public:
  virtual ~IListener() = default;
  virtual void setPosition(const cVector3& position) = 0;
  virtual void setDirection(const cVector3& direction) = 0;
  virtual void setUpVector(const cVector3& up) = 0;
  virtual void setVelocity(const cVector3& velocity) = 0;
  virtual void setMasterGain(const float& gain) = 0;
  // Velocity := position - the stored position; then both are sent.
  virtual void move(const cVector3& position) = 0;
  virtual const cVector3& getPosition() = 0;
  virtual const cVector3& getDirection() = 0;
  virtual const cVector3& getUpVector() = 0;
  virtual const cVector3& getVelocity() = 0;
  virtual const float& getMasterGain() = 0;
  virtual void setMetersPerUnit(const float& meters) = 0;
  virtual float getMetersPerUnit() = 0;
};

}  // namespace cAural
