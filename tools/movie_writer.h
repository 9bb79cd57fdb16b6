#pragma once
// Writes movie files through FFmpeg's own encoders (H.264 or MPEG-4 part 2
// pictures, AAC sound, in an MP4 container): the game's intro and outro, and
// the small movies the tests and benchmarks play. Pictures come from a
// callback that paints each frame in RGB; the sound is given whole.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace moviewriter {

struct VideoSpec {
  int width = 480;
  int height = 320;
  int fps = 30;
  std::string codec = "libx264";  // or "mpeg4"
  int bFrames = 2;                 // 0: every picture comes out as soon as its packet goes in
  int gop = 30;
  int quality = 23;                // x264's constant rate factor; for mpeg4 a quantiser (2-31)
  bool withVideo = true;           // false: a file with the sound alone (frameCount still sets its length)
};

struct AudioTrack {
  int rate = 44100;
  int channels = 2;
  std::vector<float> samples;  // interleaved, -1..1
};

// Paints frame number `frame` into rgb (3 bytes a pixel, rows `stride` bytes apart).
using FrameFn = std::function<void(int frame, std::uint8_t* rgb, int stride)>;

// frameCount pictures, and the sound when audio is given (null: no sound stream).
bool writeMovie(const std::string& path, const VideoSpec& spec, int frameCount, const FrameFn& paint,
                const AudioTrack* audio, std::string* error = nullptr);

// Frame numbers that survive lossy coding: eight large blocks, white for a set
// bit, black for a clear one (frame numbers 0-255).
void drawFrameCode(std::uint8_t* pixels, int width, int height, int stride, int bytesPerPixel, int number);
// The number painted by drawFrameCode, read back from a decoded picture.
int readFrameCode(const std::uint8_t* pixels, int width, int height, int stride, int bytesPerPixel);

// A stereo or mono sine tone, `seconds` long.
AudioTrack sineTrack(double seconds, int rate, int channels, double hz = 440.0);

}  // namespace moviewriter
