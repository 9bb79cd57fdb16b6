#pragma once
// Everything an outside program uses of the audio library.
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
