#include "tools/scene_source.h"

#include <tinyxml.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "app/DataFiles.h"

namespace SceneSource {

namespace {

struct SourceError {
  int line;
  std::string message;
};

[[noreturn]] void failAt(const TiXmlElement* e, const std::string& message) {
  throw SourceError{e != nullptr ? e->Row() : 0, message};
}

// Up to max numbers separated by spaces or commas; at least min.
int parseNumbers(const TiXmlElement* e, const char* name, const char* value, float* out, int min, int max) {
  int n = 0;
  const char* p = value;
  while (*p != '\0') {
    while (*p == ' ' || *p == ',' || *p == '\t') ++p;
    if (*p == '\0') break;
    if (n == max) failAt(e, std::string("\"") + name + "\" takes at most " + std::to_string(max) + " numbers");
    char* end = nullptr;
    errno = 0;
    const float v = std::strtof(p, &end);
    if (end == p || errno != 0 || !std::isfinite(v)) failAt(e, std::string("\"") + name + "\": not a number: " + p);
    out[n++] = v;
    p = end;
  }
  if (n < min) failAt(e, std::string("\"") + name + "\" needs " + std::to_string(min) + " numbers");
  return n;
}

long parseInteger(const TiXmlElement* e, const char* name, const char* value, long min, long max) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(value, &end, 0);
  if (end == value || *end != '\0' || errno != 0 || v < min || v > max) {
    failAt(e, std::string("\"") + name + "\" must be a whole number from " + std::to_string(min) + " to " +
                  std::to_string(max));
  }
  return v;
}

std::uint32_t parseTextId(const TiXmlElement* e, const char* value) {
  if (std::strcmp(value, "none") == 0) return 0xFFFFFFFFu;
  const char* colon = std::strchr(value, ':');
  if (colon == nullptr) return static_cast<std::uint32_t>(parseInteger(e, "text", value, 0, 0xFFFFFFFFL));
  const std::string bank(value, colon);
  const long b = parseInteger(e, "text", bank.c_str(), 0, 0xFFFF);
  const long i = parseInteger(e, "text", colon + 1, 0, 0xFFFF);
  return static_cast<std::uint32_t>(b << 16 | i);
}

int parseFlags(const TiXmlElement* e, const char* value) {
  if (std::isdigit(static_cast<unsigned char>(value[0]))) return static_cast<int>(parseInteger(e, "flags", value, 0, 0x7FFF));
  static const struct {
    const char* word;
    int flag;
  } kWords[] = {{"bottom", 1}, {"right", 2}, {"centre", 4}, {"center", 4}, {"middle", 8}, {"above", 16}};
  std::istringstream words(value);
  std::string word;
  int flags = 0;
  while (words >> word) {
    bool known = false;
    for (const auto& w : kWords) {
      if (word == w.word) {
        flags |= w.flag;
        known = true;
      }
    }
    if (!known) failAt(e, "unknown layout flag \"" + word + "\"");
  }
  return flags;
}

// The pose attributes of a key, prefixed "from-" or "to-".
void parsePose(const TiXmlElement* e, const std::string& prefix, SceneWriter::Pose& pose) {
  float v[4];
  if (const char* a = e->Attribute((prefix + "pos").c_str())) {
    const int n = parseNumbers(e, "pos", a, v, 2, 3);
    for (int i = 0; i < n; ++i) pose.f[i] = v[i];
  }
  if (const char* a = e->Attribute((prefix + "rot").c_str())) {
    parseNumbers(e, "rot", a, v, 1, 1);
    pose.f[5] = v[0];
  }
  if (const char* a = e->Attribute((prefix + "scale").c_str())) {
    const int n = parseNumbers(e, "scale", a, v, 1, 3);
    pose.f[6] = v[0];
    pose.f[7] = n >= 2 ? v[1] : v[0];
    if (n == 3) pose.f[8] = v[2];
  }
  if (const char* a = e->Attribute((prefix + "skew").c_str())) {
    parseNumbers(e, "skew", a, v, 2, 2);
    pose.f[9] = v[0];
    pose.f[10] = v[1];
  }
  if (const char* a = e->Attribute((prefix + "color").c_str())) {
    v[3] = 255.0f;
    parseNumbers(e, "color", a, v, 3, 4);
    for (int i = 0; i < 4; ++i) pose.f[12 + i] = v[i] - 255.0f;
  }
}

void checkAttributes(const TiXmlElement* e, const std::set<std::string>& allowed) {
  for (const TiXmlAttribute* a = e->FirstAttribute(); a != nullptr; a = a->Next()) {
    if (allowed.count(a->Name()) == 0) {
      failAt(e, std::string("<") + e->Value() + "> has no attribute \"" + a->Name() + "\"");
    }
  }
}

bool kindOf(const std::string& name, Kind& kind) {
  static const struct {
    const char* name;
    Kind kind;
  } kKinds[] = {{"node", Kind::Node},
                {"sprite", Kind::Sprite},
                {"options", Kind::Options},
                {"button", Kind::Button},
                {"text", Kind::Text}};
  for (const auto& k : kKinds) {
    if (name == k.name) {
      kind = k.kind;
      return true;
    }
  }
  return false;
}

class Parser {
 public:
  explicit Parser(Scene& scene) : scene_(scene) {}

  int parseNode(const TiXmlElement* e, Kind kind) {
    SourceNode n;
    n.kind = kind;
    n.line = e->Row();
    std::set<std::string> allowed = {"tag", "pos", "rot", "scale", "skew", "color", "opaque", "loop"};
    if (kind != Kind::Text) allowed.insert("anchor");
    if (kind == Kind::Sprite) allowed.insert({"texture", "size", "offset"});
    if (kind == Kind::Text) allowed.insert({"text", "font", "size", "flags", "spacing", "line"});
    checkAttributes(e, allowed);
    SceneWriter::Look& look = n.look;
    float v[4];
    if (const char* a = e->Attribute("tag")) look.tag = static_cast<int>(parseInteger(e, "tag", a, -32768, 32767));
    if (const char* a = e->Attribute("pos")) {
      const int count = parseNumbers(e, "pos", a, v, 2, 3);
      for (int i = 0; i < count; ++i) look.position[i] = v[i];
    }
    if (const char* a = e->Attribute("anchor")) {
      parseNumbers(e, "anchor", a, v, 2, 2);
      look.anchor[0] = v[0];
      look.anchor[1] = v[1];
    }
    if (const char* a = e->Attribute("rot")) {
      const int count = parseNumbers(e, "rot", a, v, 1, 3);
      if (count == 1) {
        look.rotation[2] = v[0];
      } else if (count == 3) {
        for (int i = 0; i < 3; ++i) look.rotation[i] = v[i];
      } else {
        failAt(e, "\"rot\" takes one angle (about z) or three");
      }
    }
    if (const char* a = e->Attribute("scale")) {
      const int count = parseNumbers(e, "scale", a, v, 1, 3);
      look.scale[0] = v[0];
      look.scale[1] = count >= 2 ? v[1] : v[0];
      if (count == 3) look.scale[2] = v[2];
    }
    if (const char* a = e->Attribute("skew")) {
      parseNumbers(e, "skew", a, v, 2, 2);
      look.skew[0] = v[0];
      look.skew[1] = v[1];
    }
    if (const char* a = e->Attribute("color")) {
      v[3] = 255.0f;
      parseNumbers(e, "color", a, v, 3, 4);
      look.hasColor = true;
      for (int i = 0; i < 4; ++i) {
        if (v[i] < 0.0f || v[i] > 255.0f) failAt(e, "\"color\" channels run from 0 to 255");
        look.color[i] = v[i];
      }
    }
    if (const char* a = e->Attribute("opaque")) n.opaque = parseInteger(e, "opaque", a, 0, 1) == 1;
    if (const char* a = e->Attribute("loop")) n.loopStart = static_cast<int>(parseInteger(e, "loop", a, 0, 32767));
    if (kind == Kind::Sprite) {
      const char* t = e->Attribute("texture");
      const char* s = e->Attribute("size");
      if (t == nullptr || s == nullptr) failAt(e, "<sprite> needs \"texture\" and \"size\"");
      n.texture = static_cast<int>(parseInteger(e, "texture", t, 0, 32767));
      parseNumbers(e, "size", s, n.size, 2, 2);
      if (const char* a = e->Attribute("offset")) parseNumbers(e, "offset", a, n.offset, 2, 2);
    }
    if (kind == Kind::Text) {
      const char* t = e->Attribute("text");
      const char* f = e->Attribute("font");
      const char* s = e->Attribute("size");
      if (t == nullptr || f == nullptr || s == nullptr) failAt(e, "<text> needs \"text\", \"font\" and \"size\"");
      n.textId = parseTextId(e, t);
      n.font = static_cast<int>(parseInteger(e, "font", f, 0, ExportCNode::kSceneFontCount - 1));
      parseNumbers(e, "size", s, n.size, 2, 2);
      if (const char* a = e->Attribute("flags")) n.flags = parseFlags(e, a);
      if (const char* a = e->Attribute("spacing")) n.spacing = static_cast<int>(parseInteger(e, "spacing", a, -32768, 32767));
      if (const char* a = e->Attribute("line")) n.lineSpacing = static_cast<int>(parseInteger(e, "line", a, -32768, 32767));
    }
    const int index = static_cast<int>(scene_.nodes.size());
    scene_.nodes.push_back(n);
    if (scene_.nodes.size() > 30000) failAt(e, "too many nodes");
    parseContent(e, index);
    return index;
  }

 private:
  void parseContent(const TiXmlElement* e, int index) {
    for (const TiXmlElement* c = e->FirstChildElement(); c != nullptr; c = c->NextSiblingElement()) {
      const std::string name = c->Value();
      Kind kind;
      if (name == "key") {
        checkAttributes(c, {"frames", "from-pos", "from-rot", "from-scale", "from-skew", "from-color", "to-pos",
                            "to-rot", "to-scale", "to-skew", "to-color"});
        Key key;
        const char* frames = c->Attribute("frames");
        if (frames == nullptr) failAt(c, "<key> needs \"frames\"");
        key.frames = static_cast<int>(parseInteger(c, "frames", frames, 0, 32767));
        parsePose(c, "from-", key.from);
        parsePose(c, "to-", key.to);
        scene_.nodes[static_cast<std::size_t>(index)].keys.push_back(key);
      } else if (name == "option") {
        if (scene_.nodes[static_cast<std::size_t>(index)].kind != Kind::Options) {
          failAt(c, "<option> belongs in <options>");
        }
        checkAttributes(c, {});
        std::vector<std::uint16_t> members;
        for (const TiXmlElement* m = c->FirstChildElement(); m != nullptr; m = m->NextSiblingElement()) {
          if (!kindOf(m->Value(), kind)) failAt(m, std::string("<") + m->Value() + "> is not a node");
          members.push_back(static_cast<std::uint16_t>(addChild(index, m, kind)));
        }
        scene_.nodes[static_cast<std::size_t>(index)].options.push_back(members);
      } else if (kindOf(name, kind)) {
        addChild(index, c, kind);
      } else {
        failAt(c, "unknown element <" + name + ">");
      }
    }
  }

  // Returns the child's position among the parent's children.
  int addChild(int parent, const TiXmlElement* e, Kind kind) {
    if (++depth_ > 200) failAt(e, "nested too deep");
    const int child = parseNode(e, kind);
    --depth_;
    std::vector<int>& children = scene_.nodes[static_cast<std::size_t>(parent)].children;
    children.push_back(child);
    return static_cast<int>(children.size()) - 1;
  }

  Scene& scene_;
  int depth_ = 0;
};

}  // namespace

bool parseSceneText(const std::string& xml, const std::string& name, Scene& scene, std::string& error) {
  scene = Scene();
  TiXmlDocument doc;
  doc.Parse(xml.c_str());
  if (doc.Error()) {
    error = name + ":" + std::to_string(doc.ErrorRow()) + ": " + doc.ErrorDesc();
    return false;
  }
  try {
    const TiXmlElement* top = doc.RootElement();
    if (top == nullptr || std::strcmp(top->Value(), "scene") != 0) failAt(top, "the document must be a <scene>");
    checkAttributes(top, {"reserve"});
    if (const char* a = top->Attribute("reserve")) {
      scene.typeZeroCount = static_cast<int>(parseInteger(top, "reserve", a, 0, 32767));
    }
    const TiXmlElement* rootElement = top->FirstChildElement();
    Kind kind;
    if (rootElement == nullptr || rootElement->NextSiblingElement() != nullptr ||
        !kindOf(rootElement->Value(), kind)) {
      failAt(top, "a <scene> holds exactly one node, the root");
    }
    Parser parser(scene);
    scene.root = parser.parseNode(rootElement, kind);
  } catch (const SourceError& e) {
    error = name + ":" + std::to_string(e.line) + ": " + e.message;
    return false;
  }
  return true;
}

bool parseSceneFile(const std::string& path, Scene& scene, std::string& error) {
  // Read through the checks of every data file: a FIFO or a device is refused
  // rather than waited on.
  constexpr std::size_t kMaxSourceBytes = 16u << 20;
  std::string text;
  const FileStatus status = readRegularFile(path, kMaxSourceBytes, text);
  if (status != FileStatus::Ok) {
    error = path + ": cannot be read (" + (status == FileStatus::TooLarge ? "larger than 16 MB" : describeFileStatus(status)) + ")";
    return false;
  }
  return parseSceneText(text, path, scene, error);
}

SceneWriter::SceneFileWriter compileScene(const Scene& scene) {
  SceneWriter::SceneFileWriter w;
  w.typeZeroCount = static_cast<std::int16_t>(scene.typeZeroCount);
  // Handles follow the source order, so they equal the source indices.
  for (const SourceNode& n : scene.nodes) {
    switch (n.kind) {
      case Kind::Sprite:
        w.addSprite(SceneWriter::spriteRecord(n.look, n.texture, n.size[0], n.size[1], n.offset[0], n.offset[1]));
        break;
      case Kind::Text:
        w.addText(SceneWriter::textRecord(n.look, n.size[0], n.size[1], n.textId, n.font, n.flags, n.lineSpacing,
                                          n.spacing));
        break;
      default:
        w.addNode(static_cast<int>(n.kind), SceneWriter::nodeRecord(n.look));
        break;
    }
  }
  w.setRoot(scene.root);
  for (std::size_t i = 0; i < scene.nodes.size(); ++i) {
    const SourceNode& n = scene.nodes[i];
    const int h = static_cast<int>(i);
    if (!n.children.empty()) w.addChildren(h, n.children);
    if (n.loopStart != INT_MIN) w.setLoopStart(h, n.loopStart);
    for (const Key& k : n.keys) w.addKeyframe(h, k.frames, k.from, k.to);
    if (n.kind == Kind::Options && !n.options.empty()) {
      std::vector<std::uint16_t> words;
      for (const auto& members : n.options) {
        words.push_back(static_cast<std::uint16_t>(members.size()));
        words.insert(words.end(), members.begin(), members.end());
      }
      w.setOptions(h, static_cast<int>(n.options.size()), words);
    }
    if (n.opaque) w.addOpaque(h);
  }
  return w;
}

}  // namespace SceneSource
