#pragma once
// Helpers for the audio library's tests: a receiver that keeps what it is
// given, an OpenAL device and context made current for a test, and a working
// folder of its own for the test program (the logger writes its HTML file there).
#include <AL/al.h>
#include <AL/alc.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "caural/ILogger.h"
#include "support/TempDir.h"

namespace qmtest {

struct LoggedLine {
  std::string sender;
  std::string message;
  cAural::LogLevel level;
};

class CapturingReceiver : public cAural::ILogReceiver {
 public:
  bool receiveMessage(const char* sender, const char* message, cAural::LogLevel level, float) override {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back({sender, message, level});
    return true;
  }
  std::vector<LoggedLine> lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  bool has(const std::string& sender, const std::string& message) {
    for (const auto& l : lines())
      if (l.sender == sender && l.message == message) return true;
    return false;
  }
  void clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<LoggedLine> lines_;
};

// Registered on the library's logger for the scope.
class ScopedCapture : public CapturingReceiver {
 public:
  explicit ScopedCapture(const char* name = "zz-test") : name_(name) {
    cAural::getLogger()->registerLogReceiver(this, name_.c_str());
  }
  ~ScopedCapture() override { cAural::getLogger()->unregisterLogReceiver(name_.c_str()); }

 private:
  std::string name_;
};

// An OpenAL device (the backend ALSOFT_DRIVERS names) with a current context.
class CurrentAlContext {
 public:
  CurrentAlContext() {
    device_ = alcOpenDevice(nullptr);
    if (device_ == nullptr) return;
    context_ = alcCreateContext(device_, nullptr);
    if (context_ != nullptr) alcMakeContextCurrent(context_);
  }
  ~CurrentAlContext() {
    if (context_ != nullptr) {
      alcMakeContextCurrent(nullptr);
      alcDestroyContext(context_);
    }
    if (device_ != nullptr) alcCloseDevice(device_);
  }
  CurrentAlContext(const CurrentAlContext&) = delete;
  CurrentAlContext& operator=(const CurrentAlContext&) = delete;

  bool ok() const { return context_ != nullptr; }
  ALCdevice* device() const { return device_; }
  ALCcontext* context() const { return context_; }

 private:
  ALCdevice* device_ = nullptr;
  ALCcontext* context_ = nullptr;
};

// Runs the whole test program in a temporary working folder.
class InTempFolder : public ::testing::Environment {
 public:
  void SetUp() override { cwd_ = std::make_unique<ScopedCwd>(dir_.path()); }
  void TearDown() override { cwd_.reset(); }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  std::unique_ptr<ScopedCwd> cwd_;
};

}  // namespace qmtest
