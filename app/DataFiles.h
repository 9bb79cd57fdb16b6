#pragma once
// Reading data files and writing save files safely. Every file the game reads
// may be missing, cut short, huge or not a file at all (a FIFO would block the
// open, /dev/zero would never end); every save must survive a crash or a
// hostile link beside it.
#include <cstddef>
#include <cstdio>
#include <string>

enum class FileStatus {
  Ok,
  Missing,     // no such file (the only case that means "first start")
  NotRegular,  // a folder, FIFO, device or socket
  TooLarge,    // larger than the caller's limit
  Failed,      // exists but cannot be opened or read (permissions, I/O error)
};

// A short text for messages ("not a regular file", ...).
const char* describeFileStatus(FileStatus status);

// Opens path for reading, only when it is a regular file: the check is made on
// the open descriptor, so nothing can be swapped in between, and the open does
// not block on a FIFO. The stream is positioned at the start; null with the
// reason in status otherwise.
std::FILE* openRegularFile(const std::string& path, FileStatus& status);

// Reads the whole of a regular file of at most maxBytes into out. opened,
// when given, tells whether the file was there to read (an open regular
// file), whatever became of the read.
FileStatus readRegularFile(const std::string& path, std::size_t maxBytes, std::string& out, bool* opened = nullptr);

// True when path is a regular file that opens for reading.
bool isRegularFile(const std::string& path);

// Replaces path with data: written to path + ".tmp" (made afresh, never
// followed through a link), synced, renamed over path, and the folder synced.
// On failure the old file is left as it was and false is returned.
bool writeFileAtomically(const std::string& path, const std::string& data);
