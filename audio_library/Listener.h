#pragma once
// The listener of one manager's context.
#include <AL/al.h>
#include <AL/alc.h>

#include "caural/IListener.h"

namespace cAural {

class cListener : public IListener {
 public:
  cListener() = default;

  // The context the listener's calls go to (null: the current one).
  void setContext(ALCcontext* context) { context_ = context; }

  void setPosition(const cVector3& position) override;
  void setDirection(const cVector3& direction) override;
  void setUpVector(const cVector3& up) override;
  void setVelocity(const cVector3& velocity) override;
  void setMasterGain(const float& gain) override;
  void move(const cVector3& position) override;
  const cVector3& getPosition() override { return position_; }
  const cVector3& getDirection() override { return direction_; }
  const cVector3& getUpVector() override { return up_; }
  const cVector3& getVelocity() override { return velocity_; }
  const float& getMasterGain() override { return gain_; }
  void setMetersPerUnit(const float& meters) override;
  float getMetersPerUnit() override;

 private:
  void sendOrientation();
  // Reads the error of the calls just made, so that none is left pending.
  void checkError();

  cMutex mutex_;
  ALCcontext* context_ = nullptr;
  cVector3 position_{0.0f, 0.0f, 0.0f};
  cVector3 direction_{0.0f, 0.0f, -1.0f};
  cVector3 up_{0.0f, 1.0f, 0.0f};
  cVector3 velocity_{0.0f, 0.0f, 0.0f};
  float gain_ = 1.0f;
};

}  // namespace cAural
