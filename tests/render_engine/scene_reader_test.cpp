// Scene files: the writer's layout, the reader's conversions and checks, the
// tree printer, and every scene source of the data tree against what the
// reader makes of its compiled file. Headless: fonts load into recorders.
#include "render_engine/CNodeReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "render_engine/CButton.h"
#include "render_engine/CNodeText.h"
#include "render_engine/COptionalNodeList.h"
#include "render_engine/CSprite.h"
#include "render_engine/FontTestSupport.h"
#include "render_engine/ResourceWarmup.h"
#include "render_engine/TextureManager.h"
#include "tools/texture_writer.h"
#include "tools/scene_source.h"
#include "tools/scene_tree.h"
#include "tools/scene_writer.h"

using namespace RenderEngine;
using ExportCNode::CNodeReader;
using SceneWriter::Look;
using SceneWriter::SceneFileWriter;
using fonttest::Recorder;

namespace {

class SceneReader : public testing::Test {
 protected:
  SceneReader() { fonttest::installGameFonts(dir_); }
  // Reads bytes; the error line (if any) goes to err.
  std::unique_ptr<CNode> read(const std::string& bytes, std::string* err = nullptr) {
    CNodeReader reader("test.bin");
    testing::internal::CaptureStderr();
    CNode* root = reader.readBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    const std::string printed = testing::internal::GetCapturedStderr();
    if (err != nullptr) *err = printed;
    EXPECT_NE(root, nullptr);
    EXPECT_EQ(root->getParent(), nullptr);
    return std::unique_ptr<CNode>(root);
  }
  // Only the reader's own lines (fonts and texts may complain too).
  static std::string errorLines(const std::string& err) {
    std::istringstream in(err);
    std::string line, out;
    while (std::getline(in, line)) {
      if (line.rfind("ERROR: Error", 0) == 0) out += line + "\n";
    }
    return out;
  }

  fonttest::HeadlessGl gl_;
  qmtest::TempDir dir_;
  qmtest::ScopedCwd cwd_{dir_.path()};
};

SceneWriter::SceneNodeRecord at(float x, float y) {
  Look look;
  look.position[0] = x;
  look.position[1] = y;
  return SceneWriter::nodeRecord(look);
}

// A file that uses every section: a root, a plain node with rounding at its
// halves, a sprite, an option list with two options, a button with an
// animated look, a plain-font text and a tinted text.
SceneFileWriter everyFeature() {
  SceneFileWriter w;
  w.typeZeroCount = 3;
  const int root = w.addNode(1, at(240, 160));
  SceneWriter::SceneNodeRecord halves = at(2.5f, 2.51f);
  halves.position[2] = -2.5f;
  halves.anchorPoint[0] = 2.5f;  // anchor H(0) = 0
  halves.anchorPoint[1] = 0.0f;  // anchor H(2.51) = 3
  halves.scale[0] = 0.125f;
  halves.scale[1] = 0.1251f;
  halves.rotation[2] = -90.5f;
  halves.skew[0] = 0.5f;
  halves.colorOffset[0] = 10;  // own colour, red held to 255
  halves.tag = 0;
  const int plain = w.addNode(1, halves);
  Look spriteLook;
  spriteLook.position[0] = 10.5f;  // H: 10
  spriteLook.position[1] = 20;
  spriteLook.rotation[2] = 5.5f;  // H: 5
  spriteLook.scale[0] = 0.125f;
  spriteLook.tag = 33;
  SceneWriter::SceneSpriteRecord sprite = SceneWriter::spriteRecord(spriteLook, 300, 64, 32, 4, -2);
  sprite.node.colorOffset[0] = 0.5f;  // no colour of its own
  const int s = w.addSprite(sprite);
  const int list = w.addNode(3, at(0, 0));
  const int optA = w.addNode(1, at(1, 0));
  const int optB = w.addNode(1, at(2, 0));
  const int button = w.addNode(4, at(100, 100));
  const int look = w.addNode(1, at(0, 0));
  Look textLook;
  textLook.position[0] = 50;
  textLook.position[1] = 60;
  textLook.tag = 222;
  textLook.rotation[2] = 10.5f;  // text angles and scales are kept
  textLook.scale[0] = 0.125f;
  const int plainText = w.addText(SceneWriter::textRecord(textLook, 101, 30, 0x50064, 1, 4, 3, -1));
  Look tinted;
  tinted.hasColor = true;
  tinted.color[0] = 200;
  tinted.color[1] = 100;
  tinted.color[2] = 50;
  const int tintText = w.addText(SceneWriter::textRecord(tinted, 40, 20, ExportCNode::kTintedTextId, 5, 0, 0, 0));
  const int detached = w.addText(SceneWriter::textRecord(Look(), 10, 10, 0x50065, 5, 0, 0, 0));
  (void)detached;
  w.setRoot(root);
  w.addChildren(root, {plain, s, list, button, plainText, tintText});
  w.addChildren(list, {optA, optB});
  w.addChildren(button, {look});
  w.setLoopStart(look, 1);
  SceneWriter::Pose from, to;
  to.f[0] = 2.5f;
  to.f[1] = -2.5f;
  to.f[6] = 0.125f;
  to.f[5] = 30.5f;
  to.f[9] = 1.5f;
  to.f[12] = 0.75f;  // colour offsets are kept as they are
  to.f[15] = -255;
  w.addKeyframe(look, 4, from, to);
  w.addKeyframe(look, 2, to, from);
  w.setOptions(list, 2, {1, 1, 1, 0});
  w.addOpaque(s);
  return w;
}

}  // namespace

TEST_F(SceneReader, SmallestFileLayout) {
  SceneFileWriter w;
  w.setRoot(w.addNode(1, at(0, 0)));
  const std::string bytes = w.bytes();
  ASSERT_EQ(bytes.size(), 144u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("BRUT\xCD\xCC\xCC\x3F", 8));
  EXPECT_EQ(bytes.substr(8, 14), std::string("\x06\0\0\0\x01\0\0\0\0\0\0\0\0\0", 14));
  EXPECT_EQ(bytes.substr(130), std::string(14, '\0'));
  std::string err;
  auto root = read(bytes, &err);
  EXPECT_EQ(errorLines(err), "");
  EXPECT_EQ(root->getChildCount(), 0u);
  EXPECT_TRUE(root->hasOwnColor());  // the root is given white
  // The game names its scenes under "models/".
  dir_.write("models/small.bin", bytes);
  CNodeReader byName("small.bin");
  std::unique_ptr<CNode> fromFile(byName.read());
  EXPECT_EQ(byName.getError(), "");
  EXPECT_TRUE(fromFile->hasOwnColor());
  // Read again after a larger scene: nothing of the first is left over.
  const std::string large = everyFeature().bytes();
  std::unique_ptr<CNode> first(byName.readBytes(reinterpret_cast<const std::uint8_t*>(large.data()), large.size()));
  std::unique_ptr<CNode> again(byName.readBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  EXPECT_EQ(byName.getError(), "");
  EXPECT_EQ(again->getChildCount(), 0u);
}

TEST_F(SceneReader, EveryFeatureRoundTrip) {
  const std::size_t textsBefore = CNodeText::allTextNodes().size();
  std::string err;
  auto root = read(everyFeature().bytes(), &err);
  ASSERT_EQ(errorLines(err), "");
  ASSERT_EQ(root->getChildCount(), 6u);
  // The detached text was freed; the two attached live on.
  EXPECT_EQ(CNodeText::allTextNodes().size(), textsBefore + 2);

  CNode* plain = root->getChild(0);
  EXPECT_EQ(plain->getTag(), -1);  // tag 0 is not applied
  EXPECT_EQ(plain->getPosition(), Vector3(2, 3, -3));
  EXPECT_FLOAT_EQ(plain->getAnchorX(), 0);
  EXPECT_FLOAT_EQ(plain->getAnchorY(), 3);
  EXPECT_FLOAT_EQ(plain->getScale().x, 0.12f);
  EXPECT_FLOAT_EQ(plain->getScale().y, 0.13f);
  EXPECT_FLOAT_EQ(plain->getRotation().z, 269.0f);  // H(-90.5) = -91
  EXPECT_FLOAT_EQ(plain->getSkewX(), 0.0f);
  ASSERT_TRUE(plain->hasOwnColor());
  EXPECT_EQ(plain->getColor(), (ColorRGBA{1, 1, 1, 1}));

  auto* sprite = dynamic_cast<CSprite*>(root->getChild(1));
  ASSERT_NE(sprite, nullptr);
  EXPECT_EQ(sprite->getTag(), 33);
  EXPECT_EQ(sprite->getPosition(), Vector3(10, 20, 0));
  EXPECT_FLOAT_EQ(sprite->getRotation().z, 5.0f);
  EXPECT_EQ(sprite->getTextureNumber(), 300);
  EXPECT_FLOAT_EQ(sprite->getScale().x, 0.125f);  // sprite scales are kept
  EXPECT_FALSE(sprite->hasOwnColor());
  EXPECT_TRUE(sprite->isOpaque());
  // No picture: an empty sprite whose quad sits at its offset.
  EXPECT_FLOAT_EQ(sprite->getVertex(0).x, 4);
  EXPECT_FLOAT_EQ(sprite->getVertex(0).y, -2);

  auto* list = dynamic_cast<COptionalNodeList*>(root->getChild(2));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->getOptionCount(), 2);
  ASSERT_EQ(list->getOption(0).size(), 1u);
  EXPECT_EQ(list->getOption(0)[0], list->getChild(1));
  EXPECT_EQ(list->getOption(1)[0], list->getChild(0));

  auto* button = dynamic_cast<CButton*>(root->getChild(3));
  ASSERT_NE(button, nullptr);
  CNode* look = button->getChild(0);
  const NodeAnimation& anim = look->getAnimation();
  EXPECT_EQ(anim.getLoopStart(), 1);
  ASSERT_EQ(anim.getSegmentCount(), 2u);
  EXPECT_EQ(anim.getFrameCount(), 6);
  const KeyframeTransform& end = anim.getSegments()[0].getPoints()[1];
  EXPECT_EQ(end.position, Vector3(2, -3, 0));
  EXPECT_FLOAT_EQ(end.scale.x, 0.12f);
  EXPECT_FLOAT_EQ(end.rotationZ, 30.0f);
  EXPECT_FLOAT_EQ(end.skewX, 1.0f);
  EXPECT_FLOAT_EQ(end.colorOffsetR, 0.75f);
  EXPECT_FLOAT_EQ(end.alphaOffset, -255.0f);

  auto* plainText = dynamic_cast<CNodeText*>(root->getChild(4));
  ASSERT_NE(plainText, nullptr);
  EXPECT_EQ(plainText->getTag(), 222);
  EXPECT_EQ(plainText->getTextId(), 0x50064u);
  EXPECT_EQ(plainText->getLayoutFlags(), 4 | 8);
  EXPECT_FLOAT_EQ(plainText->getRotation().z, 10.5f);
  EXPECT_FLOAT_EQ(plainText->getScale().x, 0.125f);
  EXPECT_EQ(plainText->getPosition(), Vector3(50, 60, 0));
  EXPECT_FLOAT_EQ(plainText->getTextRect()[0], -51);  // H(-50.5)
  EXPECT_FLOAT_EQ(plainText->getTextRect()[2], 101);
  const fontParameters_ plainStyle = plainText->getFontParameters();
  EXPECT_EQ(plainStyle.fillColor[0], -1.0f);
  EXPECT_EQ(plainStyle.outlineColor[0], -1.0f);
  EXPECT_FLOAT_EQ(plainStyle.lineSpacing, plainText->getFont()->getLineHeight() + 3);
  EXPECT_FLOAT_EQ(plainStyle.spacing, plainText->getFont()->getSpacing() - 1);
  bool plainFont = false;
  for (const FontRegistryEntry& e : fontRegistry()) {
    if (e.font == plainText->getFont()) plainFont = e.outlineWidth == 0 && e.file == "icannon.ttf" && e.size == 32;
  }
  EXPECT_TRUE(plainFont);

  auto* tint = dynamic_cast<CNodeText*>(root->getChild(5));
  ASSERT_NE(tint, nullptr);
  const fontParameters_ tintStyle = tint->getFontParameters();
  EXPECT_FLOAT_EQ(tintStyle.fillColor[0], 200.0f / 255.0f);
  EXPECT_FLOAT_EQ(tintStyle.fillColor[2], 50.0f / 255.0f);
  EXPECT_FLOAT_EQ(tintStyle.outlineColor[0], 1.0f);
}

TEST_F(SceneReader, NavyOutlineTransparencyAndTypeZero) {
  SceneFileWriter w;
  w.typeZeroCount = 5;  // enlarges nothing visible, shifts no index
  const int root = w.addNode(1, at(0, 0));
  SceneWriter::SceneNodeRecord gone = at(0, 0);
  gone.colorOffset[3] = -255;
  const int hidden = w.addNode(1, gone);
  const int text = w.addText(SceneWriter::textRecord(Look(), 40, 20, 0x50064, 0, 0, 0, 0));
  w.setRoot(root);
  w.addChildren(root, {hidden, text});
  w.addOpaque(hidden);
  auto tree = read(w.bytes());
  ASSERT_EQ(tree->getChildCount(), 2u);
  EXPECT_TRUE(tree->getChild(0)->isTransparent());
  const fontParameters_ style = static_cast<CNodeText*>(tree->getChild(1))->getFontParameters();
  EXPECT_FLOAT_EQ(style.fillColor[0], 1.0f);
  EXPECT_FLOAT_EQ(style.outlineColor[2], 101.0f / 255.0f);
}

TEST_F(SceneReader, HeaderErrorLines) {
  std::string err;
  {
    CNodeReader reader("no-such-scene.bin");
    testing::internal::CaptureStderr();
    std::unique_ptr<CNode> root(reader.read());
    err = testing::internal::GetCapturedStderr();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getChildCount(), 0u);
  }
  EXPECT_EQ(err, "ERROR: Error : Cannot read file, maybe a bad path ?\n");
  read(std::string("\xFF\xFF\xFF\xFF" "abcdefgh", 12), &err);
  EXPECT_EQ(err, "ERROR: Error : Cannot read file, maybe a bad path ?\n");
  SceneFileWriter w;
  w.setRoot(w.addNode(1, at(0, 0)));
  w.magic = "BRUX";
  read(w.bytes(), &err);
  EXPECT_EQ(err, "ERROR: Error : File Bad Format: \n");
  w.magic = "BRUT";
  w.version = 1.5f;
  read(w.bytes(), &err);
  EXPECT_EQ(err, "ERROR: Error : File Bad Version: requested : 1.6 found :1.5\n");
  w.version = 1.6f;
  w.extraCounts = {0};  // a seventh count of 0 is harmless
  read(w.bytes(), &err);
  EXPECT_EQ(err, "");
  w.extraCounts = {1};
  read(w.bytes(), &err);
  EXPECT_EQ(err, "ERROR: Error : File Bad Format: unsupported node type\n");
}

TEST_F(SceneReader, IndicesAndGroupsAreChecked) {
  struct Case {
    const char* name;
    void (*breakIt)(SceneFileWriter&);
    const char* message;
  };
  const Case cases[] = {
      {"root", [](SceneFileWriter& w) { w.rawRootIndex = 9; }, "Bad node index 9 in the hierarchy (root)"},
      {"child", [](SceneFileWriter& w) { w.addChildren(0, {12}); }, "Bad node index 12 in the hierarchy"},
      {"twice", [](SceneFileWriter& w) { w.addChildren(1, {2}); }, "Node 2 attached twice"},
      {"root as child", [](SceneFileWriter& w) { w.addChildren(2, {0}); }, "The root node is attached as a child"},
      {"loop", [](SceneFileWriter& w) { w.addChildren(3, {4}), w.addChildren(4, {3}); }, "circular"},
      {"keyframe", [](SceneFileWriter& w) { w.addKeyframe(40, 3, {}, {}); }, "Bad node index 40 in the keyframes"},
      {"duration", [](SceneFileWriter& w) { w.addKeyframe(1, -1, {}, {}); }, "Bad keyframe duration -1"},
      {"options", [](SceneFileWriter& w) { w.setOptions(1, 1, {0}); }, "Node 1 is not an option list"},
      {"opaque", [](SceneFileWriter& w) { w.addOpaque(7); }, "Bad node index 7 in the opaque list"},
      {"font", [](SceneFileWriter& w) { w.addText(SceneWriter::textRecord(Look(), 4, 4, 1, 13, 0, 0, 0)); },
       "Bad font index 13"},
      {"infinite", [](SceneFileWriter& w) { w.addNode(1, at(INFINITY, 0)); },
       "Number not finite or beyond 1000000 in the node records"},
      {"not a number", [](SceneFileWriter& w) { w.addNode(1, at(0, NAN)); }, "Number not finite"},
      {"huge", [](SceneFileWriter& w) { w.addNode(1, at(-1.0e30f, 0)); }, "Number not finite"},
      {"huge pose",
       [](SceneFileWriter& w) {
         SceneWriter::Pose pose;
         pose.f[6] = 3.0e9f;
         w.addKeyframe(1, 2, pose, {});
       },
       "Number not finite or beyond 1000000 in the animations"},
  };
  for (const Case& c : cases) {
    SceneFileWriter w;
    for (int i = 0; i < 5; ++i) w.addNode(1, at(0, 0));
    w.setRoot(0);
    w.addChildren(0, {1, 2});
    c.breakIt(w);
    std::string err;
    auto root = read(w.bytes(), &err);
    EXPECT_EQ(root->getChildCount(), 0u) << c.name;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << c.name << ": " << err;
    EXPECT_EQ(err.rfind("ERROR: Error : ", 0), 0u) << c.name << ": " << err;
    EXPECT_NE(err.find(c.message), std::string::npos) << c.name << ": " << err;
  }
}

TEST_F(SceneReader, EveryCutOfAGoodFileGivesOneErrorLine) {
  const std::string bytes = everyFeature().bytes();
  const std::size_t textsBefore = CNodeText::allTextNodes().size();
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    std::string err;
    auto root = read(bytes.substr(0, cut), &err);
    const std::string lines = errorLines(err);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << "cut at " << cut << ": " << err;
    EXPECT_EQ(root->getChildCount(), 0u) << cut;
    EXPECT_EQ(CNodeText::allTextNodes().size(), textsBefore) << "cut at " << cut;
  }
}

TEST_F(SceneReader, GameShapedLookups) {
  // A menu whose first child is a list of seven screens, each with a button.
  SceneFileWriter w;
  const int root = w.addNode(1, at(0, 0));
  const int screens = w.addNode(3, at(0, 0));
  std::vector<int> pages;
  std::vector<std::uint16_t> words;
  for (int i = 0; i < 7; ++i) {
    SceneWriter::SceneNodeRecord r = at(0, 0);
    r.tag = static_cast<std::int16_t>(300 + i);
    pages.push_back(w.addNode(4, r));
    words.push_back(1);
    words.push_back(static_cast<std::uint16_t>(i));
  }
  w.setRoot(root);
  w.addChildren(root, {screens});
  w.addChildren(screens, pages);
  w.setOptions(screens, 7, words);
  auto menu = read(w.bytes());
  auto* list = dynamic_cast<COptionalNodeList*>(menu->getChild(0));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->getOptionCount(), 7);
  list->showFrame(6);
  EXPECT_EQ(menu->findVisibleByTag(306), list->getChild(6));
  EXPECT_EQ(menu->findVisibleByTag(305), nullptr);
  NodeList targets;
  menu->collectTouchTargets(targets);
  ASSERT_EQ(targets.size(), 1u);
  EXPECT_EQ(targets[0]->getTag(), 306);

  // Blocks: child 18 of child 0 of child 0 of child 0, whatever the types
  // in between (the table lists all plain nodes before the lists).
  SceneFileWriter b;
  const int top = b.addNode(1, at(0, 0));
  const int kinds = b.addNode(3, at(0, 0));
  const int a = b.addNode(1, at(0, 0));
  const int c = b.addNode(4, at(0, 0));
  std::vector<int> ends;
  for (int i = 0; i < 20; ++i) {
    SceneWriter::SceneNodeRecord r = at(static_cast<float>(i), 0);
    r.tag = static_cast<std::int16_t>(1000 + i);
    ends.push_back(i % 2 == 0 ? b.addNode(1, r) : b.addSprite(SceneWriter::SceneSpriteRecord{r, 7}));
  }
  b.setRoot(top);
  b.addChildren(top, {a});
  b.addChildren(a, {kinds});
  b.addChildren(kinds, {c});
  b.addChildren(c, ends);
  auto blocks = read(b.bytes());
  CNode* piece = blocks->getChild(0)->getChild(0)->getChild(0)->getChild(18);
  ASSERT_NE(piece, nullptr);
  EXPECT_EQ(piece->getTag(), 1018);
  EXPECT_EQ(blocks->findByTag(1019)->getPosition().x, 19.0f);
}

TEST_F(SceneReader, SourceFormat) {
  SceneSource::Scene scene;
  std::string error;
  EXPECT_FALSE(SceneSource::parseSceneText("<scene><node/><node/></scene>", "s.xml", scene, error));
  EXPECT_EQ(error, "s.xml:1: a <scene> holds exactly one node, the root");
  EXPECT_FALSE(SceneSource::parseSceneText("<scene>\n<node postion=\"1 2\"/></scene>", "s.xml", scene, error));
  EXPECT_EQ(error, "s.xml:2: <node> has no attribute \"postion\"");
  EXPECT_FALSE(SceneSource::parseSceneText("<scene><text text=\"5:1\" font=\"13\" size=\"1 1\"/></scene>", "s.xml",
                                           scene, error));
  EXPECT_NE(error.find("\"font\" must be a whole number from 0 to 12"), std::string::npos) << error;
  const char* source = R"(<scene reserve="2">
    <node tag="1" pos="240 160">
      <sprite texture="300" size="96 32" pos="10 20" offset="0 4" color="255 128 0" opaque="1"/>
      <button tag="7" pos="100 100" anchor="5 5">
        <node loop="1"><key frames="2" from-color="255 255 255 0"/><key frames="1" to-scale="0.5"/>
          <sprite texture="301" size="10 10"/></node>
      </button>
      <options tag="9">
        <option><sprite texture="302" size="4 4"/></option>
        <option><text text="5:100" font="3" size="100 20" pos="0 -20" flags="centre bottom"/></option>
        <node tag="40"/>
      </options>
      <text text="1:10" font="1" size="101 30" tag="222" spacing="2" line="-3"/>
      <text text="1:10" font="1" size="50 30" color="200 100 50"/>
      <node rot="-90" scale="2" skew="10 0" pos="3 -3"><key frames="10" to-pos="2 5" to-rot="45"/></node>
      <node color="255 255 255" scale="2 3"><key frames="3" to-scale="0.5 0.25"/></node>
    </node>
  </scene>)";
  ASSERT_TRUE(SceneSource::parseSceneText(source, "s.xml", scene, error)) << error;
  const std::string bytes = SceneSource::compileScene(scene).bytes();
  std::string err;
  auto readTree = read(bytes, &err);
  ASSERT_EQ(errorLines(err), "");
  std::unique_ptr<CNode> expected(SceneTree::buildFromSource(scene));
  const std::string dump = SceneTree::printTree(readTree.get());
  EXPECT_EQ(dump, SceneTree::printTree(expected.get()));
  EXPECT_NE(dump.find("| options=2 current=0 [0] [1]"), std::string::npos) << dump;
  EXPECT_NE(dump.find("flags=13"), std::string::npos) << dump;
  EXPECT_NE(dump.find("rot=(0,0,270)"), std::string::npos) << dump;
  EXPECT_NE(dump.find("scale=(2,3,1) skew=(0,0) color=(255,255,255,255)"), std::string::npos) << dump;
  EXPECT_NE(dump.find("scale=(0.5,0.25,1)"), std::string::npos) << dump;
  EXPECT_NE(dump.find("| texture=300 size=0x0 offset=(0,4) opaque"), std::string::npos) << dump;
  EXPECT_NE(dump.find("options tag=9"), std::string::npos) << dump;
}

// Every scene of the data tree compiles, and reading the file gives the tree
// its source describes.
TEST_F(SceneReader, DataScenesReadAsTheirSourcesDescribe) {
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(QM_TEST_SOURCE_DIR "/data/scenes")) {
    if (entry.path().extension() != ".xml") continue;
    ++seen;
    SceneSource::Scene scene;
    std::string error;
    ASSERT_TRUE(SceneSource::parseSceneFile(entry.path().string(), scene, error)) << error;
    std::string err;
    auto readTree = read(SceneSource::compileScene(scene).bytes(), &err);
    EXPECT_EQ(errorLines(err), "") << entry.path();
    std::unique_ptr<CNode> expected(SceneTree::buildFromSource(scene));
    EXPECT_EQ(SceneTree::printTree(readTree.get()), SceneTree::printTree(expected.get())) << entry.path();
  }
  EXPECT_GT(seen, 0);
}

// What a scene will take, read without making a node: each sprite's picture
// with its width, each text's font (plain for the plain-text tag, else
// outlined); nothing from a file cut inside its records, or missing.
TEST_F(SceneReader, ScanListsThePicturesAndFontsTheNodesWillTake) {
  const std::string bytes = everyFeature().bytes();
  std::filesystem::create_directories("models");
  std::ofstream("models/every.bin", std::ios::binary) << bytes;
  const ExportCNode::SceneResources found = CNodeReader("every.bin").scanResources();
  ASSERT_EQ(found.pictures.size(), 1u);
  EXPECT_EQ(found.pictures[0].textureNumber, 300);
  EXPECT_EQ(found.pictures[0].width, 64);
  ASSERT_EQ(found.fonts.size(), 3u);
  EXPECT_EQ(found.fonts[0].file, ExportCNode::sceneFontTable[1].file);  // the plain text
  EXPECT_EQ(found.fonts[0].size, ExportCNode::sceneFontTable[1].size);
  EXPECT_EQ(found.fonts[0].outline, -1);
  EXPECT_EQ(found.fonts[1].size, ExportCNode::sceneFontTable[5].size);
  EXPECT_EQ(found.fonts[1].outline, 2);
  std::ofstream("models/cut.bin", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  const ExportCNode::SceneResources cut = CNodeReader("cut.bin").scanResources();
  EXPECT_TRUE(cut.pictures.empty() && cut.fonts.empty());
  const ExportCNode::SceneResources missing = CNodeReader("missing.bin").scanResources();
  EXPECT_TRUE(missing.pictures.empty() && missing.fonts.empty());
}

// Made ahead one piece a step, held, then found made by the scene built
// afterwards: nothing is uploaded twice, and the release leaves the scene's
// own holds.
TEST_F(SceneReader, AWarmupMakesAScenesFontsAndPicturesOnePerStep) {
  std::filesystem::create_directories("textures");
  std::filesystem::create_directories("models");
  texwriter::writeFile("textures/tex.dat", {});
  ASSERT_TRUE(texwriter::writePng("textures/501.bin", texwriter::Picture(40, 20, texwriter::Rgba{9, 9, 9, 255}), {}));
  ASSERT_TRUE(texwriter::writePng("textures/502.bin", texwriter::Picture(900, 20, texwriter::Rgba{9, 9, 9, 255}), {}));
  SceneFileWriter w;
  const int root = w.addNode(1, at(0, 0));
  const int small = w.addSprite(SceneWriter::spriteRecord(Look(), 501, 40, 20, 0, 0));
  const int large = w.addSprite(SceneWriter::spriteRecord(Look(), 502, 900, 20, 0, 0));
  const int text = w.addText(SceneWriter::textRecord(Look(), 40, 20, 0x50064, 0, 0, 0, 0));
  const int again = w.addText(SceneWriter::textRecord(Look(), 40, 20, 0x50065, 0, 0, 0, 0));  // the same font
  w.setRoot(root);
  w.addChildren(root, {small, large, text, again});
  std::ofstream("models/warm.bin", std::ios::binary) << w.bytes();

  RenderEngine::ResourceWarmup warmup;
  warmup.addScene("warm.bin", false);  // the large picture is left to its sprite's first draw
  int steps = 0;
  while (warmup.step()) ++steps;
  EXPECT_EQ(steps, 2);  // one font, one picture
  EXPECT_TRUE(warmup.isDone());
  EXPECT_EQ(Recorder::get().uploads, 3);  // the outlined font's two atlases, the picture
  ASSERT_NE(RenderEngine::TextureManager::instance().findStored("501"), nullptr);
  EXPECT_EQ(RenderEngine::TextureManager::instance().findStored("502"), nullptr);

  CNodeReader reader("warm.bin");
  std::unique_ptr<CNode> scene(reader.read());
  EXPECT_EQ(Recorder::get().uploads, 3);  // found made
  warmup.release();
  RenderEngine::ITexture* picture = RenderEngine::TextureManager::instance().findStored("501");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->getRefCount(), 1);  // the sprite's own
  scene.reset();
  EXPECT_EQ(RenderEngine::TextureManager::instance().findStored("501"), nullptr);

  RenderEngine::ResourceWarmup all;
  all.addScene("warm.bin", true);
  int ran = 0;
  all.addStep([&ran] { ++ran; });
  while (all.step()) {
  }
  EXPECT_NE(RenderEngine::TextureManager::instance().findStored("502"), nullptr);
  EXPECT_EQ(ran, 1);
}
