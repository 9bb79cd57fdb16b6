#pragma once
// Reads a "BRUT" scene file (version 1.6) into a tree of live nodes: plain
// nodes, sprites, option lists, buttons and text nodes with their transforms,
// colours, tags, links, keyframe animations, option set-ups and opaque marks.
//
// All numbers are little-endian; the sections follow one another without
// padding: header, node records by type (1 to 5), hierarchy, animations,
// option lists, opaque nodes. A node's index is its place in the node table,
// filled in record order (all type-1 nodes first, then type 2, ...).
//
// Nothing in the file is trusted: counts, indices, child positions, font
// indices and word groups are checked against the node table and the bytes
// left. A failure prints "ERROR: " and the message on the error stream, and
// read() then hands back a fresh empty node (never null, never part of a
// tree); everything the reader made is freed. Nodes the hierarchy attaches to
// nothing are freed too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "render_engine/CNode.h"

namespace ExportCNode {

struct FontTableEntry {
  const char* file;  // under "font/"
  std::int16_t size;
};
inline constexpr int kSceneFontCount = 13;
extern const FontTableEntry sceneFontTable[kSceneFontCount];

// Node types of the records.
enum SceneNodeType : int {
  kSceneTypeNone = 0,  // counted in the header, never stored
  kSceneTypeNode = 1,
  kSceneTypeSprite = 2,
  kSceneTypeOptionList = 3,
  kSceneTypeButton = 4,
  kSceneTypeText = 5,
};
inline constexpr int kSceneTypeSlots = 6;
inline constexpr int kNodeRecordSize = 108;
inline constexpr int kSpriteRecordSize = 112;
inline constexpr int kTextRecordSize = 120;
inline constexpr int kKeyframeRecordSize = 132;
// The record size of a type (0 for type 0).
int sceneRecordSize(int type);

inline constexpr float kSceneFileVersion = 1.6f;
// Text nodes with this tag use a plain font and keep their style as built.
inline constexpr int kPlainTextTag = 222;
// The text whose fill colour follows the record's colour.
inline constexpr std::uint32_t kTintedTextId = 0x1000A;
// Scene files larger than this are refused unread.
inline constexpr std::size_t kMaxSceneFileBytes = 64u << 20;

// Rounds to the nearest whole number, exact halves down: 2.5 -> 2, -2.5 -> -3.
float roundHalfDown(float v);
// The same to two decimals: 0.125 -> 0.12, 0.1251 -> 0.13.
float roundScale(float v);

// The fields every record starts with (the first 108 bytes).
struct SceneNodeRecord {
  std::int16_t tag = 0;
  float position[3] = {0, 0, 0};
  float boxOrigin[3] = {0, 0, 0};
  float boxSize[3] = {0, 0, 0};
  float anchorPoint[3] = {0, 0, 0};
  float rotation[3] = {0, 0, 0};
  float scale[3] = {1, 1, 1};
  float skew[3] = {0, 0, 0};
  float colorOffset[4] = {0, 0, 0, 0};
};
struct SceneSpriteRecord {
  SceneNodeRecord node;
  std::int16_t textureNumber = 0;
};
struct SceneTextRecord {
  SceneNodeRecord node;
  std::uint32_t textId = 0;
  std::int16_t fontIndex = 0;
  std::int16_t lineSpacingOffset = 0;
  std::int16_t spacingOffset = 0;
  std::int16_t layoutFlags = 0;
};

// A bounded cursor over the file's bytes; reading past the end throws the
// reader's truncation message for the section being read.
class SceneInput {
 public:
  SceneInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  void setSection(const char* section) { section_ = section; }
  const char* section() const { return section_; }
  std::size_t remaining() const { return size_ - at_; }
  // Copies up to n bytes (fewer at the end) and returns how many.
  std::size_t readSome(void* out, std::size_t n);
  const std::uint8_t* take(std::size_t n);
  std::int16_t i16();
  std::uint16_t u16();
  std::int32_t i32();
  std::uint32_t u32();
  float f32();
  [[noreturn]] void truncated() const;

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  const char* section_ = "header";
};

// What a scene's nodes will take, read from its records without making a
// node: the picture of each sprite (with the sprite's width) and the font of
// each text node (outline -1: a plain font).
struct ScenePicture {
  int textureNumber = 0;
  int width = 0;
};
struct SceneFont {
  std::string file;
  int size = 0;
  int outline = 0;
};
struct SceneResources {
  std::vector<ScenePicture> pictures;
  std::vector<SceneFont> fonts;
};

class CNodeReader {
 public:
  // The scene's name under "models/", such as "hud.bin".
  explicit CNodeReader(const std::string& name);
  CNodeReader(const CNodeReader&) = delete;
  CNodeReader& operator=(const CNodeReader&) = delete;
  virtual ~CNodeReader();

  // Reads "models/" + name through the resource paths; the caller owns the
  // tree. Call once.
  RenderEngine::CNode* read();
  // The same from a path as it stands (tools) or from bytes in memory.
  RenderEngine::CNode* readFile(const std::string& path);
  RenderEngine::CNode* readBytes(const std::uint8_t* data, std::size_t size);

  // The pictures and fonts the scene's nodes take, without making anything.
  // Empty for a file that does not read as far as the end of its node records.
  SceneResources scanResources();

  // The message of the last failure ("" after a good read), without "ERROR: ".
  const std::string& getError() const { return error_; }
  // Whether failures are printed (they always are in the game).
  void setQuiet(bool quiet) { quiet_ = quiet; }

  // The steps of a read, in order.
  void readHeader(SceneInput& in);
  void readNodes(SceneInput& in);
  template <class Sprite, class Text, class Node>
  void walkNodeRecords(SceneInput& in, Sprite onSprite, Text onText, Node onNode);
  void readHierarchy(SceneInput& in);
  void readAnimations(SceneInput& in);
  void readOptionLists(SceneInput& in);
  void readOpaqueNodes(SceneInput& in);
  void applyNodeRecord(RenderEngine::CNode* node, const SceneNodeRecord& record);
  void applySpriteRecord(RenderEngine::CNode* node, const SceneSpriteRecord& record);
  void applyTextRecord(RenderEngine::CNode* node, const SceneTextRecord& record);

  const std::int16_t* getCounts() const { return counts_; }
  std::int16_t getRootIndex() const { return rootIndex_; }

 private:
  RenderEngine::CNode* parse(const std::uint8_t* data, std::size_t size);
  RenderEngine::CNode* fail(const std::string& message);
  RenderEngine::CNode* nodeAt(int index, const char* what) const;
  // Frees what the hierarchy left detached (or, after a failure, everything).
  void freeNodes(bool all);

  std::string name_;
  std::int16_t counts_[kSceneTypeSlots] = {0, 0, 0, 0, 0, 0};
  std::int16_t rootIndex_ = -1;
  std::vector<RenderEngine::CNode*> nodes_;
  bool linked_ = false;
  bool quiet_ = false;
  std::string error_;
};

}  // namespace ExportCNode
