#include "audio_library/AlLock.h"

#include <AL/alext.h>

#include "sound/aural/AuralBase.h"

namespace cAural {

namespace {

cMutex& alMutex() {
  // Never destroyed: sources may still be stopped during exit.
  static cMutex* m = new cMutex;
  return *m;
}

thread_local int lockDepth = 0;

struct ThreadContextCalls {
  PFNALCSETTHREADCONTEXTPROC set = nullptr;
  PFNALCGETTHREADCONTEXTPROC get = nullptr;
};

const ThreadContextCalls& threadContextCalls() {
  static const ThreadContextCalls calls = [] {
    ThreadContextCalls c;
    if (alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context")) {
      c.set = reinterpret_cast<PFNALCSETTHREADCONTEXTPROC>(alcGetProcAddress(nullptr, "alcSetThreadContext"));
      c.get = reinterpret_cast<PFNALCGETTHREADCONTEXTPROC>(alcGetProcAddress(nullptr, "alcGetThreadContext"));
      if (c.set == nullptr || c.get == nullptr) c = ThreadContextCalls{};
    }
    return c;
  }();
  return calls;
}

}  // namespace

cAlLock::cAlLock(ALCcontext* context, AlGetErrorFn getError) {
  alMutex().lock();
  outermost_ = lockDepth++ == 0;
  // At any depth: a handler run under another manager's lock still works in
  // its own manager's context.
  if (context != nullptr) {
    const ThreadContextCalls& calls = threadContextCalls();
    if (calls.set != nullptr) {
      previous_ = calls.get();
      contextSet_ = previous_ != context && calls.set(context) == ALC_TRUE;
    }
  }
  // Nested in its own context, the outer lock's errors are the outer's to read.
  if (outermost_ || contextSet_) (getError != nullptr ? getError : alGetError)();
}

cAlLock::~cAlLock() {
  if (contextSet_) threadContextCalls().set(previous_);
  --lockDepth;
  alMutex().unlock();
}

void forgetThreadContext(ALCcontext* context) {
  const ThreadContextCalls& calls = threadContextCalls();
  if (context != nullptr && calls.get != nullptr && calls.get() == context) calls.set(nullptr);
}

const char* alErrorText(ALenum code, const ALchar* (*getString)(ALenum)) {
  const ALchar* text = (getString != nullptr ? getString : alGetString)(code);
  return text != nullptr ? text : "(unknown)";
}

}  // namespace cAural
