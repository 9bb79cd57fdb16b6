#pragma once
// The readable source of a scene file (XML; the format is described at the
// top of tools/brutc.cpp and in data/scenes/README.md), parsed into a list of
// nodes with what each should look like once read, and compiled into a
// "BRUT" file through the scene writer.
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/scene_writer.h"

namespace SceneSource {

enum class Kind { Node = 1, Sprite = 2, Options = 3, Button = 4, Text = 5 };

struct Key {
  int frames = 0;
  SceneWriter::Pose from;
  SceneWriter::Pose to;
};

struct SourceNode {
  Kind kind = Kind::Node;
  int line = 0;
  SceneWriter::Look look;
  bool opaque = false;
  int loopStart = INT_MIN;  // INT_MIN: none given
  std::vector<Key> keys;
  std::vector<int> children;  // indices into Scene::nodes, in order
  // Option lists: per option, positions in the list's own children.
  std::vector<std::vector<std::uint16_t>> options;
  // Sprites.
  int texture = 0;
  float size[2] = {0, 0};
  float offset[2] = {0, 0};
  // Texts (size above is the box).
  std::uint32_t textId = 0xFFFFFFFFu;
  int font = 0;
  int flags = 0;
  int lineSpacing = 0;
  int spacing = 0;
};

struct Scene {
  std::vector<SourceNode> nodes;
  int root = 0;
  int typeZeroCount = 0;
};

// False with "name:line: message" in error when the source is not a scene.
bool parseSceneText(const std::string& xml, const std::string& name, Scene& scene, std::string& error);
bool parseSceneFile(const std::string& path, Scene& scene, std::string& error);

SceneWriter::SceneFileWriter compileScene(const Scene& scene);

}  // namespace SceneSource
