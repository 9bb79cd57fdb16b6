#include "app/ResourcePaths.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <vector>

#include <tinyxml.h>

#include "app/DataFiles.h"

#include "app/StringUtils.h"
#include "platform/platform.h"

namespace {

// No data file of the game comes near these: the largest level is a few
// hundred elements a few levels deep. The parser recurses once per level of
// nesting (a deep file overflows the stack) and holds a large file several
// times over, so both are refused before it sees them.
constexpr std::size_t kMaxXmlFileSize = 16u * 1024u * 1024u;
constexpr int kMaxXmlDepth = 64;

std::size_t skipPast(const std::string& text, std::size_t from, const char* end) {
  const std::size_t at = text.find(end, from);
  return at == std::string::npos ? text.size() : at + std::strlen(end);
}

// The deepest element nesting of an XML text, counted generously: every tag
// opening that is not closed again counts, whether or not the parser would
// accept it, so what the parser can recurse into is never deeper than this.
int xmlNestingDepth(const std::string& text) {
  int depth = 0;
  int deepest = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '<') {
      ++i;
      continue;
    }
    if (text.compare(i, 4, "<!--") == 0) {
      i = skipPast(text, i + 4, "-->");
    } else if (text.compare(i, 9, "<![CDATA[") == 0) {
      i = skipPast(text, i + 9, "]]>");
    } else if (i + 1 < text.size() && (text[i + 1] == '?' || text[i + 1] == '!')) {
      i = skipPast(text, i + 2, ">");
    } else if (i + 1 < text.size() && text[i + 1] == '/') {
      if (depth > 0) --depth;
      i = skipPast(text, i + 2, ">");
    } else {
      // An opening tag: find its end outside quoted attribute values. A '<'
      // before the end starts the next tag, and this one stays open.
      ++depth;
      deepest = std::max(deepest, depth);
      std::size_t j = i + 1;
      char quote = 0;
      bool selfClosing = false;
      while (j < text.size()) {
        const char c = text[j];
        if (quote != 0) {
          if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '<') {
          break;
        } else if (c == '>') {
          selfClosing = text[j - 1] == '/';
          ++j;
          break;
        }
        ++j;
      }
      if (selfClosing) --depth;
      i = j;
    }
  }
  return deepest;
}

void refuseDocument(TiXmlDocument& doc, const std::string& name, const std::string& why) {
  std::cerr << "XML file error : " << name << " " << why << std::endl;
  doc.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
}

}  // namespace

bool fileExists(const std::string& path) { return isRegularFile(path); }

namespace {

// The resolver's candidates, relative to the working folder (the same files
// as the working folder joined with each, without asking for the folder).
std::vector<std::string> candidatesOf(const std::string& name, std::string& dir, std::string& file) {
  std::vector<std::string> pieces = split(name, '/');
  dir.clear();
  file = name;
  if (pieces.size() > 1) {
    file = pieces.back();
    pieces.pop_back();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (i > 0) dir += "/";
      dir += pieces[i];
    }
  }
  return {dir + "/" + file, std::string("win32_mandatory") + "/" + file, std::string("iphone_mandatory") + "/" + file};
}

// Reads the file the resolver would resolve name to, opening it once: the
// first candidate that is a regular file, else the name itself. present
// tells whether any of them was there to read.
FileStatus readResource(const std::string& name, std::size_t maxBytes, std::string& text, bool& present) {
  std::string dir;
  std::string file;
  for (const std::string& candidate : candidatesOf(name, dir, file)) {
    const FileStatus status = readRegularFile("./" + candidate, maxBytes, text, &present);
    if (present) return status;
  }
  return readRegularFile(name, maxBytes, text, &present);
}

}  // namespace

std::string resolveResourcePath(const std::string& name) {
  std::string dir;
  std::string file;
  const std::vector<std::string> relative = candidatesOf(name, dir, file);
  std::string cwd = platform::currentDirectory();
  // With no known working folder, stay relative to it rather than to the root.
  std::string base = cwd.empty() ? std::string(".") : cwd;
  base += "/";
  replaceAll(base, "\\", "/");
  for (const std::string& candidate : relative) {
    if (fileExists(base + candidate)) return base + candidate;
  }
  return name;
}

std::string getSaveFilePath(const std::string& fileName) {
  std::string path;
  if (!platform::appDataFolder(path)) return fileName;
  path += "/TARNWELL";
  platform::makeDirectory(path);
  path += "/Quillmoor";
  platform::makeDirectory(path);
  return path + "/" + fileName;
}

namespace {

XmlResource parseXmlResource(TiXmlDocument& doc, const std::string& name, bool quietWhenAbsent) {
  std::string text;
  bool present = false;
  const FileStatus status = readResource(name, kMaxXmlFileSize, text, present);
  if (!present && quietWhenAbsent) return XmlResource::Absent;
  if (status == FileStatus::TooLarge) {
    refuseDocument(doc, name, "is larger than " + toString(static_cast<int>(kMaxXmlFileSize >> 20)) + " MB");
    return XmlResource::Failed;
  }
  if (status == FileStatus::NotRegular) {
    // TinyXML would open a folder happily and report a confusing empty document.
    refuseDocument(doc, name, "is not a regular file");
    return XmlResource::Failed;
  }
  if (status != FileStatus::Ok) {
    doc.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
    return XmlResource::Failed;
  }
  if (xmlNestingDepth(text) > kMaxXmlDepth) {
    refuseDocument(doc, name, "nests elements deeper than " + toString(kMaxXmlDepth) + " levels");
    return XmlResource::Failed;
  }
  // Line ends are made "\n" as the parser's own file loading would.
  if (text.find('\r') != std::string::npos) {
    std::string normalized;
    normalized.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r') {
        normalized.push_back('\n');
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      } else {
        normalized.push_back(text[i]);
      }
    }
    text.swap(normalized);
  }
  // Padded with NULs: the parser looks a few bytes ahead of a multi-byte
  // character, which reads past the end of a file cut inside one.
  text.append(8, '\0');
  doc.Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
  return doc.Error() ? XmlResource::Failed : XmlResource::Loaded;
}

}  // namespace

bool loadXmlResource(TiXmlDocument& doc, const std::string& name) {
  return parseXmlResource(doc, name, false) == XmlResource::Loaded;
}

XmlResource loadXmlResourceIfPresent(TiXmlDocument& doc, const std::string& name) {
  return parseXmlResource(doc, name, true);
}
