#pragma once
// The byte-level side of the progress files: fixed-layout little-endian
// records built and parsed field by field, save files read within a size
// limit and replaced atomically, and the integer attributes of the design
// files.
#include <cstddef>
#include <cstdint>
#include <string>

class TiXmlDocument;
class TiXmlElement;

namespace progress {

// Appends fields to a byte image, little-endian, bools as one byte 0 or 1.
class ByteWriter {
 public:
  void u8(std::uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
  void boolean(bool v) { u8(v ? 1 : 0); }
  void u32(std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) u8(static_cast<std::uint8_t>(v >> shift));
  }
  void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Reads fields from a byte image. Each read fails, taking nothing, when fewer
// bytes remain than the field needs; after a failure every read fails.
class ByteReader {
 public:
  explicit ByteReader(const std::string& bytes) : bytes_(bytes) {}
  bool u8(std::uint8_t& out);
  bool boolean(bool& out);
  bool u32(std::uint32_t& out);
  bool i32(std::int32_t& out);
  // Moves past n bytes; fails (moving nowhere) when fewer remain.
  bool skip(std::size_t n);
  std::size_t remaining() const { return failed_ ? 0 : bytes_.size() - at_; }
  bool failed() const { return failed_; }

 private:
  bool take(std::size_t n);
  const std::string& bytes_;
  std::size_t at_ = 0;
  bool failed_ = false;
};

enum class SaveRead {
  Missing,     // no file: a first start
  Read,        // bytes holds the file (or its first maxBytes bytes)
  Unreadable,  // there, but not a regular file or not readable (message printed)
};

// Reads at most maxBytes of a save file; a longer file gives its first
// maxBytes, which the callers' readers treat as a file cut short.
SaveRead readSaveFile(const std::string& path, std::size_t maxBytes, std::string& bytes);

// Replaces the save file with bytes through a temporary file; on failure the
// old file stays and a message names the file on standard error.
bool writeSaveFile(const std::string& path, const std::string& bytes);

// Keeps the bytes of a save file that could not be read whole beside it, as
// path + ".bak", before the next save replaces it (message on standard error).
void keepDamagedSave(const std::string& path, const std::string& bytes, const std::string& why);

// Loads a design file (a resource name) and returns its root element when it
// has the expected name; otherwise null, with a message that says the game
// goes on without `what` ("levels", ...).
const TiXmlElement* loadDesignRoot(TiXmlDocument& doc, const char* resource, const char* rootName, const char* what);

// An integer attribute as the design files write them: leading blanks, an
// optional sign and digits, anything after ignored; 0 when missing or not a
// number, and values beyond 32 bits are 0 as well.
std::int32_t intAttribute(const TiXmlElement& e, const char* name);

// Sums kept within the signed 32-bit range.
std::int32_t saturate(std::int64_t v);

}  // namespace progress
