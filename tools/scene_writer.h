#pragma once
// Writes "BRUT" scene files (version 1.6) field by field, little-endian. Nodes
// are added in any order and referred to by the handle add returns; the node
// table groups them by type (all plain nodes, then sprites, option lists,
// buttons, texts), each type in the order added, and the sections name nodes
// by their place in that table.
//
// The look helpers turn what the reader should end up with (position, anchor,
// own colour, a sprite's size and picture offset, a text's box) into record
// fields, undoing the reader's conversions. The raw fields allow broken files
// for tests.
#include <cstdint>
#include <string>
#include <vector>

#include "render_engine/CNodeReader.h"

namespace SceneWriter {

using ExportCNode::SceneNodeRecord;
using ExportCNode::SceneSpriteRecord;
using ExportCNode::SceneTextRecord;

// The 16 floats of a keyframe pose: 0-2 position, 5 rotation about z, 6-8
// scale, 9-10 skew, 12-14 colour offsets, 15 alpha offset.
struct Pose {
  float f[16] = {0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
};

// What a node should look like once read.
struct Look {
  int tag = 0;
  float position[3] = {0, 0, 0};
  float anchor[2] = {0, 0};
  float rotation[3] = {0, 0, 0};
  float scale[3] = {1, 1, 1};
  float skew[2] = {0, 0};
  bool hasColor = false;
  float color[4] = {255, 255, 255, 255};  // 0..255
};

SceneNodeRecord nodeRecord(const Look& look);
// A sprite of that size whose picture centre sits offset from its position.
SceneSpriteRecord spriteRecord(const Look& look, int textureNumber, float width, float height, float offsetX,
                               float offsetY);
// A text box of that size centred on the look's position (anchor, position z
// and the text's rotation rounding are the reader's own).
SceneTextRecord textRecord(const Look& look, float width, float height, std::uint32_t textId, int fontIndex,
                           int layoutFlags, int lineSpacingOffset, int spacingOffset);

class SceneFileWriter {
 public:
  int addNode(int type, const SceneNodeRecord& record);  // types 1, 3, 4
  int addSprite(const SceneSpriteRecord& record);
  int addText(const SceneTextRecord& record);
  void setRoot(int handle) { root_ = handle; }
  void addChildren(int parent, const std::vector<int>& children);
  void setLoopStart(int handle, int frame);
  void addKeyframe(int handle, int duration, const Pose& from, const Pose& to);
  // words: per option, a count and that many positions in the list's children.
  void setOptions(int list, int optionCount, const std::vector<std::uint16_t>& words);
  void addOpaque(int handle);

  int nodeCount() const { return static_cast<int>(nodes_.size()); }
  // The handle's place in the node table.
  int indexOf(int handle) const;
  std::string bytes() const;
  // False (with errno set) when the file cannot be written.
  bool write(const std::string& path) const;

  // Raw header fields, for broken files.
  std::string magic = "BRUT";
  float version = 1.6f;
  std::int16_t typeZeroCount = 0;
  // Counts written after the six slots (N grows by their number).
  std::vector<std::int16_t> extraCounts;
  // Written as the root index when set (otherwise the root's index).
  int rawRootIndex = -1000000;

 private:
  struct Node {
    int type;
    SceneTextRecord record;  // sprite's texture number in record.textId's place
  };
  struct Keyframe {
    int handle;
    int duration;
    Pose from, to;
  };
  struct Options {
    int handle;
    int count;
    std::vector<std::uint16_t> words;
  };
  std::vector<Node> nodes_;
  int root_ = 0;
  std::vector<std::pair<int, std::vector<int>>> groups_;
  std::vector<std::pair<int, int>> loops_;
  std::vector<Keyframe> keyframes_;
  std::vector<Options> options_;
  std::vector<int> opaque_;
};

}  // namespace SceneWriter
