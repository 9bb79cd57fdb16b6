#include "physics/PhysicsXml.h"

#include <tinyxml.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "physics/PhysicsGuard.h"

namespace PhysicsXml {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The text with nothing but blanks after position end.
bool onlyBlanksAfter(const char* end) {
  while (*end != '\0' && isBlank(*end)) ++end;
  return *end == '\0';
}

void reportBad(const Where& where, const char* name, const char* text, const char* fallback) {
  RenderEngine::PhysicsGuard::report("%s: %s: attribute %s \"%s\" is not a number, using %s", where.file.c_str(),
                                     where.element.c_str(), name, text, fallback);
}

void reportMissing(const Where& where, const char* name, const char* fallback) {
  RenderEngine::PhysicsGuard::report("%s: %s: attribute %s is missing, using %s", where.file.c_str(),
                                     where.element.c_str(), name, fallback);
}

std::string show(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", v);
  return buffer;
}

}  // namespace

std::optional<double> parseReal(const char* text) {
  if (text == nullptr) return std::nullopt;
  while (isBlank(*text)) ++text;
  if (*text == '\0') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (end == text || !onlyBlanksAfter(end) || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<std::int32_t> parseInteger(const char* text) {
  if (text == nullptr) return std::nullopt;
  while (isBlank(*text)) ++text;
  if (*text == '\0') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (end == text || !onlyBlanksAfter(end) || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(v);
}

std::int32_t leadingInteger(const char* text) {
  if (text == nullptr) return 0;
  errno = 0;
  const long long v = std::strtoll(text, nullptr, 10);
  if (v < INT32_MIN) return INT32_MIN;
  if (v > INT32_MAX) return INT32_MAX;
  return static_cast<std::int32_t>(v);
}

double leadingReal(const char* text) { return text == nullptr ? 0.0 : std::strtod(text, nullptr); }

float toFloat(double value) {
  if (std::isnan(value)) return 0.0f;
  if (value > FLT_MAX) return FLT_MAX;
  if (value < -FLT_MAX) return -FLT_MAX;
  return static_cast<float>(value);
}

double realAttribute(const TiXmlElement& e, const char* name, double fallback, const Where& where) {
  const char* text = e.Attribute(name);
  if (text == nullptr) {
    reportMissing(where, name, show(fallback).c_str());
    return fallback;
  }
  if (auto v = parseReal(text)) return *v;
  reportBad(where, name, text, show(fallback).c_str());
  return fallback;
}

double optionalRealAttribute(const TiXmlElement& e, const char* name, double fallback, const Where& where) {
  const char* text = e.Attribute(name);
  if (text == nullptr) return fallback;
  if (auto v = parseReal(text)) return *v;
  reportBad(where, name, text, show(fallback).c_str());
  return fallback;
}

std::int32_t integerAttribute(const TiXmlElement& e, const char* name, std::int32_t fallback, const Where& where) {
  const char* text = e.Attribute(name);
  const std::string shown = std::to_string(fallback);
  if (text == nullptr) {
    reportMissing(where, name, shown.c_str());
    return fallback;
  }
  if (auto v = parseInteger(text)) return *v;
  reportBad(where, name, text, shown.c_str());
  return fallback;
}

std::string textAttribute(const TiXmlElement& e, const char* name, const std::string& fallback, const Where& where) {
  const char* text = e.Attribute(name);
  if (text != nullptr) return text;
  reportMissing(where, name, fallback.empty() ? "\"\"" : ("\"" + fallback + "\"").c_str());
  return fallback;
}

bool isPlainName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

}  // namespace PhysicsXml
