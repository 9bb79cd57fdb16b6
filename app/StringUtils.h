#pragma once
// Number and truth-value conversions and splitting, as the data readers and the
// window glue use them.
#include <string>
#include <vector>

std::string toString(int value);
std::string toString(const char* text);  // nullptr gives ""
std::string toString(bool value);         // "1" or "0"

// The int a standard input stream reads from the start of text; 0 when none.
int stringToInt(const std::string& text);

// The pieces successive getline calls with the delimiter produce: empty pieces
// between delimiters and a leading empty piece stay, a trailing delimiter adds
// no piece, and "" gives an empty list.
std::vector<std::string> split(const std::string& text, char delimiter);

// Replaces every occurrence of from, left to right, resuming after each
// inserted text. An empty from changes nothing. Returns s.
std::string& replaceAll(std::string& s, const std::string& from, const std::string& to);
