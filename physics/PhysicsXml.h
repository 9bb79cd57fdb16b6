#pragma once
// Reading numbers and names out of the physics data files. Every value from a
// file is checked here: a missing, empty or unreadable value gives a message
// naming the file and the element, and the stated default is used instead.
#include <cstdint>
#include <optional>
#include <string>

class TiXmlElement;

namespace PhysicsXml {

// The whole text as a number (surrounding blanks allowed); nothing when the
// text is empty, has anything after the number, or is not finite.
std::optional<double> parseReal(const char* text);
// The whole text as a 32-bit signed integer.
std::optional<std::int32_t> parseInteger(const char* text);

// The number at the start of the text, read as the C library's atoi and atof
// read it: blanks skipped, then the longest number there, anything after it
// ignored, 0 when none. The integer is held to the 32-bit range (where atoi
// would be undefined); the real may come out infinite or NaN ("inf", "nan").
std::int32_t leadingInteger(const char* text);
double leadingReal(const char* text);

// A double kept within the float range, so converting it is defined.
float toFloat(double value);

// Where a value comes from, for the messages: the file, then the element.
struct Where {
  const std::string& file;
  std::string element;
};

// An attribute as a number; the default (with a message) when it is missing
// or unreadable.
double realAttribute(const TiXmlElement& e, const char* name, double fallback, const Where& where);
std::int32_t integerAttribute(const TiXmlElement& e, const char* name, std::int32_t fallback, const Where& where);
// An attribute read only when present; a present but unreadable value gives a
// message and the default.
double optionalRealAttribute(const TiXmlElement& e, const char* name, double fallback, const Where& where);
// An attribute's text; the default (with a message) when it is missing.
std::string textAttribute(const TiXmlElement& e, const char* name, const std::string& fallback, const Where& where);

// A model name becomes part of a file name: it must be a plain name, with no
// folder separator and not "." or "..".
bool isPlainName(const std::string& name);

}  // namespace PhysicsXml
