// make_text_banks SRC_DIR OUT_DIR: builds the language list "I" and the string
// banks of every language source "*.txt" in SRC_DIR (see textbank_writer.h
// for the notation) into OUT_DIR.
#include <cstdio>
#include <exception>
#include <string>

#include "tools/textbank_writer.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_text_banks SRC_DIR OUT_DIR\n");
    return 2;
  }
  std::string error;
  try {
    if (!textbank::buildTextBanks(argv[1], argv[2], error)) {
      std::fprintf(stderr, "make_text_banks: %s\n", error.c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_text_banks: %s\n", e.what());
    return 1;
  }
  return 0;
}
