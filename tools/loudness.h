#pragma once
// Loudness figures of a sound, per channel in dB of full scale: the RMS over
// the whole sound, the RMS of its loudest 50 ms and its peak. Shared by the
// sound synthesizer (which lifts quiet effects to a level), sound_report and
// the check of the game's mix.
#include <cstddef>
#include <vector>

namespace loudness {

struct Figures {
  double rmsDb = -120;
  double loudest50Db = -120;  // the loudest 50 ms (the whole sound when shorter)
  double peakDb = -120;
};

double toDb(double amplitude);

// samples interleaved, channels 1 or more; rate in Hz.
Figures measure(const std::vector<float>& samples, int channels, int rate);

// OpenAL Soft plays a mono sound placed on the listener at the centre of a
// stereo output, at this gain in each channel (a stereo sound plays as it is).
inline constexpr double kCentreGainDb = -3.0103;

}  // namespace loudness
