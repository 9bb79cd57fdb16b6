#pragma once
// Writes the game's localized text files from readable sources: the language
// list "I" and one string-bank file per language, named by its index.
//
// Source notation (UTF-8, one file "<code>.txt" per language):
//   # a comment line
//   @index 0            position in the language list (0, 1, 2... without gaps)
//   @code en            the language code
//   @name English       the name shown for the language
//   @bank 2             the strings below go to bank 2 (0 to 8)
//   14 = Pause          string 14 of that bank
// A string's text runs from after "= " to the end of the line (spaces around
// it are dropped). Indices of a bank may come in any order and leave gaps,
// which hold empty strings. In the text:
//   {N}      a marker with code N (decimal, 0 to 65535): the first markers take
//            the caller's arguments, others print by code (0: the game's marker
//            value)
//   \{ \}    literal braces        \\   a backslash
//   \n       a line break          \s   a space (to keep one at an end)
//   \uXXXX   the character U+XXXX (4 hex digits), e.g. \u2122 for the trade
//            mark sign and \u20AC for the euro sign, which can also be
//            written as themselves
//   %%       shows as one percent sign, as in every text the game draws
// Characters above U+FFFF cannot be stored: their first byte is the marker
// byte of the game's text encoding.
#include <array>
#include <string>
#include <utility>
#include <vector>

namespace textbank {

constexpr int kBankCount = 9;
using Banks = std::array<std::vector<std::string>, kBankCount>;

struct LanguageSource {
  int index = -1;
  std::string code;
  std::string name;
  Banks banks;  // encoded strings, ready for the bank file
};

// The bytes of a marker with the given code: the marker byte 0xF0 and the
// code as a character. Code 0 uses the two-byte form of NUL so that strings
// stay free of NUL bytes.
std::string markerBytes(unsigned code);

// Encodes the text of a source line (the notation above) into the game's bytes.
bool encodeText(const std::string& notation, std::string& out, std::string& error);

// Parses a whole language source; errors name the line.
bool parseLanguageSource(const std::string& text, LanguageSource& out, std::string& error);

// File images. Throw std::length_error past the formats' limits (255
// languages, 65535 strings per bank, 65535 bytes per string).
std::string encodeLanguageList(const std::vector<std::pair<std::string, std::string>>& namesAndCodes);
std::string encodeBankFile(const Banks& banks);

bool writeBinaryFile(const std::string& path, const std::string& bytes);

// Reads every "*.txt" of sourceDir and writes "I" and "<index>" for each
// language into outDir (created when missing).
bool buildTextBanks(const std::string& sourceDir, const std::string& outDir, std::string& error);

}  // namespace textbank
