#include "audio_library/Efx.h"

#include "caural/ILogger.h"

namespace cAural {

bool loadEfxFunctions(EfxFunctionTable& table, ALCdevice* device, ALCcontext* context) {
  cAlLock lock(context, table.getError);
  table.supported = false;
  table.context = context;
  if (device == nullptr || alcIsExtensionPresent(device, "ALC_EXT_EFX") != ALC_TRUE) return false;
  bool all = true;
#define CAURAL_EFX_LOAD(type, name)                                  \
  table.name = reinterpret_cast<type>(alGetProcAddress(#name));      \
  all = all && table.name != nullptr;
  CAURAL_EFX_FUNCTIONS(CAURAL_EFX_LOAD)
#undef CAURAL_EFX_LOAD
  table.getError();
  table.supported = all;
  return all;
}

bool checkEfxError(const EfxFunctionTable& table, const char* sender) {
  const ALenum code = table.getError();
  if (code == AL_NO_ERROR) return false;
  const char* text = alErrorText(code, table.getString);
  if (code == AL_OUT_OF_MEMORY) {
    getLogger()->logCritical(sender, "OpenAL Error: %s.", text);
  } else {
    getLogger()->logError(sender, "OpenAL Error: %s.", text);
  }
  return true;
}

}  // namespace cAural
