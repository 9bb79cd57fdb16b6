// Plays a WAV or Ogg file through an audio manager of the audio library, with
// an optional EAX reverb preset or a low-pass filter, and exits when it ends.
// Built on the library's public headers only.
//
//   caural_play FILE [--reverb NAME] [--lowpass GAIN] [--wave OUT.wav]
//
// --wave writes what is heard into OUT.wav (OpenAL Soft's wave-file backend)
// instead of playing it on the sound card.
#include <AL/efx-presets.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <unistd.h>

#include "caural/Aural.h"

namespace {

struct Preset {
  const char* name;
  EFXEAXREVERBPROPERTIES values;
};

const Preset kPresets[] = {
    {"generic", EFX_REVERB_PRESET_GENERIC},   {"room", EFX_REVERB_PRESET_ROOM},
    {"bathroom", EFX_REVERB_PRESET_BATHROOM}, {"hall", EFX_REVERB_PRESET_CONCERTHALL},
    {"cave", EFX_REVERB_PRESET_CAVE},         {"arena", EFX_REVERB_PRESET_ARENA},
    {"hangar", EFX_REVERB_PRESET_HANGAR},     {"forest", EFX_REVERB_PRESET_FOREST},
    {"underwater", EFX_REVERB_PRESET_UNDERWATER},
};

cAural::EaxReverbParameters toParameters(const EFXEAXREVERBPROPERTIES& p) {
  return cAural::EaxReverbParameters(
      p.flDensity, p.flDiffusion, p.flGain, p.flGainHF, p.flGainLF, p.flDecayTime, p.flDecayHFRatio, p.flDecayLFRatio,
      p.flReflectionsGain, p.flReflectionsDelay, {p.flReflectionsPan[0], p.flReflectionsPan[1], p.flReflectionsPan[2]},
      p.flLateReverbGain, p.flLateReverbDelay, {p.flLateReverbPan[0], p.flLateReverbPan[1], p.flLateReverbPan[2]},
      p.flEchoTime, p.flEchoDepth, p.flModulationTime, p.flModulationDepth, p.flAirAbsorptionGainHF,
      p.flHFReference, p.flLFReference, p.flRoomRolloffFactor, p.iDecayHFLimit != 0);
}

struct EndWatch : cAural::ISourceEventHandler {
  std::atomic<bool> ended{false};
  void onUpdate() override {}
  void onRelease() override { ended = true; }
  void onPlay() override {}
  void onStop() override { ended = true; }
  void onPause() override {}
};

int usage() {
  std::fprintf(stderr, "usage: caural_play FILE [--reverb NAME] [--lowpass GAIN] [--wave OUT.wav]\nreverbs:");
  for (const Preset& p : kPresets) std::fprintf(stderr, " %s", p.name);
  std::fprintf(stderr, "\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const char* file = nullptr;
  const char* reverb = nullptr;
  const char* wave = nullptr;
  float lowpass = -1.0f;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--reverb" && i + 1 < argc) {
      reverb = argv[++i];
    } else if (a == "--lowpass" && i + 1 < argc) {
      char* end = nullptr;
      lowpass = std::strtof(argv[++i], &end);
      if (end == argv[i] || *end != '\0' || lowpass < 0.0f || lowpass > 1.0f) return usage();
    } else if (a == "--wave" && i + 1 < argc) {
      wave = argv[++i];
    } else if (a[0] != '-' && file == nullptr) {
      file = argv[i];
    } else {
      return usage();
    }
  }
  if (file == nullptr) return usage();

  std::string conf;
  if (wave != nullptr) {
    char dir[] = "/tmp/caural_play_XXXXXX";
    if (mkdtemp(dir) == nullptr) return 1;
    conf = std::string(dir) + "/alsoft.conf";
    std::ofstream(conf) << "[general]\ndrivers=wave\nchannels=stereo\nfrequency=44100\n[wave]\nfile=" << wave << "\n";
    setenv("ALSOFT_CONF", conf.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
  }

  // Only the file name goes to the console.
  cAural::getLogger()->setLogLevel(cAural::LOG_WARNING);
  cAural::IAudioManager* manager = cAural::createAudioManager(true);
  if (manager == nullptr) return 1;
  cAural::IAudioEffects* effects = manager->getEffects();
  for (const Preset& p : kPresets) effects->addEaxReverbPreset(p.name, toParameters(p.values));
  int status = 0;
  cAural::IEffect* effect = nullptr;
  cAural::IFilter* filter = nullptr;
  cAural::IAudioSource* source = manager->createSourceFromFile("caural_play", file, true);
  EndWatch watch;
  if (source == nullptr) {
    status = 1;
  } else if (reverb != nullptr && !effects->isPresetRegistered(cAural::EFFECT_EAX_REVERB, reverb)) {
    status = usage();
  } else {
    if (reverb != nullptr) {
      effect = effects->createEffect();
      if (effect != nullptr) {
        effect->setType(cAural::EFFECT_EAX_REVERB);
        effect->setEaxReverbParameters(effects->getEaxReverbPreset(reverb));
        source->attachEffect(0, effect);
      } else {
        std::fprintf(stderr, "caural_play: no reverb on this device\n");
      }
    }
    if (lowpass >= 0.0f) {
      filter = effects->createFilter();
      if (filter != nullptr) {
        filter->setType(cAural::FILTER_LOWPASS);
        filter->setHighFrequencyGain(lowpass);
        source->attachFilter(filter);
      } else {
        std::fprintf(stderr, "caural_play: no filters on this device\n");
      }
    }
    std::printf("%s: %.2f s\n", file, static_cast<double>(source->getTotalTime()));
    source->registerEventHandler(&watch);
    source->play();
    // The update thread streams it; a reverb gets a moment to fade.
    while (!watch.ended) cAural::cAuralSleep(10);
    if (effect != nullptr) cAural::cAuralSleep(1000);
    source->unregisterEventHandler(&watch);
  }
  if (effect != nullptr) effect->release();
  if (filter != nullptr) filter->release();
  cAural::destroyAudioManager(manager);
  if (!conf.empty()) {
    std::remove(conf.c_str());
    rmdir(conf.substr(0, conf.rfind('/')).c_str());
  }
  return status;
}
