#pragma once
// The EFX entry points of one device, shared (by reference) by its effects
// object and every effect and filter made from it, so that none of them
// outlives the table it calls through.
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/efx.h>

#include "audio_library/AlLock.h"
#include "sound/aural/AuralBase.h"

namespace cAural {

#define CAURAL_EFX_FUNCTIONS(X)                                         \
  X(LPALGENEFFECTS, alGenEffects)                                       \
  X(LPALDELETEEFFECTS, alDeleteEffects)                                 \
  X(LPALISEFFECT, alIsEffect)                                           \
  X(LPALEFFECTI, alEffecti)                                             \
  X(LPALEFFECTIV, alEffectiv)                                           \
  X(LPALEFFECTF, alEffectf)                                             \
  X(LPALEFFECTFV, alEffectfv)                                           \
  X(LPALGETEFFECTI, alGetEffecti)                                       \
  X(LPALGETEFFECTIV, alGetEffectiv)                                     \
  X(LPALGETEFFECTF, alGetEffectf)                                       \
  X(LPALGETEFFECTFV, alGetEffectfv)                                     \
  X(LPALGENFILTERS, alGenFilters)                                       \
  X(LPALDELETEFILTERS, alDeleteFilters)                                 \
  X(LPALISFILTER, alIsFilter)                                           \
  X(LPALFILTERI, alFilteri)                                             \
  X(LPALFILTERIV, alFilteriv)                                           \
  X(LPALFILTERF, alFilterf)                                             \
  X(LPALFILTERFV, alFilterfv)                                           \
  X(LPALGETFILTERI, alGetFilteri)                                       \
  X(LPALGETFILTERIV, alGetFilteriv)                                     \
  X(LPALGETFILTERF, alGetFilterf)                                       \
  X(LPALGETFILTERFV, alGetFilterfv)                                     \
  X(LPALGENAUXILIARYEFFECTSLOTS, alGenAuxiliaryEffectSlots)             \
  X(LPALDELETEAUXILIARYEFFECTSLOTS, alDeleteAuxiliaryEffectSlots)       \
  X(LPALISAUXILIARYEFFECTSLOT, alIsAuxiliaryEffectSlot)                 \
  X(LPALAUXILIARYEFFECTSLOTI, alAuxiliaryEffectSloti)                   \
  X(LPALAUXILIARYEFFECTSLOTIV, alAuxiliaryEffectSlotiv)                 \
  X(LPALAUXILIARYEFFECTSLOTF, alAuxiliaryEffectSlotf)                   \
  X(LPALAUXILIARYEFFECTSLOTFV, alAuxiliaryEffectSlotfv)                 \
  X(LPALGETAUXILIARYEFFECTSLOTI, alGetAuxiliaryEffectSloti)             \
  X(LPALGETAUXILIARYEFFECTSLOTIV, alGetAuxiliaryEffectSlotiv)           \
  X(LPALGETAUXILIARYEFFECTSLOTF, alGetAuxiliaryEffectSlotf)             \
  X(LPALGETAUXILIARYEFFECTSLOTFV, alGetAuxiliaryEffectSlotfv)

struct EfxFunctionTable : public IRefCounted, public cMemoryOverride {
#define CAURAL_EFX_MEMBER(type, name) type name = nullptr;
  CAURAL_EFX_FUNCTIONS(CAURAL_EFX_MEMBER)
#undef CAURAL_EFX_MEMBER
  // How errors and their texts are read; tests put recorders here.
  AlGetErrorFn getError = alGetError;
  const ALchar* (*getString)(ALenum) = alGetString;
  // The context the objects live in (null: whichever is current).
  ALCcontext* context = nullptr;
  // All entry points are there and the owner's context is alive.
  bool supported = false;
};

// Fetches the 33 entry points of the device's EFX extension into the table;
// sets supported when the device has it and every one was found.
bool loadEfxFunctions(EfxFunctionTable& table, ALCdevice* device, ALCcontext* context);

// Holds the library's OpenAL lock for calls through the table.
class cEfxLock {
 public:
  explicit cEfxLock(const EfxFunctionTable& t) : lock_(t.context, t.getError) {}

 private:
  cAlLock lock_;
};

// Reads the error after a sequence of calls; logs "OpenAL Error: %s." for the
// sender and returns true when there was one.
bool checkEfxError(const EfxFunctionTable& table, const char* sender);

}  // namespace cAural
