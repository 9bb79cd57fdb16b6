#pragma once
// The hidden window the level picture tools draw into, with sound off and
// saves in a scratch folder of their own, working from the data folder.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "tools/scratch_folder.h"
#include "tools/screen_capture.h"

namespace levelwindow {

// False, with a line on the error stream, when it cannot.
inline bool open(const char* tool, char* argv0, const char* dataDir) {
  setenv("ALSOFT_DRIVERS", "null", 1);
  const std::string saves = scratch::makeFolder(tool);
  if (saves.empty()) return false;
  setenv("XDG_DATA_HOME", saves.c_str(), 1);
  int glutArgc = 1;
  char* glutArgv[] = {argv0, nullptr};
  glutInit(&glutArgc, glutArgv);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE);
  glutInitWindowSize(screencapture::kWidth, screencapture::kHeight);
  glutCreateWindow(tool);
  std::error_code ec;
  std::filesystem::current_path(dataDir, ec);
  if (ec) {
    std::fprintf(stderr, "%s: cannot enter %s\n", tool, dataDir);
    return false;
  }
  return true;
}

}  // namespace levelwindow
