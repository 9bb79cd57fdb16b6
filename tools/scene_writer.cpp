#include "tools/scene_writer.h"

#include <cmath>
#include <cstring>
#include <fstream>

namespace SceneWriter {

namespace {

void put16(std::string& out, int v) {
  const auto u = static_cast<std::uint16_t>(v);
  out.push_back(static_cast<char>(u & 0xFF));
  out.push_back(static_cast<char>(u >> 8));
}

void put32(std::string& out, std::uint32_t u) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void putFloat(std::string& out, float v) {
  std::uint32_t u;
  std::memcpy(&u, &v, sizeof u);
  put32(out, u);
}

void putFloats(std::string& out, const float* v, int n) {
  for (int i = 0; i < n; ++i) putFloat(out, v[i]);
}

void putNodeRecord(std::string& out, const SceneNodeRecord& r) {
  put16(out, 0);
  put16(out, r.tag);
  put16(out, 0);
  put16(out, 0);
  putFloats(out, r.position, 3);
  putFloats(out, r.boxOrigin, 3);
  putFloats(out, r.boxSize, 3);
  putFloats(out, r.anchorPoint, 3);
  putFloats(out, r.rotation, 3);
  putFloats(out, r.scale, 3);
  putFloats(out, r.skew, 3);
  putFloats(out, r.colorOffset, 4);
}

}  // namespace

SceneNodeRecord nodeRecord(const Look& look) {
  SceneNodeRecord r;
  r.tag = static_cast<std::int16_t>(look.tag);
  for (int i = 0; i < 3; ++i) {
    r.position[i] = look.position[i];
    r.rotation[i] = look.rotation[i];
    r.scale[i] = look.scale[i];
  }
  // The reader's anchor is the position less the anchor point.
  r.anchorPoint[0] = look.position[0] - look.anchor[0];
  r.anchorPoint[1] = look.position[1] - look.anchor[1];
  r.skew[0] = look.skew[0];
  r.skew[1] = look.skew[1];
  if (look.hasColor) {
    bool whole = false;
    for (int i = 0; i < 4; ++i) {
      r.colorOffset[i] = look.color[i] - 255.0f;
      whole = whole || std::trunc(r.colorOffset[i]) != 0.0f;
    }
    // Full white: a positive red offset is taken as 0 but still marks the
    // colour as the node's own.
    if (!whole) r.colorOffset[0] = 1.0f;
  }
  return r;
}

SceneSpriteRecord spriteRecord(const Look& look, int textureNumber, float width, float height, float offsetX,
                               float offsetY) {
  SceneSpriteRecord r;
  r.node = nodeRecord(look);
  r.node.boxSize[0] = width;
  r.node.boxSize[1] = height;
  r.node.boxOrigin[0] = look.position[0] + offsetX - width / 2.0f;
  r.node.boxOrigin[1] = look.position[1] + offsetY - height / 2.0f;
  r.textureNumber = static_cast<std::int16_t>(textureNumber);
  return r;
}

SceneTextRecord textRecord(const Look& look, float width, float height, std::uint32_t textId, int fontIndex,
                           int layoutFlags, int lineSpacingOffset, int spacingOffset) {
  SceneTextRecord r;
  r.node = nodeRecord(look);
  r.node.boxSize[0] = width;
  r.node.boxSize[1] = height;
  r.node.boxOrigin[0] = look.position[0] - width / 2.0f;
  r.node.boxOrigin[1] = look.position[1] - height / 2.0f;
  r.textId = textId;
  r.fontIndex = static_cast<std::int16_t>(fontIndex);
  r.layoutFlags = static_cast<std::int16_t>(layoutFlags);
  r.lineSpacingOffset = static_cast<std::int16_t>(lineSpacingOffset);
  r.spacingOffset = static_cast<std::int16_t>(spacingOffset);
  return r;
}

int SceneFileWriter::addNode(int type, const SceneNodeRecord& record) {
  Node n{type, SceneTextRecord()};
  n.record.node = record;
  nodes_.push_back(n);
  return static_cast<int>(nodes_.size()) - 1;
}

int SceneFileWriter::addSprite(const SceneSpriteRecord& record) {
  Node n{ExportCNode::kSceneTypeSprite, SceneTextRecord()};
  n.record.node = record.node;
  n.record.textId = static_cast<std::uint16_t>(record.textureNumber);
  nodes_.push_back(n);
  return static_cast<int>(nodes_.size()) - 1;
}

int SceneFileWriter::addText(const SceneTextRecord& record) {
  nodes_.push_back(Node{ExportCNode::kSceneTypeText, record});
  return static_cast<int>(nodes_.size()) - 1;
}

void SceneFileWriter::addChildren(int parent, const std::vector<int>& children) {
  groups_.emplace_back(parent, children);
}

void SceneFileWriter::setLoopStart(int handle, int frame) { loops_.emplace_back(frame, handle); }

void SceneFileWriter::addKeyframe(int handle, int duration, const Pose& from, const Pose& to) {
  keyframes_.push_back(Keyframe{handle, duration, from, to});
}

void SceneFileWriter::setOptions(int list, int optionCount, const std::vector<std::uint16_t>& words) {
  options_.push_back(Options{list, optionCount, words});
}

void SceneFileWriter::addOpaque(int handle) { opaque_.push_back(handle); }

int SceneFileWriter::indexOf(int handle) const {
  if (handle < 0 || handle >= nodeCount()) return handle;  // broken files keep their numbers
  const int type = nodes_[static_cast<std::size_t>(handle)].type;
  int index = 0;
  for (int i = 0; i < nodeCount(); ++i) {
    const int t = nodes_[static_cast<std::size_t>(i)].type;
    if (t < type || (t == type && i < handle)) ++index;
  }
  return index;
}

std::string SceneFileWriter::bytes() const {
  std::string out = magic;
  putFloat(out, version);
  put16(out, ExportCNode::kSceneTypeSlots + static_cast<int>(extraCounts.size()));
  put16(out, typeZeroCount);
  for (int type = 1; type < ExportCNode::kSceneTypeSlots; ++type) {
    int count = 0;
    for (const Node& n : nodes_) count += n.type == type ? 1 : 0;
    put16(out, count);
  }
  for (std::int16_t c : extraCounts) put16(out, c);
  for (int type = 1; type < ExportCNode::kSceneTypeSlots; ++type) {
    for (const Node& n : nodes_) {
      if (n.type != type) continue;
      putNodeRecord(out, n.record.node);
      if (type == ExportCNode::kSceneTypeSprite) {
        put16(out, static_cast<int>(n.record.textId));
        put16(out, 0);
      } else if (type == ExportCNode::kSceneTypeText) {
        put32(out, n.record.textId);
        put16(out, n.record.fontIndex);
        put16(out, n.record.lineSpacingOffset);
        put16(out, n.record.spacingOffset);
        put16(out, n.record.layoutFlags);
      }
    }
  }
  put16(out, rawRootIndex != -1000000 ? rawRootIndex : indexOf(root_));
  std::size_t words = 0;
  for (const auto& g : groups_) words += 2 + g.second.size();
  put16(out, static_cast<int>(words));
  for (const auto& g : groups_) {
    put16(out, indexOf(g.first));
    put16(out, static_cast<int>(g.second.size()));
    for (int child : g.second) put16(out, indexOf(child));
  }
  put16(out, static_cast<int>(keyframes_.size()));
  put16(out, static_cast<int>(loops_.size()));
  for (const auto& l : loops_) {
    put16(out, l.first);
    put16(out, indexOf(l.second));
  }
  for (const Keyframe& k : keyframes_) {
    put16(out, k.duration);
    put16(out, indexOf(k.handle));
    putFloats(out, k.from.f, 16);
    putFloats(out, k.to.f, 16);
  }
  words = 0;
  for (const Options& o : options_) words += 3 + o.words.size();
  put16(out, static_cast<int>(words));
  for (const Options& o : options_) {
    put16(out, indexOf(o.handle));
    put16(out, o.count);
    put16(out, static_cast<int>(o.words.size()));
    for (std::uint16_t w : o.words) put16(out, w);
  }
  put32(out, static_cast<std::uint32_t>(opaque_.size()));
  for (int h : opaque_) put16(out, indexOf(h));
  return out;
}

bool SceneFileWriter::write(const std::string& path) const {
  const std::string data = bytes();
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) return false;
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(f.flush());
}

}  // namespace SceneWriter
