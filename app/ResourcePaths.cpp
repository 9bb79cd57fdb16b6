#include "app/ResourcePaths.h"

#include <cstdio>
#include <vector>

#include <sys/stat.h>
#include <tinyxml.h>

#include "app/StringUtils.h"
#include "platform/platform.h"

bool fileExists(const std::string& path) {
  struct stat st {};
  if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

std::string resolveResourcePath(const std::string& name) {
  std::vector<std::string> pieces = split(name, '/');
  std::string dir;
  std::string file = name;
  if (pieces.size() > 1) {
    file = pieces.back();
    pieces.pop_back();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (i > 0) dir += "/";
      dir += pieces[i];
    }
  }
  std::string cwd = platform::currentDirectory();
  // With no known working folder, stay relative to it rather than to the root.
  std::string base = cwd.empty() ? std::string(".") : cwd;
  base += "/";
  replaceAll(base, "\\", "/");

  const std::string candidates[] = {
      base + dir + "/" + file,
      base + "win32_mandatory" + "/" + file,
      base + "iphone_mandatory" + "/" + file,
  };
  for (const std::string& candidate : candidates) {
    if (fileExists(candidate)) return candidate;
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

bool loadXmlResource(TiXmlDocument& doc, const std::string& name) {
  const std::string path = resolveResourcePath(name);
  // TinyXML opens folders happily and then reports a confusing empty document.
  if (!fileExists(path)) {
    doc.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
    return false;
  }
  // Read the file ourselves and hand the parser a copy padded with NULs: the
  // parser looks a few bytes ahead of a multi-byte character, which reads past
  // the end of a file cut inside one. Line ends are made "\n" as its own file
  // loading would.
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    doc.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
    return false;
  }
  std::string text;
  char chunk[8192];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, got);
  const bool readFailed = std::ferror(f) != 0;
  std::fclose(f);
  if (readFailed) {
    doc.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
    return false;
  }
  std::string normalized;
  normalized.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      normalized.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      normalized.push_back(text[i]);
    }
  }
  normalized.append(8, '\0');
  doc.Parse(normalized.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
  return !doc.Error();
}
