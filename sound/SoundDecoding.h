#pragma once
// Whole-file decoding for the sound engine: a WAV or Ogg Vorbis file into one
// PCM block in an OpenAL format.
#include <cstddef>
#include <cstdint>
#include <memory>
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

// Largest decoded sound kept in memory (about 12 minutes of 44.1 kHz stereo).
constexpr std::size_t kMaxDecodedBytes = 128u << 20;

struct DecodedSound {
  PcmBlock pcm;  // whole frames only
  int alFormat = 0;
  int frequency = 0;
};

// The text after the last '.' of the path's last component ("" when none).
std::string extensionOf(const std::string& path);

// Decodes the file by its extension ("wav" or "ogg"). On failure (a sound that
// decodes to more than maxBytes among them) prints the engine's message and
// leaves out.pcm empty. No block larger than maxBytes plus one read is made.
void decodeFile(const std::string& path, DecodedSound& out, std::size_t maxBytes = kMaxDecodedBytes);

// An Ogg Vorbis file decoded a part at a time (the sound engine decodes the
// first seconds of a long sound when it is loaded and the rest on the frames
// that follow). A file that does not open or decode as the whole-file decoder
// would refuse it is not valid (the engine's message is printed).
class PartialDecoder {
 public:
  explicit PartialDecoder(const std::string& path, std::size_t maxBytes = kMaxDecodedBytes);
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

 private:
  std::string path_;
  std::size_t maxBytes_;
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
