#pragma once
// An EFX function table whose entry points record every call instead of
// reaching OpenAL, with errors injected on chosen calls. The recorded calls
// read like "f3=0.32" (alEffectf of parameter 3), "i1=1", "fv11", "slot-i1",
// "slot-f2", "filter-i32769", "filter-f2".
#include <cstdio>
#include <string>
#include <vector>

#include "audio_library/Efx.h"

namespace qmtest {

struct EfxRecorder {
  std::vector<std::string> calls;
  std::vector<float> lastVector;
  int genEffects = 0, deleteEffects = 0, genSlots = 0, deleteSlots = 0, genFilters = 0, deleteFilters = 0;
  ALenum pending = AL_NO_ERROR;
  // The call (as recorded) that raises failCode, once per match.
  std::string failOn;
  ALenum failCode = AL_INVALID_VALUE;
  ALuint nextName = 100;

  static EfxRecorder*& current() {
    static EfxRecorder* r = nullptr;
    return r;
  }
  void record(std::string call) {
    if (!failOn.empty() && call.rfind(failOn, 0) == 0 && pending == AL_NO_ERROR) pending = failCode;
    calls.push_back(std::move(call));
  }
  // The parameter calls between the type and the reload, without values.
  std::string parameterNames() const {
    std::string out;
    for (const auto& c : calls) {
      if (c.rfind("slot-", 0) == 0 || c.rfind("i32769", 0) == 0 || c[0] == 'g' || c[0] == 'd') continue;
      const std::string name = c.substr(0, c.find('='));
      out += (out.empty() ? "" : " ") + name;
    }
    return out;
  }
};

inline std::string num(float v) {
  char b[32];
  std::snprintf(b, sizeof b, "%g", static_cast<double>(v));
  return b;
}

namespace fake {
inline EfxRecorder& r() { return *EfxRecorder::current(); }
inline void genEffects(ALsizei n, ALuint* ids) {
  for (ALsizei i = 0; i < n; ++i) ids[i] = r().nextName++;
  ++r().genEffects;
  r().record("gen-effect");
}
inline void deleteEffects(ALsizei, const ALuint*) {
  ++r().deleteEffects;
  r().record("delete-effect");
}
inline void genSlots(ALsizei n, ALuint* ids) {
  r().record("gen-slot");
  if (r().pending != AL_NO_ERROR) return;
  for (ALsizei i = 0; i < n; ++i) ids[i] = r().nextName++;
  ++r().genSlots;
}
inline void deleteSlots(ALsizei, const ALuint*) {
  ++r().deleteSlots;
  r().record("delete-slot");
}
inline void genFilters(ALsizei n, ALuint* ids) {
  for (ALsizei i = 0; i < n; ++i) ids[i] = r().nextName++;
  ++r().genFilters;
  r().record("gen-filter");
}
inline void deleteFilters(ALsizei, const ALuint*) {
  ++r().deleteFilters;
  r().record("delete-filter");
}
inline void effecti(ALuint, ALenum p, ALint v) { r().record("i" + std::to_string(p) + "=" + std::to_string(v)); }
inline void effectf(ALuint, ALenum p, ALfloat v) { r().record("f" + std::to_string(p) + "=" + num(v)); }
inline void effectfv(ALuint, ALenum p, const ALfloat* v) {
  r().lastVector.assign(v, v + 3);
  r().record("fv" + std::to_string(p));
}
inline void sloti(ALuint, ALenum p, ALint v) { r().record("slot-i" + std::to_string(p) + "=" + std::to_string(v)); }
inline void slotf(ALuint, ALenum p, ALfloat v) { r().record("slot-f" + std::to_string(p) + "=" + num(v)); }
inline void filteri(ALuint, ALenum p, ALint v) { r().record("filter-i" + std::to_string(p) + "=" + std::to_string(v)); }
inline void filterf(ALuint, ALenum p, ALfloat v) { r().record("filter-f" + std::to_string(p) + "=" + num(v)); }
inline ALenum getError() {
  const ALenum e = r().pending;
  r().pending = AL_NO_ERROR;
  return e;
}
inline const ALchar* getString(ALenum code) { return code == AL_INVALID_VALUE ? "Invalid Value" : nullptr; }
}  // namespace fake

// A supported table over the recorder; the caller releases it.
inline cAural::EfxFunctionTable* recordingTable(EfxRecorder& rec) {
  EfxRecorder::current() = &rec;
  auto* t = new cAural::EfxFunctionTable;
  t->alGenEffects = fake::genEffects;
  t->alDeleteEffects = fake::deleteEffects;
  t->alGenAuxiliaryEffectSlots = fake::genSlots;
  t->alDeleteAuxiliaryEffectSlots = fake::deleteSlots;
  t->alGenFilters = fake::genFilters;
  t->alDeleteFilters = fake::deleteFilters;
  t->alEffecti = fake::effecti;
  t->alEffectf = fake::effectf;
  t->alEffectfv = fake::effectfv;
  t->alAuxiliaryEffectSloti = fake::sloti;
  t->alAuxiliaryEffectSlotf = fake::slotf;
  t->alFilteri = fake::filteri;
  t->alFilterf = fake::filterf;
  t->getError = fake::getError;
  t->getString = fake::getString;
  t->supported = true;
  return t;
}

}  // namespace qmtest
