// scene_shot DATA_DIR SCENE OUT.png [options]: draws a scene file as the game
// would (960x640, points scaled by two) and writes the picture. Needs a
// display (run it under xvfb-run). Options, applied in order:
//   --lang CODE        the language of the texts (default en)
//   --frames N         updates of 33 ms first, with the looping parts playing
//   --state TAG N      shows state N on the button tagged TAG
//   --option TAG N     selects option N of the option list tagged TAG
//   --play TAG         plays the animations of the nodes tagged TAG for ever
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/LocalizedText.h"
#include "render_engine/CButton.h"
#include "render_engine/CNodeReader.h"
#include "tools/screen_capture.h"

using screencapture::kHeight;
using screencapture::kWidth;

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: scene_shot DATA_DIR SCENE OUT.png [--lang CODE] [--frames N] [--state TAG N] "
                         "[--option TAG N] [--play TAG]\n");
    return 2;
  }
  const std::string out = std::filesystem::absolute(argv[3]).string();
  int glutArgc = 1;
  char* glutArgv[] = {argv[0], nullptr};
  glutInit(&glutArgc, glutArgv);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE);
  glutInitWindowSize(kWidth, kHeight);
  glutCreateWindow("scene_shot");
  std::filesystem::current_path(argv[1]);

  const char* language = "en";
  for (int i = 4; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--lang") == 0) language = argv[i + 1];
  }
  initTexts();
  setLanguage(language);

  ExportCNode::CNodeReader reader(argv[2]);
  RenderEngine::CNode* root = reader.read();
  for (int i = 4; i < argc; ++i) {
    const std::string option = argv[i];
    auto number = [&](int k) { return i + k < argc ? std::atoi(argv[i + k]) : 0; };
    if (option == "--frames") {
      for (int f = number(1); f > 0; --f) root->update(33);
      ++i;
    } else if (option == "--state") {
      if (auto* button = dynamic_cast<RenderEngine::CButton*>(root->findByTag(number(1)))) {
        button->showState(static_cast<std::int16_t>(number(2)));
      }
      i += 2;
    } else if (option == "--option") {
      if (RenderEngine::CNode* list = root->findByTag(number(1))) list->showFrame(number(2));
      i += 2;
    } else if (option == "--play") {
      root->playAnimationByTagDeep(number(1), -1, false);
      ++i;
    } else if (option == "--lang") {
      ++i;
    }
  }

  screencapture::beginFrame();
  root->draw(false, true);
  const std::vector<unsigned char> pixels = screencapture::readFrame();
  delete root;
  if (!screencapture::writePng(out, pixels)) {
    std::fprintf(stderr, "scene_shot: cannot write %s\n", out.c_str());
    return 1;
  }
  return reader.getError().empty() ? 0 : 1;
}
