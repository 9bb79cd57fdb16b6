#pragma once
// Whole-file decoding for the sound engine and the sound tools: a WAV or Ogg
// Vorbis file into one PCM block in an OpenAL format.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <limits>
#include <string>
#include <vector>

namespace cAural {
class IDataSource;
class cOggDecoder;
}  // namespace cAural

namespace soundfile {

// An allocator whose resize leaves new bytes as they are: decoded sound is
// written over them at once, so clearing them first is work for nothing.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  UninitializedAllocator() = default;
  template <typename U>
  UninitializedAllocator(const UninitializedAllocator<U>&) {}
  template <typename U>
  void construct(U* p) {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using PcmBlock = std::vector<std::uint8_t, UninitializedAllocator<std::uint8_t>>;

// Largest decoded sound kept in memory (about 6 minutes of 44.1 kHz stereo).
constexpr std::size_t kMaxDecodedBytes = 64u << 20;
// What the game's loaded sounds may hold together.
constexpr std::size_t kDecodedBudgetBytes = 256u << 20;

// How much a decoded sound may take: on its own, and together with what the
// sounds loaded already hold.
struct SoundLimits {
  std::size_t perSound = kMaxDecodedBytes;
  std::size_t budget = std::numeric_limits<std::size_t>::max();
  std::size_t held = 0;
};

struct DecodedSound {
  PcmBlock pcm;  // whole frames only
  int alFormat = 0;
  int frequency = 0;
  // On failure: "error loading file PATH: why" or "error decoding file PATH: why".
  std::string error;
};

// The text after the last '.' of the path's last component ("" when none).
std::string extensionOf(const std::string& path);

// Decodes the file by its extension ("wav" or "ogg"). The file must be a
// regular file; the decoded size is known before decoding (the WAV header,
// the Ogg stream's length) and a sound past the limits is refused then. A
// stream that decodes to more than it declared stops at the limit: no block
// larger than the limit plus one read is ever made. False with out.error set
// (and out.pcm empty) on failure.
bool decodeSound(const std::string& path, DecodedSound& out, const SoundLimits& limits = SoundLimits());

// The engine's form: on failure prints "AudioEngine ERROR : " and out.error.
void decodeFile(const std::string& path, DecodedSound& out, std::size_t maxBytes = kMaxDecodedBytes);

// An Ogg Vorbis file decoded a part at a time (the sound engine decodes the
// first seconds of a long sound when it is loaded and the rest on the frames
// that follow). The file is checked and refused as decodeSound would (not
// valid, error() says why); past the limits decoding stops, error() set.
class PartialDecoder {
 public:
  explicit PartialDecoder(const std::string& path, const SoundLimits& limits = SoundLimits());
  ~PartialDecoder();
  PartialDecoder(const PartialDecoder&) = delete;
  PartialDecoder& operator=(const PartialDecoder&) = delete;

  bool isValid() const { return decoder_ != nullptr; }
  int alFormat() const { return alFormat_; }
  int frequency() const { return frequency_; }
  int frameBytes() const { return frameBytes_; }
  const std::string& path() const { return path_; }
  // Appends about maxBytes more of the sound to out (whole frames); returns
  // the bytes added. Past the end, or past the cap (reported), nothing more.
  std::size_t decode(PcmBlock& out, std::size_t maxBytes);
  bool finished() const { return finished_; }
  std::size_t decodedBytes() const { return decoded_; }
  // "error loading file PATH: why" or "error decoding file PATH: why"; empty
  // while all is well.
  const std::string& error() const { return error_; }

 private:
  std::string path_;
  SoundLimits limits_;
  std::size_t maxBytes_ = 0;
  std::string error_;
  cAural::IDataSource* source_ = nullptr;
  cAural::cOggDecoder* decoder_ = nullptr;
  int alFormat_ = 0;
  int frequency_ = 0;
  int frameBytes_ = 0;
  int holes_ = 0;
  std::size_t decoded_ = 0;
  bool finished_ = false;
};

}  // namespace soundfile
