#include "app/StringUtils.h"

#include <sstream>

std::string toString(int value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

std::string toString(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

std::string toString(bool value) { return value ? "1" : "0"; }

int stringToInt(const std::string& text) {
  std::istringstream in(text);
  int value = 0;
  if (!(in >> value)) return 0;  // also 0 on overflow, where the stream reports failure
  return value;
}

std::vector<std::string> split(const std::string& text, char delimiter) {
  std::vector<std::string> pieces;
  std::istringstream in(text);
  std::string piece;
  while (std::getline(in, piece, delimiter)) pieces.push_back(piece);
  return pieces;
}

std::string& replaceAll(std::string& s, const std::string& from, const std::string& to) {
  if (from.empty()) return s;  // would match at every position and never finish
  std::string::size_type pos = 0;
  while ((pos = s.find(from, pos)) != std::string::npos) {
    s.replace(pos, from.size(), to);
    pos += to.size();
  }
  return s;
}
