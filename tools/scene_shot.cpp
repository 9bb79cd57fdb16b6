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
#include "render_engine/GlStateCache.h"
#include "tools/texture_writer.h"

namespace {
constexpr int kWidth = 960;
constexpr int kHeight = 640;
}  // namespace

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

  glViewport(0, 0, kWidth, kHeight);
  glShadeModel(GL_FLAT);
  RenderEngine::cachedEnable(GL_TEXTURE_2D);
  RenderEngine::cachedEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glScalef(1.0f, -1.0f, 1.0f);
  glOrtho(0, kWidth, 0, kHeight, -1, 0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glColor4f(1, 1, 1, 1);
  glScalef(2.0f, 2.0f, 1.0f);
  root->draw(false, true);
  glFinish();

  std::vector<unsigned char> pixels(static_cast<std::size_t>(kWidth) * kHeight * 4);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  texwriter::Picture picture(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const unsigned char* p = &pixels[(static_cast<std::size_t>(kHeight - 1 - y) * kWidth + x) * 4];
      picture.set(x, y, texwriter::Rgba{p[0], p[1], p[2], 255});
    }
  }
  delete root;
  if (!texwriter::writePng(out, picture)) {
    std::fprintf(stderr, "scene_shot: cannot write %s\n", out.c_str());
    return 1;
  }
  return reader.getError().empty() ? 0 : 1;
}
