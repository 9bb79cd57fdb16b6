#include "render_engine/CNodeReader.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "app/DataFiles.h"
#include "app/ResourcePaths.h"
#include "render_engine/CButton.h"
#include "render_engine/CNodeText.h"
#include "render_engine/COptionalNodeList.h"
#include "render_engine/CSprite.h"

namespace ExportCNode {

using RenderEngine::CNode;

const FontTableEntry sceneFontTable[kSceneFontCount] = {
    {"Arial Black.ttf", 28}, {"icannon.ttf", 32}, {"icannon.ttf", 25},     {"Arial Black.ttf", 25},
    {"Arial Black.ttf", 24}, {"Arial Black.ttf", 20}, {"icannon.ttf", 38}, {"Arial Black.ttf", 30},
    {"icannon.ttf", 22},     {"icannon.ttf", 30},     {"icannon.ttf", 60}, {"Arial Black.ttf", 36},
    {"Arial Black.ttf", 34},
};

namespace {

// Deeper trees are refused: every walk of a tree recurses once per level.
constexpr int kMaxTreeDepth = 256;

std::string text(const char* a, long long n, const char* b = "") {
  return std::string(a) + std::to_string(n) + b;
}

// Whole numbers within reach of an int, for sizes the sprite takes as int.
int truncatedSize(float v) {
  if (!std::isfinite(v)) return 0;
  if (v > 1.0e6f) return 1000000;
  if (v < -1.0e6f) return -1000000;
  return static_cast<int>(v);
}

// Far beyond any screen or scale a scene has, and well within an int, so
// that points and sizes made from these stay whole numbers.
constexpr float kMaxSceneValue = 1.0e6f;

void readFloats(SceneInput& in, float* out, int n) {
  for (int i = 0; i < n; ++i) {
    const float v = in.f32();
    if (!std::isfinite(v) || std::fabs(v) > kMaxSceneValue) {
      throw std::string("Error : Number not finite or beyond 1000000 in the ") + in.section();
    }
    out[i] = v;
  }
}

SceneNodeRecord decodeNodeRecord(SceneInput& in) {
  SceneNodeRecord r;
  in.i16();
  r.tag = in.i16();
  in.i16();
  in.take(2);
  readFloats(in, r.position, 3);
  readFloats(in, r.boxOrigin, 3);
  readFloats(in, r.boxSize, 3);
  readFloats(in, r.anchorPoint, 3);
  readFloats(in, r.rotation, 3);
  readFloats(in, r.scale, 3);
  readFloats(in, r.skew, 3);
  readFloats(in, r.colorOffset, 4);
  return r;
}

// Step 6 and 7 of a record: the colour (only when an offset is a whole
// number away from 0; positive red, green and blue offsets count as 0) and
// the tag (only when positive).
void applyColorAndTag(CNode* node, SceneNodeRecord& r) {
  bool coloured = false;
  for (float offset : r.colorOffset) coloured = coloured || std::trunc(offset) != 0.0f;
  if (coloured) {
    for (int i = 0; i < 3; ++i) {
      if (r.colorOffset[i] > 0.0f) r.colorOffset[i] = 0.0f;
    }
    node->setColor(255.0f + r.colorOffset[0], 255.0f + r.colorOffset[1], 255.0f + r.colorOffset[2],
                   255.0f + r.colorOffset[3]);
  }
  if (r.tag >= 1) node->setTag(r.tag);
}

RenderEngine::KeyframeTransform decodeTransform(SceneInput& in) {
  float f[16];
  readFloats(in, f, 16);
  RenderEngine::KeyframeTransform t;
  t.position = RenderEngine::Vector3(roundHalfDown(f[0]), roundHalfDown(f[1]), roundHalfDown(f[2]));
  t.scale = RenderEngine::Vector3(roundScale(f[6]), roundScale(f[7]), roundScale(f[8]));
  t.skewX = roundHalfDown(f[9]);
  t.skewY = roundHalfDown(f[10]);
  t.rotationZ = roundHalfDown(f[5]);
  t.colorOffsetR = f[12];
  t.colorOffsetG = f[13];
  t.colorOffsetB = f[14];
  t.alphaOffset = f[15];
  return t;
}

std::vector<std::uint16_t> readWords(SceneInput& in, std::size_t count) {
  if (count * 2 > in.remaining()) in.truncated();
  std::vector<std::uint16_t> words(count);
  for (std::uint16_t& w : words) w = in.u16();
  return words;
}

}  // namespace

float roundHalfDown(float v) {
  const float doubled = 2.0f * v;
  return std::floor(std::ceil(doubled) / 2.0f);
}

float roundScale(float v) {
  const float doubled = v * 100.0f * 2.0f;
  return std::floor(std::ceil(doubled) / 2.0f) / 100.0f;
}

int sceneRecordSize(int type) {
  switch (type) {
    case kSceneTypeNode:
    case kSceneTypeOptionList:
    case kSceneTypeButton:
      return kNodeRecordSize;
    case kSceneTypeSprite:
      return kSpriteRecordSize;
    case kSceneTypeText:
      return kTextRecordSize;
    default:
      return 0;
  }
}

// ---------------------------------------------------------------------------

std::size_t SceneInput::readSome(void* out, std::size_t n) {
  const std::size_t got = n < remaining() ? n : remaining();
  std::memcpy(out, data_ + at_, got);
  at_ += got;
  return got;
}

const std::uint8_t* SceneInput::take(std::size_t n) {
  if (n > remaining()) truncated();
  const std::uint8_t* p = data_ + at_;
  at_ += n;
  return p;
}

std::uint16_t SceneInput::u16() {
  const std::uint8_t* p = take(2);
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::int16_t SceneInput::i16() { return static_cast<std::int16_t>(u16()); }

std::uint32_t SceneInput::u32() {
  const std::uint8_t* p = take(4);
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t SceneInput::i32() { return static_cast<std::int32_t>(u32()); }

float SceneInput::f32() {
  const std::uint32_t bits = u32();
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

void SceneInput::truncated() const { throw std::string("Error : File truncated in the ") + section_; }

// ---------------------------------------------------------------------------

CNodeReader::CNodeReader(const std::string& name) : name_(name) {}

CNodeReader::~CNodeReader() = default;

CNode* CNodeReader::read() { return readFile(resolveResourcePath("models/" + name_)); }

CNode* CNodeReader::readFile(const std::string& path) {
  std::string bytes;
  const FileStatus status = readRegularFile(path, kMaxSceneFileBytes, bytes);
  if (status == FileStatus::TooLarge) return fail("Error : File too large");
  if (status != FileStatus::Ok) return fail("Error : Cannot read file, maybe a bad path ?");
  return readBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

CNode* CNodeReader::readBytes(const std::uint8_t* data, std::size_t size) {
  try {
    return parse(data, size);
  } catch (const std::string& message) {
    return fail(message);
  }
}

CNode* CNodeReader::parse(const std::uint8_t* data, std::size_t size) {
  // A second read starts afresh.
  error_.clear();
  std::fill(std::begin(counts_), std::end(counts_), std::int16_t{0});
  rootIndex_ = -1;
  linked_ = false;
  nodes_.clear();
  SceneInput in(data, size);
  readHeader(in);
  readNodes(in);
  readHierarchy(in);
  readAnimations(in);
  readOptionLists(in);
  readOpaqueNodes(in);
  CNode* root = nodes_[static_cast<std::size_t>(rootIndex_)];
  freeNodes(false);
  nodes_.clear();
  return root;
}

CNode* CNodeReader::fail(const std::string& message) {
  freeNodes(true);
  nodes_.clear();
  error_ = message;
  if (!quiet_) std::fprintf(stderr, "ERROR: %s\n", message.c_str());
  return new CNode();
}

void CNodeReader::freeNodes(bool all) {
  const CNode* root = nodes_.empty() || rootIndex_ < 0 || all ? nullptr : nodes_[static_cast<std::size_t>(rootIndex_)];
  RenderEngine::NodeList detached;
  for (CNode* node : nodes_) {
    // Before the links are made, every node stands alone.
    if (node != root && (!linked_ || node->getParent() == nullptr)) detached.push_back(node);
  }
  CNode::deleteTrees(detached);
}

CNode* CNodeReader::nodeAt(int index, const char* what) const {
  if (index < 0 || static_cast<std::size_t>(index) >= nodes_.size()) {
    throw text("Error : Bad node index ", index, " in the ") + what + " (" + std::to_string(nodes_.size()) +
        " nodes)";
  }
  return nodes_[static_cast<std::size_t>(index)];
}

void CNodeReader::readHeader(SceneInput& in) {
  in.setSection("header");
  std::uint8_t magic[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  in.readSome(magic, 4);
  if (magic[0] == 0xFF && magic[1] == 0xFF && magic[2] == 0xFF && magic[3] == 0xFF) {
    throw std::string("Error : Cannot read file, maybe a bad path ?");
  }
  if (std::memcmp(magic, "BRUT", 4) != 0) throw std::string("Error : File Bad Format: ");
  const float version = in.f32();
  if (version != kSceneFileVersion) {
    std::ostringstream message;
    message << "Error : File Bad Version: requested : " << kSceneFileVersion << " found :" << version;
    throw message.str();
  }
  const int n = in.i16();
  if (n < 0) throw text("Error : File Bad Format: ", n, " record counts");
  for (int type = 0; type < n; ++type) {
    const std::int16_t count = in.i16();
    if (count < 0) throw text("Error : File Bad Format: negative record count for node type ", type);
    if (type < kSceneTypeSlots) {
      counts_[type] = count;
    } else if (count != 0) {
      // Records of an unknown size: nothing after them could be found.
      throw std::string("Error : File Bad Format: unsupported node type");
    }
  }
}

// Walks the node records in file order, decoding each into its record and
// handing it on: onSprite(record), onText(record) and onNode(type, record).
template <class Sprite, class Text, class Node>
void CNodeReader::walkNodeRecords(SceneInput& in, Sprite onSprite, Text onText, Node onNode) {
  in.setSection("node records");
  std::size_t bytes = 0;
  for (int type = 1; type < kSceneTypeSlots; ++type) {
    bytes += static_cast<std::size_t>(counts_[type]) * static_cast<std::size_t>(sceneRecordSize(type));
  }
  // Every record must be there before anything is made.
  if (bytes > in.remaining()) in.truncated();
  for (int type = 1; type < kSceneTypeSlots; ++type) {
    for (int i = 0; i < counts_[type]; ++i) {
      switch (type) {
        case kSceneTypeSprite: {
          SceneSpriteRecord r;
          r.node = decodeNodeRecord(in);
          r.textureNumber = in.i16();
          in.take(2);
          onSprite(r);
          break;
        }
        case kSceneTypeText: {
          SceneTextRecord r;
          r.node = decodeNodeRecord(in);
          r.textId = in.u32();
          r.fontIndex = in.i16();
          r.lineSpacingOffset = in.i16();
          r.spacingOffset = in.i16();
          r.layoutFlags = in.i16();
          if (r.fontIndex < 0 || r.fontIndex >= kSceneFontCount) {
            throw text("Error : Bad font index ", r.fontIndex, " (0 to 12)");
          }
          onText(r);
          break;
        }
        default:
          onNode(type, decodeNodeRecord(in));
          break;
      }
    }
  }
}

void CNodeReader::readNodes(SceneInput& in) {
  std::size_t total = 0;
  for (int type = 1; type < kSceneTypeSlots; ++type) total += static_cast<std::size_t>(counts_[type]);
  nodes_.reserve(total);
  walkNodeRecords(
      in,
      [this](const SceneSpriteRecord& r) {
        auto* sprite = new RenderEngine::CSprite(r.textureNumber, truncatedSize(r.node.boxSize[0]),
                                                 truncatedSize(r.node.boxSize[1]));
        nodes_.push_back(sprite);
        applySpriteRecord(sprite, r);
      },
      [this](const SceneTextRecord& r) {
        const FontTableEntry& font = sceneFontTable[r.fontIndex];
        CNode* node = r.node.tag == kPlainTextTag
                          ? new RenderEngine::CNodeText(font.file, font.size, r.textId)
                          : new RenderEngine::CNodeText(font.file, font.size, font.size <= 16 ? 1 : 2, r.textId);
        nodes_.push_back(node);
        applyTextRecord(node, r);
      },
      [this](int type, const SceneNodeRecord& r) {
        CNode* node = type == kSceneTypeOptionList ? new RenderEngine::COptionalNodeList()
                      : type == kSceneTypeButton   ? new RenderEngine::CButton()
                                                   : new CNode();
        nodes_.push_back(node);
        applyNodeRecord(node, r);
      });
}

SceneResources CNodeReader::scanResources() {
  SceneResources found;
  std::string bytes;
  if (readRegularFile(resolveResourcePath("models/" + name_), kMaxSceneFileBytes, bytes) != FileStatus::Ok) {
    return found;
  }
  try {
    std::fill(std::begin(counts_), std::end(counts_), std::int16_t{0});
    SceneInput in(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    readHeader(in);
    walkNodeRecords(
        in,
        [&found](const SceneSpriteRecord& r) {
          found.pictures.push_back({r.textureNumber, truncatedSize(r.node.boxSize[0])});
        },
        [&found](const SceneTextRecord& r) {
          const FontTableEntry& font = sceneFontTable[r.fontIndex];
          const int outline = r.node.tag == kPlainTextTag ? -1 : (font.size <= 16 ? 1 : 2);
          found.fonts.push_back({font.file, font.size, outline});
        },
        [](int, const SceneNodeRecord&) {});
  } catch (const std::string&) {
    // A damaged file: its read will say so; nothing is made ahead for it.
    found = SceneResources{};
  }
  return found;
}

void CNodeReader::applyNodeRecord(CNode* node, const SceneNodeRecord& record) {
  SceneNodeRecord r = record;
  node->setPosition(roundHalfDown(r.position[0]), roundHalfDown(r.position[1]), roundHalfDown(r.position[2]));
  node->setAnchor(roundHalfDown(r.position[0] - r.anchorPoint[0]), roundHalfDown(r.position[1] - r.anchorPoint[1]));
  node->setRotation(roundHalfDown(r.rotation[0]), roundHalfDown(r.rotation[1]), roundHalfDown(r.rotation[2]));
  node->setScale(roundScale(r.scale[0]), roundScale(r.scale[1]), roundScale(r.scale[2]));
  node->setSkew(roundHalfDown(r.skew[0]), roundHalfDown(r.skew[1]));
  applyColorAndTag(node, r);
}

void CNodeReader::applySpriteRecord(CNode* node, const SceneSpriteRecord& record) {
  SceneNodeRecord r = record.node;
  const float x = r.position[0];
  const float y = r.position[1];
  node->setPosition(roundHalfDown(x), roundHalfDown(y), roundHalfDown(r.position[2]));
  const float cx = r.boxSize[0] / 2.0f + r.boxOrigin[0];
  const float cy = r.boxSize[1] / 2.0f + r.boxOrigin[1];
  node->setAnchor(roundHalfDown(x - r.anchorPoint[0]), roundHalfDown(y - r.anchorPoint[1]));
  const float dx = cx - x;
  const float dy = cy - y;
  if (dx != 0.0f || dy != 0.0f) {
    if (auto* sprite = dynamic_cast<RenderEngine::CSprite*>(node)) sprite->setTextureOffset(dx, dy);
  }
  node->setRotation(roundHalfDown(r.rotation[0]), roundHalfDown(r.rotation[1]), roundHalfDown(r.rotation[2]));
  node->setScale(r.scale[0], r.scale[1], r.scale[2]);
  node->setSkew(roundHalfDown(r.skew[0]), roundHalfDown(r.skew[1]));
  applyColorAndTag(node, r);
}

void CNodeReader::applyTextRecord(CNode* node, const SceneTextRecord& record) {
  auto* text = dynamic_cast<RenderEngine::CNodeText*>(node);
  if (text == nullptr) return;
  SceneNodeRecord r = record.node;
  node->setRotation(r.rotation[0], r.rotation[1], r.rotation[2]);
  node->setScale(r.scale[0], r.scale[1], r.scale[2]);
  node->setSkew(roundHalfDown(r.skew[0]), roundHalfDown(r.skew[1]));
  node->setAnchor(0.0f, 0.0f);
  applyColorAndTag(node, r);
  text->setLayoutFlags(record.layoutFlags | RenderEngine::kTextAlignMiddle);
  RenderEngine::CFont* font = text->getFont();
  RenderEngine::fontParameters_ style;
  style.spacing = static_cast<float>(record.spacingOffset) + font->getSpacing();
  style.lineSpacing = static_cast<float>(record.lineSpacingOffset) + font->getLineHeight();
  text->setFitToRect(true);
  text->setFontParameters(style);
  const float w = r.boxSize[0];
  const float h = r.boxSize[1];
  node->setPosition(roundHalfDown(r.boxOrigin[0] + w / 2.0f), roundHalfDown(r.boxOrigin[1] + h / 2.0f), 0.0f);
  text->setTextRect(roundHalfDown(-w / 2.0f), roundHalfDown(-h / 2.0f), roundHalfDown(w), roundHalfDown(h));
  if (r.tag == kPlainTextTag) return;
  font->setColor(1.0f, 1.0f, 1.0f, 1.0f);
  RenderEngine::fontParameters_ colours = text->getFontParameters();
  if (record.textId == kTintedTextId) {
    const float tint[4] = {(255.0f + r.colorOffset[0]) / 255.0f, (255.0f + r.colorOffset[1]) / 255.0f,
                           (255.0f + r.colorOffset[2]) / 255.0f, 1.0f};
    for (int i = 0; i < 4; ++i) {
      colours.fillColor[i] = tint[i];
      colours.outlineColor[i] = 1.0f;
    }
  } else {
    const float navy[4] = {50.0f / 255.0f, 50.0f / 255.0f, 101.0f / 255.0f, 1.0f};
    for (int i = 0; i < 4; ++i) {
      colours.fillColor[i] = 1.0f;
      colours.outlineColor[i] = navy[i];
    }
  }
  text->setFontParameters(colours);
}

void CNodeReader::readHierarchy(SceneInput& in) {
  in.setSection("hierarchy");
  rootIndex_ = in.i16();
  CNode* root = nodeAt(rootIndex_, "hierarchy (root)");
  root->setColor(255.0f, 255.0f, 255.0f, 255.0f);
  const std::vector<std::uint16_t> words = readWords(in, in.u16());
  // The links are checked whole before any is made: one parent per node, the
  // root under none, no loop, a bounded depth.
  const std::size_t count = nodes_.size();
  std::vector<int> parentOf(count, -1);
  for (std::size_t at = 0; at < words.size();) {
    if (words.size() - at < 2) throw std::string("Error : Hierarchy group cut short");
    const int parent = words[at];
    const std::size_t n = words[at + 1];
    nodeAt(parent, "hierarchy");
    at += 2;
    if (n > words.size() - at) throw std::string("Error : Hierarchy group cut short");
    for (std::size_t k = 0; k < n; ++k, ++at) {
      const int child = words[at];
      nodeAt(child, "hierarchy");
      if (child == rootIndex_) throw std::string("Error : The root node is attached as a child");
      if (child == parent) throw text("Error : Node ", child, " attached to itself");
      if (parentOf[static_cast<std::size_t>(child)] != -1) throw text("Error : Node ", child, " attached twice");
      parentOf[static_cast<std::size_t>(child)] = parent;
    }
  }
  std::vector<int> depth(count, -1);
  std::vector<int> path;
  for (std::size_t i = 0; i < count; ++i) {
    path.clear();
    int at = static_cast<int>(i);
    while (at != -1 && depth[static_cast<std::size_t>(at)] == -1) {
      path.push_back(at);
      if (path.size() > static_cast<std::size_t>(kMaxTreeDepth)) {
        throw text("Error : Hierarchy circular or deeper than ", kMaxTreeDepth, " levels");
      }
      at = parentOf[static_cast<std::size_t>(at)];
    }
    int d = at == -1 ? 0 : depth[static_cast<std::size_t>(at)] + 1;
    for (auto it = path.rbegin(); it != path.rend(); ++it, ++d) {
      if (d > kMaxTreeDepth) throw text("Error : Hierarchy circular or deeper than ", kMaxTreeDepth, " levels");
      depth[static_cast<std::size_t>(*it)] = d;
    }
  }
  linked_ = true;
  for (std::size_t at = 0; at < words.size();) {
    CNode* parent = nodes_[words[at]];
    const std::size_t n = words[at + 1];
    at += 2;
    parent->reserveChildren(n);
    for (std::size_t k = 0; k < n; ++k, ++at) parent->addChild(nodes_[words[at]]);
  }
}

void CNodeReader::readAnimations(SceneInput& in) {
  in.setSection("animations");
  const std::size_t keyframes = in.u16();
  const std::size_t loops = in.u16();
  if (loops * 4 > in.remaining()) in.truncated();
  for (std::size_t i = 0; i < loops; ++i) {
    const int frame = in.i16();
    nodeAt(in.u16(), "loop starts")->setAnimationLoopStart(frame);
  }
  if (keyframes * kKeyframeRecordSize > in.remaining()) in.truncated();
  for (std::size_t i = 0; i < keyframes; ++i) {
    const int duration = in.i16();
    CNode* node = nodeAt(in.u16(), "keyframes");
    if (duration < 0) throw text("Error : Bad keyframe duration ", duration);
    const RenderEngine::KeyframeTransform start = decodeTransform(in);
    const RenderEngine::KeyframeTransform end = decodeTransform(in);
    RenderEngine::CPath path(static_cast<std::uint16_t>(duration));
    path.addPoint(start);
    path.addPoint(end);
    node->addAnimationSegment(path);
  }
}

void CNodeReader::readOptionLists(SceneInput& in) {
  in.setSection("option lists");
  const std::vector<std::uint16_t> words = readWords(in, in.u16());
  for (std::size_t at = 0; at < words.size();) {
    if (words.size() - at < 3) throw std::string("Error : Option list group cut short");
    const int index = words[at];
    auto* list = dynamic_cast<RenderEngine::COptionalNodeList*>(nodeAt(index, "option lists"));
    if (list == nullptr) throw text("Error : Node ", index, " is not an option list");
    const int optionCount = words[at + 1];
    const std::size_t n = words[at + 2];
    at += 3;
    if (n > words.size() - at) throw std::string("Error : Option list group cut short");
    list->setupOptions(optionCount, static_cast<std::uint32_t>(n), words.data() + at);
    at += n;
  }
}

void CNodeReader::readOpaqueNodes(SceneInput& in) {
  in.setSection("opaque list");
  const std::int32_t count = in.i32();
  if (count < 0) throw text("Error : Bad opaque node count ", count);
  if (static_cast<std::size_t>(count) * 2 > in.remaining()) in.truncated();
  for (std::int32_t i = 0; i < count; ++i) nodeAt(in.u16(), "opaque list")->setOpaque(true);
}

}  // namespace ExportCNode
