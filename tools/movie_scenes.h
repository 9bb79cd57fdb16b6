#pragma once
// The game's movies as stories: a readable script of shots (named scenes
// drawn in code, on the texture writer's sheep, wolf and block drawings), the
// music score that plays under them and the sound effects at their times.
//
// Script lines ('#' starts a comment):
//   movie FILE SECONDS          the file written below video/, and its length
//   music SCORE                 a score file beside the script
//   shot START END SCENE        a scene from START to END seconds
//   effect AT NAME [GAIN]       an effect of the game's effects recipes
// Scenes: dawn-title meadow dusk wolves stand morning road farm sunset-title.
#include <cstdint>
#include <string>
#include <vector>

namespace moviescenes {

struct Shot {
  double start = 0;
  double end = 0;
  std::string scene;
};

struct EffectCue {
  double at = 0;
  std::string name;
  double gain = 1;
};

struct Story {
  std::string file;
  double seconds = 0;
  std::string music;
  std::vector<Shot> shots;
  std::vector<EffectCue> effects;
};

bool parseStory(const std::string& text, Story& out, std::string* error);
bool isKnownScene(const std::string& scene);

// Paints the story at time t (seconds) into an RGB picture.
class Painter {
 public:
  // fontFile: the face the titles are set in.
  Painter(int width, int height, const std::string& fontFile);
  ~Painter();
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;
  void paint(const Story& story, double t, std::uint8_t* rgb, int stride);

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace moviescenes
