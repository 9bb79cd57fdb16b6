#pragma once
// Localized text: the language list "text/I" and the string banks
// "text/<language index>" of the current language. A text id is the bank
// number times 65536 plus the string's index in that bank (9 banks, 0 to 8).
// Strings are UTF-8 with an extension of ours: a byte 0xF0 to 0xFF before a
// character makes that character a marker, a place where a number or another
// string is inserted; the character's code is the marker code.
#include <cstdint>

constexpr int kTextBankCount = 9;

// The id of no text (0xFFFFFFFF): getText gives "" for it without a message.
constexpr int kNoTextId = -1;

constexpr int textIdBank(int textId) { return textId >> 16; }
constexpr int textIdIndex(int textId) { return textId & 0xFFFF; }

// Once per process: loads the language list and the nine banks of the device
// language. Later calls do nothing.
void initTexts();
// Appends the languages of "text/I" to the list. A missing or damaged file
// leaves the entries read before the damage and prints a message.
void loadLanguageList();
// Selects the language of a code; a code not in the list selects index 0.
void setLanguage(const char* code);
// Selects a language by index (an index outside the list selects 0) and, when
// it changed, reloads every wanted bank from that language's file.
void setLanguageIndex(int index);
void loadTextBank(int bank);
void unloadTextBank(int bank);

// The string of a text id, with its markers expanded (arg1 and arg2 fill the
// first two markers). An id whose bank or index does not exist gives "" (and
// a message, except for kNoTextId).
// A string without markers stays valid for the life of the process, across
// language changes, so nodes that hold it until they refresh never read freed
// memory; an expanded one stays valid until the next expansion.
const char* getText(int textId, const char* arg1 = nullptr, const char* arg2 = nullptr);
bool textHasMarkers(int textId);

const char* getLanguageCode(int index);  // "" outside the list
int getLanguageIndex(const char* code);  // 0 when absent
int getCurrentLanguageIndex();           // -1 before the first language is set
// The index of the user's interface language (de, en, es, fr or it; anything
// else counts as en).
int getSystemLanguageIndex();

// Decodes one character of a NUL-terminated string and reports the bytes it
// used in *length. A NUL byte never belongs to a sequence: a sequence or a
// marker cut short by the end of the string decodes as its first byte alone,
// so a walk never steps past the terminator. A marker comes back as
// 0xFF000000 | the code of the character it marks.
std::uint32_t decodeUtf8Char(const unsigned char* p, int* length);
constexpr bool isTextMarker(std::uint32_t code) { return (code & 0xFF000000u) == 0xFF000000u; }
constexpr int textMarkerCode(std::uint32_t code) { return static_cast<int>(code & 0x00FFFFFFu); }
// 1 for U+2122 (trade mark sign), 2 for U+20AC (euro sign), else 0.
int getSpecialGlyphCode(std::uint32_t code);
bool hasTextMarkers(const char* s);
// Copies s with each marker replaced: the first by arg1 when given, the second
// by arg2 when given and arg1 was used, any other by getMarkerText(code). The
// result lives in one buffer shared by all calls (kExpansionBufferSize bytes
// with the terminator); a longer result is cut at a character boundary.
const char* expandTextMarkers(const char* s, const char* arg1, const char* arg2);
constexpr int kExpansionBufferSize = 4096;
// Code 0: the marker value in decimal; code 1: "Bouh pour <code>"; else "".
const char* getMarkerText(int code);
void setMarkerValue(int value);

// Back to the state before initTexts, freeing every string (for tests and
// fuzzing only: pointers handed out before become invalid).
void resetTexts();
