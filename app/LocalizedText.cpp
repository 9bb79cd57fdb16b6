#include "app/LocalizedText.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/DataFiles.h"
#include "app/Options.h"
#include "app/ResourcePaths.h"
#include "app/StringUtils.h"
#include "platform/platform.h"

namespace {

// The strings of one bank of one language. Storage handed out by getText is
// never freed while the process runs (see retireBank), so it must not change
// once loaded.
struct BankData {
  int language = -1;
  int bank = -1;
  std::vector<std::string> strings;
  std::vector<char> hasMarkers;
};

bool g_initialised = false;
int g_currentLanguage = -1;
int g_markerValue = 0;
// Deques: getLanguageCode hands out pointers that appending must not move.
std::deque<std::string> g_languageNames;
std::deque<std::string> g_languageCodes;
// Wanted and loaded are separate: a bank can be wanted before any language is
// set, and is then loaded by the first language change.
std::array<bool, kTextBankCount> g_wanted{};
std::array<std::unique_ptr<BankData>, kTextBankCount> g_loaded;
// Banks of earlier language changes. Text nodes borrow strings from the
// tables and keep them until they are refreshed after the change, so the old
// storage stays alive; a reload of identical content takes it back instead of
// keeping a second copy, which bounds this by the distinct files read.
std::vector<std::unique_ptr<BankData>> g_retired;

std::string g_lastReport;

void report(const std::string& message) {
  // Nine banks come from one file: say what is wrong with it once, not nine times.
  if (message == g_lastReport) return;
  g_lastReport = message;
  std::cerr << message << std::endl;
}

// No real text file comes near this: five languages of every string the game
// shows fit in well under a megabyte. Nine banks may point at the same bytes,
// so a larger file could cost nine times its size.
constexpr unsigned long kMaxTextFileSize = 8ul * 1024 * 1024;

// Bounded reads from a data file whose size is known up front.
class DataFile {
 public:
  explicit DataFile(const std::string& path) : file_(openRegularFile(path, status_)) {
    if (file_ == nullptr) return;
    if (std::fseek(file_, 0, SEEK_END) == 0) {
      const long size = std::ftell(file_);
      size_ = size > 0 ? static_cast<unsigned long>(size) : 0;
    }
    if (size_ > kMaxTextFileSize) {
      std::fclose(file_);
      file_ = nullptr;
      size_ = 0;
      status_ = FileStatus::TooLarge;
      return;
    }
    std::rewind(file_);
  }
  ~DataFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  bool isOpen() const { return file_ != nullptr; }
  // Why the file did not open ("missing", "too large", ...).
  const char* problem() const { return describeFileStatus(status_); }
  unsigned long size() const { return size_; }
  bool seek(unsigned long offset) {
    return offset <= size_ && std::fseek(file_, static_cast<long>(offset), SEEK_SET) == 0;
  }
  bool read(void* out, std::size_t n) { return n == 0 || std::fread(out, 1, n, file_) == n; }
  bool readU8(unsigned& v) {
    unsigned char b[1];
    if (!read(b, 1)) return false;
    v = b[0];
    return true;
  }
  bool readU16(unsigned& v) {
    unsigned char b[2];
    if (!read(b, 2)) return false;
    v = b[0] | (b[1] << 8);
    return true;
  }
  bool readU32(unsigned long& v) {
    unsigned char b[4];
    if (!read(b, 4)) return false;
    v = static_cast<unsigned long>(b[0]) | (static_cast<unsigned long>(b[1]) << 8) |
        (static_cast<unsigned long>(b[2]) << 16) | (static_cast<unsigned long>(b[3]) << 24);
    return true;
  }
  // A u16 length and that many bytes; the length never exceeds what is left.
  bool readString(std::string& out) {
    unsigned length = 0;
    if (!readU16(length)) return false;
    const long at = std::ftell(file_);
    if (at < 0 || static_cast<unsigned long>(at) + length > size_) return false;
    out.resize(length);
    return read(out.data(), length);
  }

 private:
  FileStatus status_ = FileStatus::Ok;
  std::FILE* file_ = nullptr;
  unsigned long size_ = 0;
};

// Strings are handed out NUL-terminated. A marker on a NUL (marker code 0
// written plainly) becomes the two-byte form of NUL, which decodes the same;
// any other NUL would end the string early, so the string ends there. The
// walk goes by whole characters: a marker byte that a lead byte before it
// takes as its continuation marks nothing.
std::string toCString(const std::string& raw) {
  std::string out;
  out.reserve(raw.size());
  std::size_t i = 0;
  while (i < raw.size()) {
    const unsigned char b = static_cast<unsigned char>(raw[i]);
    if (b >= 0xF0) {
      out.push_back(raw[i]);
      if (i + 1 < raw.size() && raw[i + 1] == '\0') {
        out += "\xC0\x80";
        ++i;
      }
      ++i;
      continue;
    }
    const std::size_t length = b >= 0xE0 ? 3 : (b >= 0xC0 ? 2 : 1);
    for (std::size_t k = 0; k < length && i < raw.size(); ++k, ++i) {
      if (raw[i] == '\0') return out;
      out.push_back(raw[i]);
    }
  }
  return out;
}

std::unique_ptr<BankData> readBank(int language, int bank) {
  auto data = std::make_unique<BankData>();
  data->language = language;
  data->bank = bank;
  const std::string name = "text/" + toString(language);
  DataFile file(resolveResourcePath(name));
  if (!file.isOpen()) {
    report("Cannot open the text file " + name + " (" + file.problem() + ")");
    return data;
  }
  unsigned long offsets[kTextBankCount];
  for (unsigned long& offset : offsets) {
    if (!file.readU32(offset)) {
      report("The text file " + name + " is too short for its bank offsets");
      return data;
    }
  }
  unsigned count = 0;
  if (!file.seek(offsets[bank]) || !file.readU16(count)) {
    report("The text file " + name + " has no bank " + toString(bank) + " at its stated offset");
    return data;
  }
  for (unsigned i = 0; i < count; ++i) {
    std::string raw;
    if (!file.readString(raw)) {
      report("The text file " + name + " ends inside bank " + toString(bank) + " (" + toString(static_cast<int>(i)) +
             " of " + toString(static_cast<int>(count)) + " strings read)");
      break;
    }
    data->strings.push_back(toCString(raw));
    data->hasMarkers.push_back(hasTextMarkers(data->strings.back().c_str()) ? 1 : 0);
  }
  return data;
}

void retireBank(int bank) {
  if (g_loaded[bank]) g_retired.push_back(std::move(g_loaded[bank]));
}

void loadBankNow(int bank) {
  std::unique_ptr<BankData> fresh = readBank(g_currentLanguage, bank);
  for (auto it = g_retired.begin(); it != g_retired.end(); ++it) {
    const BankData& old = **it;
    if (old.language == fresh->language && old.bank == bank && old.strings == fresh->strings) {
      g_loaded[bank] = std::move(*it);
      g_retired.erase(it);
      return;
    }
  }
  g_loaded[bank] = std::move(fresh);
}

const BankData* bankOf(int textId) {
  const int bank = textIdBank(textId);
  if (bank < 0 || bank >= kTextBankCount || !g_loaded[bank]) return nullptr;
  if (static_cast<std::size_t>(textIdIndex(textId)) >= g_loaded[bank]->strings.size()) return nullptr;
  return g_loaded[bank].get();
}

void reportMissingText(int textId) {
  // Once per id: a missing text is drawn every frame.
  static std::set<int> reported;
  if (reported.size() < 256 && reported.insert(textId).second) {
    char id[16];
    std::snprintf(id, sizeof id, "0x%X", static_cast<unsigned>(textId));
    std::cerr << "No text " << id << " in the current language" << std::endl;
  }
}

bool validLanguage(int index) {
  const int count = static_cast<int>(g_languageCodes.size());
  return index >= 0 && (index < count || (count == 0 && index == 0));
}

}  // namespace

void initTexts() {
  if (g_initialised) return;
  g_initialised = true;
  g_wanted.fill(true);
  loadLanguageList();
  setLanguage(getDeviceLanguage());
}

void loadLanguageList() {
  const std::string name = "text/I";
  DataFile file(resolveResourcePath(name));
  if (!file.isOpen()) {
    report("Cannot open the language list " + name + " (" + file.problem() + ")");
    return;
  }
  unsigned count = 0;
  if (!file.readU8(count)) {
    report("The language list " + name + " is empty");
    return;
  }
  for (unsigned i = 0; i < count; ++i) {
    std::string languageName;
    std::string code;
    if (!file.readString(languageName) || !file.readString(code)) {
      report("The language list " + name + " ends after " + toString(static_cast<int>(i)) + " of " +
             toString(static_cast<int>(count)) + " languages");
      return;
    }
    g_languageNames.push_back(toCString(languageName));
    g_languageCodes.push_back(toCString(code));
  }
}

void setLanguage(const char* code) { setLanguageIndex(getLanguageIndex(code)); }

void setLanguageIndex(int index) {
  if (!validLanguage(index)) {
    std::cerr << "No language " << index << " in the language list; using language 0" << std::endl;
    index = 0;
  }
  if (index == g_currentLanguage) return;
  g_currentLanguage = index;
  for (int bank = 0; bank < kTextBankCount; ++bank) {
    if (!g_wanted[bank]) continue;
    retireBank(bank);
    loadBankNow(bank);
  }
}

void loadTextBank(int bank) {
  if (bank < 0 || bank >= kTextBankCount) return;
  g_wanted[bank] = true;
  if (!g_loaded[bank] && g_currentLanguage >= 0) loadBankNow(bank);
}

void unloadTextBank(int bank) {
  if (bank < 0 || bank >= kTextBankCount) return;
  g_wanted[bank] = false;
  retireBank(bank);
}

const char* getText(int textId, const char* arg1, const char* arg2) {
  const BankData* data = bankOf(textId);
  if (data == nullptr) {
    // 0xFFFFFFFF is how a text node says it has no text: nothing is missing.
    if (textId != kNoTextId) reportMissingText(textId);
    return "";
  }
  const std::size_t index = static_cast<std::size_t>(textIdIndex(textId));
  const char* s = data->strings[index].c_str();
  return data->hasMarkers[index] != 0 ? expandTextMarkers(s, arg1, arg2) : s;
}

bool textHasMarkers(int textId) {
  const BankData* data = bankOf(textId);
  return data != nullptr && data->hasMarkers[static_cast<std::size_t>(textIdIndex(textId))] != 0;
}

const char* getLanguageCode(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= g_languageCodes.size()) return "";
  return g_languageCodes[static_cast<std::size_t>(index)].c_str();
}

int getLanguageIndex(const char* code) {
  if (code == nullptr) return 0;
  for (std::size_t i = 0; i < g_languageCodes.size(); ++i) {
    if (g_languageCodes[i] == code) return static_cast<int>(i);
  }
  return 0;
}

int getCurrentLanguageIndex() { return g_currentLanguage; }

int getSystemLanguageIndex() {
  std::string code = platform::userInterfaceLanguage();
  if (code != "de" && code != "en" && code != "es" && code != "fr" && code != "it") code = "en";
  return getLanguageIndex(code.c_str());
}

namespace {

// One character without a marker prefix; a sequence cut by a NUL is its lead
// byte alone.
std::uint32_t decodePlain(const unsigned char* p, int* length) {
  const unsigned b0 = p[0];
  *length = 1;
  if (b0 >= 0xE0 && b0 <= 0xEF && p[1] != 0 && p[2] != 0) {
    *length = 3;
    std::uint32_t code = b0 & 0x0F;
    code = (code << 6) + (p[1] & 0x3F);
    code = (code << 6) + (p[2] & 0x3F);
    return code;
  }
  if (b0 >= 0xC0 && b0 <= 0xDF && p[1] != 0) {
    *length = 2;
    return (b0 & 0x1F) * 64 + (p[1] & 0x3Fu);
  }
  return b0;  // ASCII, a stray continuation byte, or a cut sequence
}

}  // namespace

std::uint32_t decodeUtf8Char(const unsigned char* p, int* length) {
  // Each marker byte marks the character after it; a run of them marks the
  // same character more than once, which changes nothing. Counted rather than
  // recursed, so a long run cannot exhaust the stack.
  int prefix = 0;
  while (p[prefix] >= 0xF0) ++prefix;
  if (prefix == 0) return decodePlain(p, length);
  std::uint32_t code;
  int baseLength;
  if (p[prefix] == 0) {
    // Nothing left to mark: the last marker byte stands for itself.
    --prefix;
    code = p[prefix];
    baseLength = 1;
  } else {
    code = decodePlain(p + prefix, &baseLength);
  }
  *length = prefix + baseLength;
  return prefix > 0 ? (code | 0xFF000000u) : code;
}

int getSpecialGlyphCode(std::uint32_t code) {
  if (code == 0x2122) return 1;
  if (code == 0x20AC) return 2;
  return 0;
}

bool hasTextMarkers(const char* s) {
  if (s == nullptr) return false;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  while (*p != 0) {
    int length = 1;
    if (isTextMarker(decodeUtf8Char(p, &length))) return true;
    p += length;
  }
  return false;
}

namespace {

// Appends whole characters while they fit, keeping room for the terminator.
class BoundedText {
 public:
  BoundedText(char* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}
  bool append(const unsigned char* p, std::size_t n) {
    if (full_ || used_ + n + 1 > capacity_) {
      full_ = true;
      return false;
    }
    std::memcpy(buffer_ + used_, p, n);
    used_ += n;
    return true;
  }
  void appendText(const char* s) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    while (*p != 0) {
      int length = 1;
      decodeUtf8Char(p, &length);
      if (!append(p, static_cast<std::size_t>(length))) return;
      p += length;
    }
  }
  std::size_t finish() {
    buffer_[used_] = '\0';
    return used_;
  }

 private:
  char* buffer_;
  std::size_t capacity_;
  std::size_t used_ = 0;
  bool full_ = false;
};

char g_markerText[256];

}  // namespace

const char* expandTextMarkers(const char* s, const char* arg1, const char* arg2) {
  static char result[kExpansionBufferSize];
  // Built aside, since an argument may be an earlier result still in the buffer.
  static char work[kExpansionBufferSize];
  BoundedText out(work, sizeof work);
  int argumentsUsed = 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s != nullptr ? s : "");
  while (*p != 0) {
    int length = 1;
    const std::uint32_t code = decodeUtf8Char(p, &length);
    if (!isTextMarker(code)) {
      if (!out.append(p, static_cast<std::size_t>(length))) break;
    } else if (arg1 != nullptr && argumentsUsed == 0) {
      out.appendText(arg1);
      argumentsUsed = 1;
    } else if (arg2 != nullptr && argumentsUsed == 1) {
      out.appendText(arg2);
      argumentsUsed = 2;
    } else {
      out.appendText(getMarkerText(textMarkerCode(code)));
    }
    p += length;
  }
  const std::size_t n = out.finish();
  std::memcpy(result, work, n + 1);
  return result;
}

const char* getMarkerText(int code) {
  if (code == 0) {
    std::snprintf(g_markerText, sizeof g_markerText, "%d", g_markerValue);
  } else if (code == 1) {
    std::snprintf(g_markerText, sizeof g_markerText, "Bouh pour %d", code);
  } else {
    g_markerText[0] = '\0';
  }
  return g_markerText;
}

void setMarkerValue(int value) { g_markerValue = value; }

void resetTexts() {
  g_initialised = false;
  g_currentLanguage = -1;
  g_markerValue = 0;
  g_languageNames.clear();
  g_languageCodes.clear();
  g_wanted.fill(false);
  for (auto& bank : g_loaded) bank.reset();
  g_retired.clear();
  g_lastReport.clear();
}
