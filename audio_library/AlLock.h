#pragma once
// Every OpenAL call of the library runs under one process-wide lock, so that
// the error read after a call belongs to that call and not to another thread's.
// Taking the lock makes the owner's context current for this thread (at any
// depth) and clears errors left pending by anyone before.
#include <AL/al.h>
#include <AL/alc.h>

namespace cAural {

using AlGetErrorFn = ALenum (*)();

class cAlLock {
 public:
  // context: made current for this thread while held (null keeps the current
  // one). getError: how pending errors are read (null for alGetError).
  explicit cAlLock(ALCcontext* context = nullptr, AlGetErrorFn getError = nullptr);
  ~cAlLock();
  cAlLock(const cAlLock&) = delete;
  cAlLock& operator=(const cAlLock&) = delete;

 private:
  bool outermost_ = false;
  bool contextSet_ = false;
  ALCcontext* previous_ = nullptr;
};

// Before a context is destroyed: this thread stops using it.
void forgetThreadContext(ALCcontext* context);

// OpenAL's text for an error code, never null.
const char* alErrorText(ALenum code, const ALchar* (*getString)(ALenum) = nullptr);

}  // namespace cAural
