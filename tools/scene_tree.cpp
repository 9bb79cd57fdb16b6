#include "tools/scene_tree.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "render_engine/CButton.h"
#include "render_engine/CNodeReader.h"
#include "render_engine/CNodeText.h"
#include "render_engine/COptionalNodeList.h"
#include "render_engine/CSprite.h"
#include "render_engine/Font.h"

namespace SceneTree {

using namespace RenderEngine;

namespace {

std::string num(float v) {
  if (v == 0.0f) v = 0.0f;  // no "-0"
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
  return buf;
}

std::string list(std::initializer_list<float> values) {
  std::string out = "(";
  bool first = true;
  for (float v : values) {
    if (!first) out += ",";
    out += num(v);
    first = false;
  }
  return out + ")";
}

std::string channels(const float* c) {
  if (c[0] == -1.0f) return "unset";
  return list({std::round(c[0] * 255.0f), std::round(c[1] * 255.0f), std::round(c[2] * 255.0f),
               std::round(c[3] * 255.0f)});
}

std::string pose(const KeyframeTransform& p) {
  return "pos=" + list({p.position.x, p.position.y, p.position.z}) + " rot=" + num(p.rotationZ) +
         " scale=" + list({p.scale.x, p.scale.y, p.scale.z}) + " skew=" + list({p.skewX, p.skewY}) + " tint=" +
         list({p.colorOffsetR, p.colorOffsetG, p.colorOffsetB, p.alphaOffset});
}

const char* kindName(CNode* node) {
  if (dynamic_cast<CSprite*>(node) != nullptr) return "sprite";
  if (dynamic_cast<CNodeText*>(node) != nullptr) return "text";
  if (dynamic_cast<COptionalNodeList*>(node) != nullptr) return "options";
  if (dynamic_cast<CButton*>(node) != nullptr) return "button";
  return "node";
}

void printNode(CNode* node, int depth, std::string& out) {
  const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
  const Vector3& p = node->getPosition();
  const Vector3& r = node->getRotation();
  const Vector3& s = node->getScale();
  out += indent + kindName(node) + " tag=" + std::to_string(node->getTag()) + " pos=" + list({p.x, p.y, p.z}) +
         " anchor=" + list({node->getAnchorX(), node->getAnchorY()}) + " rot=" + list({r.x, r.y, r.z}) +
         " scale=" + list({s.x, s.y, s.z}) + " skew=" + list({node->getSkewX(), node->getSkewY()});
  if (node->hasOwnColor()) {
    const ColorRGBA& c = node->getColor();
    const float rgba[4] = {c.r, c.g, c.b, c.a};
    out += " color=" + channels(rgba);
  }
  if (!node->isVisible()) out += " hidden";
  out += "\n";
  if (auto* sprite = dynamic_cast<CSprite*>(node)) {
    // The offset is the middle of the quad (the size comes from the picture).
    const float ox = (sprite->getVertex(0).x + sprite->getVertex(3).x) / 2.0f;
    const float oy = (sprite->getVertex(0).y + sprite->getVertex(3).y) / 2.0f;
    out += indent + "  | texture=" + std::to_string(sprite->getTextureNumber()) + " size=" +
           std::to_string(sprite->getWidth()) + "x" + std::to_string(sprite->getHeight()) + " offset=" + list({ox, oy}) +
           (sprite->isOpaque() ? " opaque" : "") + "\n";
  }
  if (auto* text = dynamic_cast<CNodeText*>(node)) {
    const std::uint32_t id = text->getTextId();
    std::string font = "?";
    for (const FontRegistryEntry& e : fontRegistry()) {
      if (e.font == text->getFont()) {
        font = "\"" + e.file + "\" " + std::to_string(e.size) + (e.outlineWidth > 0 ? " outline " + std::to_string(e.outlineWidth) : "");
      }
    }
    const float* rect = text->getTextRect();
    const fontParameters_ style = text->getFontParameters();
    char idText[32];
    if (id == CNodeText::kNoText) {
      std::snprintf(idText, sizeof idText, "none");
    } else {
      std::snprintf(idText, sizeof idText, "%u:%u", id >> 16, id & 0xFFFFu);
    }
    out += indent + "  | text=" + idText + " font=" + font + " rect=" + list({rect[0], rect[1], rect[2], rect[3]}) +
           " flags=" + std::to_string(text->getLayoutFlags()) + " fill=" + channels(style.fillColor) +
           " outline=" + channels(style.outlineColor) +
           " spacing=" + num(style.spacing - text->getFont()->getSpacing()) +
           " line=" + num(style.lineSpacing - text->getFont()->getLineHeight()) + "\n";
  }
  if (auto* options = dynamic_cast<COptionalNodeList*>(node)) {
    out += indent + "  | options=" + std::to_string(options->getOptionCount()) +
           " current=" + std::to_string(options->getCurrentOption());
    for (int o = 0; o < options->getOptionCount(); ++o) {
      out += " [";
      bool first = true;
      for (CNode* member : options->getOption(o)) {
        const auto& children = node->getChildren();
        const auto at = std::find(children.begin(), children.end(), member) - children.begin();
        out += (first ? "" : " ") + std::to_string(at);
        first = false;
      }
      out += "]";
    }
    out += "\n";
  }
  const NodeAnimation& anim = node->getAnimation();
  if (anim.getSegmentCount() > 0 || anim.getLoopStart() != 0) {
    out += indent + "  | frames=" + std::to_string(anim.getFrameCount()) +
           " loop=" + std::to_string(anim.getLoopStart()) + "\n";
    for (const CPath& path : anim.getSegments()) {
      out += indent + "  | key " + std::to_string(path.getDuration());
      for (const KeyframeTransform& point : path.getPoints()) out += " {" + pose(point) + "}";
      out += "\n";
    }
  }
  for (CNode* child : node->getChildren()) printNode(child, depth + 1, out);
}

KeyframeTransform poseOf(const SceneWriter::Pose& p) {
  KeyframeTransform t;
  t.position = Vector3(p.f[0], p.f[1], p.f[2]);
  t.rotationZ = p.f[5];
  t.scale = Vector3(p.f[6], p.f[7], p.f[8]);
  t.skewX = p.f[9];
  t.skewY = p.f[10];
  t.colorOffsetR = p.f[12];
  t.colorOffsetG = p.f[13];
  t.colorOffsetB = p.f[14];
  t.alphaOffset = p.f[15];
  return t;
}

CNode* makeNode(const SceneSource::SourceNode& n) {
  using SceneSource::Kind;
  const SceneWriter::Look& look = n.look;
  CNode* node = nullptr;
  switch (n.kind) {
    case Kind::Sprite: {
      auto* sprite = new CSprite(n.texture, static_cast<int>(n.size[0]), static_cast<int>(n.size[1]));
      if (n.offset[0] != 0.0f || n.offset[1] != 0.0f) sprite->setTextureOffset(n.offset[0], n.offset[1]);
      node = sprite;
      break;
    }
    case Kind::Text: {
      const ExportCNode::FontTableEntry& font = ExportCNode::sceneFontTable[n.font];
      const bool plain = look.tag == ExportCNode::kPlainTextTag;
      auto* text = plain ? new CNodeText(font.file, font.size, n.textId) : new CNodeText(font.file, font.size, 2, n.textId);
      node = text;
      break;
    }
    case Kind::Options:
      node = new COptionalNodeList();
      break;
    case Kind::Button:
      node = new CButton();
      break;
    default:
      node = new CNode();
      break;
  }
  node->setRotation(look.rotation[0], look.rotation[1], look.rotation[2]);
  node->setScale(look.scale[0], look.scale[1], look.scale[2]);
  node->setSkew(look.skew[0], look.skew[1]);
  if (look.hasColor) node->setColor(look.color[0], look.color[1], look.color[2], look.color[3]);
  if (look.tag >= 1) node->setTag(look.tag);
  if (auto* text = dynamic_cast<CNodeText*>(node)) {
    text->setLayoutFlags(n.flags | kTextAlignMiddle);
    fontParameters_ style;
    style.spacing = static_cast<float>(n.spacing) + text->getFont()->getSpacing();
    style.lineSpacing = static_cast<float>(n.lineSpacing) + text->getFont()->getLineHeight();
    text->setFontParameters(style);
    node->setPosition(look.position[0], look.position[1], 0.0f);
    text->setTextRect(-n.size[0] / 2.0f, -n.size[1] / 2.0f, n.size[0], n.size[1]);
    if (look.tag != ExportCNode::kPlainTextTag) {
      const bool tinted = n.textId == ExportCNode::kTintedTextId;
      for (int i = 0; i < 4; ++i) {
        style.fillColor[i] = tinted ? (i < 3 ? look.color[i] / 255.0f : 1.0f) : 1.0f;
        style.outlineColor[i] = tinted ? 1.0f : (i == 2 ? 101.0f : i == 3 ? 255.0f : 50.0f) / 255.0f;
      }
      text->setFontParameters(style);
    }
  } else {
    node->setPosition(look.position[0], look.position[1], look.position[2]);
    node->setAnchor(look.anchor[0], look.anchor[1]);
  }
  return node;
}

}  // namespace

std::string printTree(CNode* root) {
  std::string out;
  if (root != nullptr) printNode(root, 0, out);
  return out;
}

CNode* buildFromSource(const SceneSource::Scene& scene) {
  std::vector<CNode*> nodes;
  nodes.reserve(scene.nodes.size());
  for (const SceneSource::SourceNode& n : scene.nodes) nodes.push_back(makeNode(n));
  CNode* root = nodes[static_cast<std::size_t>(scene.root)];
  root->setColor(255, 255, 255, 255);
  for (std::size_t i = 0; i < scene.nodes.size(); ++i) {
    for (int child : scene.nodes[i].children) nodes[i]->addChild(nodes[static_cast<std::size_t>(child)]);
  }
  for (std::size_t i = 0; i < scene.nodes.size(); ++i) {
    if (scene.nodes[i].loopStart != INT_MIN) nodes[i]->setAnimationLoopStart(scene.nodes[i].loopStart);
  }
  for (std::size_t i = 0; i < scene.nodes.size(); ++i) {
    for (const SceneSource::Key& k : scene.nodes[i].keys) {
      CPath path(static_cast<std::uint16_t>(k.frames));
      path.addPoint(poseOf(k.from));
      path.addPoint(poseOf(k.to));
      nodes[i]->addAnimationSegment(path);
    }
  }
  for (std::size_t i = 0; i < scene.nodes.size(); ++i) {
    const SceneSource::SourceNode& n = scene.nodes[i];
    auto* list = dynamic_cast<COptionalNodeList*>(nodes[i]);
    if (list == nullptr || n.options.empty()) continue;
    std::vector<std::uint16_t> words;
    for (const auto& members : n.options) {
      words.push_back(static_cast<std::uint16_t>(members.size()));
      words.insert(words.end(), members.begin(), members.end());
    }
    list->setupOptions(static_cast<int>(n.options.size()), static_cast<std::uint32_t>(words.size()), words.data());
  }
  for (std::size_t i = 0; i < scene.nodes.size(); ++i) {
    if (scene.nodes[i].opaque) nodes[i]->setOpaque(true);
  }
  return root;
}

}  // namespace SceneTree
