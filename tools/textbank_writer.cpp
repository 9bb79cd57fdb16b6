#include "tools/textbank_writer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "app/DataFiles.h"

namespace textbank {

namespace {

void appendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Checks one UTF-8 character of the source at s[i] and appends it; 0 on an
// invalid or unstorable one.
std::size_t copySourceChar(const std::string& s, std::size_t i, std::string& out, std::string& error) {
  const unsigned char b0 = static_cast<unsigned char>(s[i]);
  std::size_t n = 0;
  unsigned code = 0;
  if (b0 < 0x80) {
    n = 1;
    code = b0;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2;
    code = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3;
    code = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    error = "characters above U+FFFF cannot be stored";
    return 0;
  } else {
    error = "invalid UTF-8";
    return 0;
  }
  if (i + n > s.size()) {
    error = "invalid UTF-8 (cut sequence)";
    return 0;
  }
  for (std::size_t k = 1; k < n; ++k) {
    const unsigned char b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      error = "invalid UTF-8";
      return 0;
    }
    code = (code << 6) | (b & 0x3F);
  }
  if ((n == 3 && code < 0x800) || (code >= 0xD800 && code <= 0xDFFF)) {
    error = "invalid UTF-8";
    return 0;
  }
  if (code == 0) {
    error = "a NUL character cannot be stored";
    return 0;
  }
  out.append(s, i, n);
  return n;
}

std::string trim(const std::string& s) {
  const char* space = " \t\r";
  const std::size_t first = s.find_first_not_of(space);
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(space) - first + 1);
}

bool parseNumber(const std::string& s, unsigned long limit, unsigned long& value) {
  if (s.empty() || s.size() > 10 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  value = std::stoul(s);
  return value <= limit;
}

void putU16(std::string& out, std::size_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void putU32(std::string& out, std::size_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void putString(std::string& out, const std::string& s) {
  if (s.size() > 0xFFFF) throw std::length_error("a text is longer than 65535 bytes");
  putU16(out, s.size());
  out += s;
}

}  // namespace

std::string markerBytes(unsigned code) {
  std::string out = "\xF0";
  if (code == 0) {
    out += "\xC0\x80";
  } else {
    appendUtf8(out, code);
  }
  return out;
}

bool encodeText(const std::string& notation, std::string& out, std::string& error) {
  out.clear();
  std::size_t i = 0;
  while (i < notation.size()) {
    const char c = notation[i];
    if (c == '\\') {
      if (i + 1 >= notation.size()) {
        error = "a backslash ends the text (write \\\\ for one)";
        return false;
      }
      const char e = notation[i + 1];
      i += 2;
      switch (e) {
        case '\\': out.push_back('\\'); break;
        case '{': out.push_back('{'); break;
        case '}': out.push_back('}'); break;
        case 'n': out.push_back('\n'); break;
        case 's': out.push_back(' '); break;
        case 'u': {
          unsigned code = 0;
          for (int k = 0; k < 4; ++k) {
            const int h = i < notation.size() ? hexValue(notation[i]) : -1;
            if (h < 0) {
              error = "\\u needs four hex digits";
              return false;
            }
            code = code * 16 + static_cast<unsigned>(h);
            ++i;
          }
          if (code == 0 || (code >= 0xD800 && code <= 0xDFFF)) {
            error = "\\u names no storable character";
            return false;
          }
          appendUtf8(out, code);
          break;
        }
        default:
          error = std::string("unknown escape \\") + e;
          return false;
      }
    } else if (c == '{') {
      const std::size_t close = notation.find('}', i);
      unsigned long code = 0;
      if (close == std::string::npos || !parseNumber(notation.substr(i + 1, close - i - 1), 0xFFFF, code)) {
        error = "a marker is written {N} with N from 0 to 65535 (\\{ for a brace)";
        return false;
      }
      out += markerBytes(static_cast<unsigned>(code));
      i = close + 1;
    } else if (c == '}') {
      error = "a closing brace without a marker (\\} for a brace)";
      return false;
    } else {
      const std::size_t n = copySourceChar(notation, i, out, error);
      if (n == 0) return false;
      i += n;
    }
  }
  return true;
}

bool parseLanguageSource(const std::string& text, LanguageSource& out, std::string& error) {
  out = LanguageSource();
  std::array<std::vector<bool>, kBankCount> seen;
  int bank = -1;
  std::istringstream in(text);
  std::string raw;
  int lineNumber = 0;
  auto fail = [&](const std::string& what) {
    error = "line " + std::to_string(lineNumber) + ": " + what;
    return false;
  };
  while (std::getline(in, raw)) {
    ++lineNumber;
    const std::string line = trim(raw);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '@') {
      const std::size_t space = line.find_first_of(" \t");
      const std::string key = line.substr(1, space == std::string::npos ? std::string::npos : space - 1);
      const std::string value = space == std::string::npos ? std::string() : trim(line.substr(space));
      unsigned long number = 0;
      if (key == "index") {
        if (!parseNumber(value, 254, number)) return fail("@index needs a number from 0 to 254");
        out.index = static_cast<int>(number);
      } else if (key == "code") {
        if (value.empty() || value.find_first_of(" \t") != std::string::npos) return fail("@code needs one word");
        out.code = value;
      } else if (key == "name") {
        std::string encoded;
        if (value.empty() || !encodeText(value, encoded, error)) return fail("@name: " + error);
        out.name = encoded;
      } else if (key == "bank") {
        if (!parseNumber(value, kBankCount - 1, number)) return fail("@bank needs a number from 0 to 8");
        bank = static_cast<int>(number);
      } else {
        return fail("unknown directive @" + key);
      }
      continue;
    }
    const std::size_t eq = line.find('=');
    unsigned long index = 0;
    if (eq == std::string::npos || !parseNumber(trim(line.substr(0, eq)), 0xFFFE, index)) {
      return fail("expected \"INDEX = text\" (INDEX from 0 to 65534)");
    }
    if (bank < 0) return fail("a string before any @bank");
    std::string encoded;
    if (!encodeText(trim(line.substr(eq + 1)), encoded, error)) return fail(error);
    if (encoded.size() > 0xFFFF) return fail("the text is longer than 65535 bytes");
    std::vector<std::string>& strings = out.banks[static_cast<std::size_t>(bank)];
    std::vector<bool>& used = seen[static_cast<std::size_t>(bank)];
    if (strings.size() <= index) {
      strings.resize(index + 1);
      used.resize(index + 1, false);
    }
    if (used[index]) return fail("string " + std::to_string(index) + " of bank " + std::to_string(bank) + " again");
    used[index] = true;
    strings[index] = encoded;
  }
  const char* missing = out.index < 0 ? "@index" : out.code.empty() ? "@code" : out.name.empty() ? "@name" : nullptr;
  if (missing != nullptr) {
    error = std::string("no ") + missing;
    return false;
  }
  return true;
}

std::string encodeLanguageList(const std::vector<std::pair<std::string, std::string>>& namesAndCodes) {
  if (namesAndCodes.size() > 255) throw std::length_error("more than 255 languages");
  std::string out;
  out.push_back(static_cast<char>(namesAndCodes.size()));
  for (const auto& [name, code] : namesAndCodes) {
    putString(out, name);
    putString(out, code);
  }
  return out;
}

std::string encodeBankFile(const Banks& banks) {
  std::string body;
  std::array<std::size_t, kBankCount> offsets{};
  const std::size_t header = 4 * kBankCount;
  for (int b = 0; b < kBankCount; ++b) {
    const std::vector<std::string>& strings = banks[static_cast<std::size_t>(b)];
    if (strings.size() > 0xFFFF) throw std::length_error("a bank holds more than 65535 strings");
    offsets[static_cast<std::size_t>(b)] = header + body.size();
    putU16(body, strings.size());
    for (const std::string& s : strings) putString(body, s);
  }
  if (header + body.size() > 0xFFFFFFFFu) throw std::length_error("a bank file larger than 4 GB");
  std::string out;
  for (std::size_t offset : offsets) putU32(out, offset);
  return out + body;
}

bool writeBinaryFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  f.close();
  return !f.fail();
}

bool buildTextBanks(const std::string& sourceDir, const std::string& outDir, std::string& error) {
  namespace fs = std::filesystem;
  std::vector<fs::path> sources;
  std::error_code ec;
  for (fs::directory_iterator it(sourceDir, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() == ".txt") sources.push_back(it->path());
  }
  if (ec) {
    error = sourceDir + ": " + ec.message();
    return false;
  }
  std::sort(sources.begin(), sources.end());
  std::map<int, LanguageSource> languages;
  for (const fs::path& path : sources) {
    constexpr std::size_t kMaxSourceBytes = 16u << 20;
    std::string text;
    const FileStatus status = readRegularFile(path.string(), kMaxSourceBytes, text);
    LanguageSource language;
    if (status != FileStatus::Ok || !parseLanguageSource(text, language, error)) {
      error = path.string() + ": " +
              (status == FileStatus::Ok ? error : std::string("cannot read (") + describeFileStatus(status) + ")");
      return false;
    }
    for (const auto& [index, other] : languages) {
      if (other.code == language.code) {
        error = path.string() + ": language code " + language.code + " used twice";
        return false;
      }
    }
    if (!languages.emplace(language.index, language).second) {
      error = path.string() + ": language index " + std::to_string(language.index) + " used twice";
      return false;
    }
  }
  if (languages.empty()) {
    error = sourceDir + ": no language source (*.txt)";
    return false;
  }
  std::vector<std::pair<std::string, std::string>> list;
  for (const auto& [index, language] : languages) {
    if (index != static_cast<int>(list.size())) {
      error = "language indices must run from 0 without gaps; " + std::to_string(list.size()) + " is missing";
      return false;
    }
    list.emplace_back(language.name, language.code);
  }
  fs::create_directories(outDir, ec);
  if (!writeBinaryFile(outDir + "/I", encodeLanguageList(list))) {
    error = outDir + "/I: cannot write";
    return false;
  }
  for (const auto& [index, language] : languages) {
    const std::string path = outDir + "/" + std::to_string(index);
    if (!writeBinaryFile(path, encodeBankFile(language.banks))) {
      error = path + ": cannot write";
      return false;
    }
  }
  return true;
}

}  // namespace textbank
