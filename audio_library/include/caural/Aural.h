#pragma once
// Everything an outside program uses of the cAural audio library.
//
// Building: C++14 or later; `pkg-config --cflags --libs caural`. The headers
// include no header of a dependency (OpenAL, vorbisfile): a program may use
// those itself, in its own way. CAURAL_VERSION gives the library's version.
//
// Who owns what: a program owns the managers it makes (createAudioManager,
// destroyAudioManager); a manager owns the sources it creates
// (IAudioManager::releaseSource disposes of one); the caller holds one
// reference on each effect and filter it creates, and a source it is attached
// to holds one more. Every reference-counted object starts with one reference.
//
// Threads: every operation may be called from any thread. The library's own
// update thread feeds the sources of every manager about once a millisecond;
// the handlers of a source are called outside the source's lock (see
// ISourceEventHandler).
//
// Plug-ins: the first call of getPluginManager (createAudioManager makes it)
// loads every "cAp_*.so" of the working folder; see IAudioPlugin.h.
#include "caural/AuralEffects.h"
#include "caural/EffectTypes.h"
#include "caural/IAudioEffects.h"
#include "caural/IAudioManager.h"
#include "caural/IAudioPlugin.h"
#include "caural/IAudioSource.h"
#include "caural/IListener.h"
#include "caural/IEffect.h"
#include "caural/ILogger.h"
#include "sound/aural/AudioDecoder.h"
#include "sound/aural/AuralBase.h"
#include "sound/aural/DataSource.h"
