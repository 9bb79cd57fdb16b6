#include "game/progress/ProgressFiles.h"

#include <algorithm>
#include <iostream>
#include <limits>

#include <tinyxml.h>

#include "app/DataFiles.h"
#include "app/ResourcePaths.h"
#include "app/StringUtils.h"

namespace progress {

bool ByteReader::take(std::size_t n) {
  if (failed_ || bytes_.size() - at_ < n) {
    failed_ = true;
    return false;
  }
  return true;
}

bool ByteReader::u8(std::uint8_t& out) {
  if (!take(1)) return false;
  out = static_cast<std::uint8_t>(bytes_[at_++]);
  return true;
}

bool ByteReader::boolean(bool& out) {
  std::uint8_t v = 0;
  if (!u8(v)) return false;
  out = v != 0;
  return true;
}

bool ByteReader::u32(std::uint32_t& out) {
  if (!take(4)) return false;
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes_[at_++])) << (8 * i);
  out = v;
  return true;
}

bool ByteReader::i32(std::int32_t& out) {
  std::uint32_t v = 0;
  if (!u32(v)) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

bool ByteReader::skip(std::size_t n) {
  if (!take(n)) return false;
  at_ += n;
  return true;
}

SaveRead readSaveFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
  bytes.clear();
  FileStatus status = FileStatus::Ok;
  std::FILE* f = openRegularFile(path, status);
  if (f == nullptr) {
    if (status == FileStatus::Missing) return SaveRead::Missing;
    std::cerr << "Cannot read the save file " << path << " (" << describeFileStatus(status) << ")" << std::endl;
    return SaveRead::Unreadable;
  }
  // Only the first maxBytes matter: nothing a reader takes lies beyond them.
  char chunk[8192];
  while (bytes.size() < maxBytes) {
    const std::size_t want = std::min(sizeof chunk, maxBytes - bytes.size());
    const std::size_t got = std::fread(chunk, 1, want, f);
    if (got == 0) break;
    bytes.append(chunk, got);
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    std::cerr << "Cannot read the save file " << path << " (read error)" << std::endl;
    bytes.clear();
    return SaveRead::Unreadable;
  }
  return SaveRead::Read;
}

bool writeSaveFile(const std::string& path, const std::string& bytes) {
  if (writeFileAtomically(path, bytes)) return true;
  std::cerr << "Cannot write the save file " << path << "; the previous one is kept" << std::endl;
  return false;
}

void keepDamagedSave(const std::string& path, const std::string& bytes, const std::string& why) {
  const std::string kept = path + ".bak";
  std::cerr << "The save file " << path << " " << why << "; what could be read is used";
  if (writeFileAtomically(kept, bytes)) {
    std::cerr << ", and the file is kept as " << kept << std::endl;
  } else {
    std::cerr << ", and it cannot be kept as " << kept << std::endl;
  }
}

const TiXmlElement* loadDesignRoot(TiXmlDocument& doc, const char* resource, const char* rootName, const char* what) {
  if (!loadXmlResource(doc, resource)) {
    std::cerr << "XML file error : " << resource << " " << doc.ErrorDesc() << "; no " << what << std::endl;
    return nullptr;
  }
  const TiXmlElement* root = doc.RootElement();
  if (root == nullptr || root->ValueStr() != rootName) {
    std::cerr << "XML file error : " << resource << " has no root element \"" << rootName << "\"; no " << what
              << std::endl;
    return nullptr;
  }
  return root;
}

std::int32_t intAttribute(const TiXmlElement& e, const char* name) {
  const char* text = e.Attribute(name);
  return text == nullptr ? 0 : stringToInt(text);
}

std::int32_t saturate(std::int64_t v) {
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

}  // namespace progress
