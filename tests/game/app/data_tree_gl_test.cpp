// The built data tree is whole: every scene, picture, text, font, sound, movie
// and design file the game asks for by name is there and loads through the
// game's own readers without a single message.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <tinyxml.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/LocalizedText.h"
#include "game/app/QMRGame.h"
#include "game/menus/MainMenuSequence.h"
#include "game/progress/LevelsManager.h"
#include "render_engine/CNode.h"
#include "render_engine/CNodeReader.h"
#include "render_engine/CNodeText.h"
#include "render_engine/CSprite.h"
#include "render_engine/CSpriteVideo.h"
#include "render_engine/Texture.h"
#include "render_engine/TextureManager.h"
#include "sound/AudioEngine.h"
#include "sound/SoundDecoding.h"
#include "support/GlWindow.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// Everything written on the standard output and error streams while it runs.
class Messages {
 public:
  Messages() : file_(std::tmpfile()) {
    std::fflush(stdout);
    std::fflush(stderr);
    savedOut_ = dup(1);
    savedErr_ = dup(2);
    dup2(fileno(file_), 1);
    dup2(fileno(file_), 2);
  }
  std::string finish() {
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut_, 1);
    dup2(savedErr_, 2);
    close(savedOut_);
    close(savedErr_);
    std::string text;
    std::rewind(file_);
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, file_) != nullptr) text += buffer;
    std::fclose(file_);
    return text;
  }

 private:
  FILE* file_;
  int savedOut_ = -1;
  int savedErr_ = -1;
};

// Sprites of the tree whose picture is missing (a sheet entry or a file of its own).
void collectMissingPictures(RenderEngine::CNode* node, std::vector<std::string>& missing) {
  if (auto* sprite = dynamic_cast<RenderEngine::CSprite*>(node)) {
    if (sprite->getWidth() <= 0 || sprite->getHeight() <= 0) {
      missing.push_back(sprite->getTextureName().empty() ? std::to_string(sprite->getTextureNumber())
                                                         : sprite->getTextureName());
    }
  }
  for (RenderEngine::CNode* child : node->getChildren()) collectMissingPictures(child, missing);
}

// Text nodes of the tree whose words are missing in the current language.
void collectMissingWords(RenderEngine::CNode* node, std::vector<std::uint32_t>& missing) {
  if (auto* text = dynamic_cast<RenderEngine::CNodeText*>(node)) {
    const std::uint32_t id = text->getTextId();
    // 0x40009 is the text the menu empties: it may be empty itself.
    if (id != RenderEngine::CNodeText::kNoText && id != 0x40009 &&
        (text->getText() == nullptr || text->getText()[0] == '\0')) {
      missing.push_back(id);
    }
  }
  for (RenderEngine::CNode* child : node->getChildren()) collectMissingWords(child, missing);
}

const std::vector<std::string> kScenes = {
    "main-menu.bin", "help.bin", "hud-map.bin", "boutons-fenetres.bin", "hud.bin", "fx.bin",
    "loup-appear.bin", "extra-fixed.bin", "blocs.bin", "base-mouton.bin", "mouton-loup.bin", "mouton-noir.bin",
    "loup-noir.bin", "bandeau.bin", "success_achievement.bin", "cursors.bin", "tableau.bin", "background1.bin",
    "background2.bin", "background3.bin", "background4.bin", "background5.bin", "background6.bin",
    "background7.bin", "background8.bin", "background9.bin"};
const std::vector<std::string> kPictures = {"logo_quillmoor", "logo_tarnwell_1024_748_iPad"};
const std::vector<std::string> kDesign = {
    "config.ynm", "gamedesign/levels.ynm", "gamedesign/achievementList.ynm", "gamedesign/tutorials.ynm",
    "gamedesign/settings.ynm", "physicmodels/collisiongroups.ynm", "physicmodels/collisiontypes.ynm",
    "physicmodels/collisionlayers.ynm"};
const std::vector<std::string> kLanguages = {"en", "fr", "it", "de", "es"};

class DataTree : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(qmtest::openGlWindow("data tree"));
    cwd_.emplace(QM_DATA_DIR);
  }
  std::optional<qmtest::ScopedCwd> cwd_;
};

TEST_F(DataTree, EveryNamedFileIsThere) {
  std::vector<std::string> files = {"textures/tex.dat", "text/I", "font/Arial Black.ttf", "font/icannon.ttf",
                                    "video/INTRO.m4v", "video/movie1.mp4"};
  for (const auto& s : kScenes) files.push_back("models/" + s);
  for (const auto& p : kPictures) files.push_back("textures/" + p + ".bin");
  for (const auto& d : kDesign) files.push_back(d);
  for (int i = 0; i < 5; ++i) files.push_back("text/" + std::to_string(i));
  for (const auto& code : kLanguages) {
    files.push_back("video/movie0-" + code + ".srt");
    files.push_back("video/movie1-" + code + ".srt");
  }
  for (std::uint32_t id = 0; id + 1 < AudioEngine::kBuiltInSoundCount; ++id) {
    files.push_back(std::string("win32_audio/") + AudioEngine::soundFileTable[id]);
  }
  for (const auto& f : files) {
    std::error_code ec;
    EXPECT_GT(fs::file_size(f, ec), 0u) << f << " is missing or empty";
  }
}

TEST_F(DataTree, ScenesAndPicturesLoadWithoutAMessage) {
  initTexts();
  for (const auto& code : kLanguages) {
    setLanguage(code.c_str());
    for (const auto& name : kScenes) {
      Messages messages;
      ExportCNode::CNodeReader reader(name);
      RenderEngine::CNode* root = reader.read();
      const std::string said = messages.finish();
      EXPECT_NE(root, nullptr) << name;
      EXPECT_EQ(reader.getError(), "") << name;
      EXPECT_EQ(said, "") << name << " (" << code << ")";
      if (root != nullptr && (name == "main-menu.bin" || name == "help.bin")) {
        std::vector<std::uint32_t> words;
        collectMissingWords(root, words);
        for (std::uint32_t id : words) ADD_FAILURE() << name << " (" << code << "): no words for text " << std::hex << id;
      }
      if (root != nullptr && code == "en") {
        std::vector<std::string> missing;
        collectMissingPictures(root, missing);
        for (const auto& m : missing) ADD_FAILURE() << name << ": no picture " << m;
      }
      delete root;
    }
  }
  for (const auto& name : kPictures) {
    Messages messages;
    const int w = RenderEngine::TextureManager::instance().getTextureWidth(name);
    const int h = RenderEngine::TextureManager::instance().getTextureHeight(name);
    EXPECT_EQ(messages.finish(), "") << name;
    EXPECT_GE(w, 480) << name;
    EXPECT_GE(h, 320) << name;
  }
}

TEST_F(DataTree, DesignFilesParseAndEveryLevelNamesItsModels) {
  for (const auto& name : kDesign) {
    TiXmlDocument doc;
    EXPECT_TRUE(doc.LoadFile(name.c_str())) << name << ": " << doc.ErrorDesc();
  }
  // Each level file and every entity model and joint template it names.
  for (const auto& entry : fs::directory_iterator("levels")) {
    if (entry.path().extension() != ".ynm") continue;
    TiXmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(entry.path().c_str())) << entry.path();
    const TiXmlElement* level = doc.RootElement();
    ASSERT_NE(level, nullptr);
    for (const TiXmlElement* list = level->FirstChildElement(); list; list = list->NextSiblingElement()) {
      for (const TiXmlElement* e = list->FirstChildElement(); e; e = e->NextSiblingElement()) {
        if (const char* model = e->Attribute("name"); model && std::string(e->Value()) == "entity") {
          EXPECT_TRUE(fs::exists(std::string("physicmodels/entities/") + model + ".ynm") ||
                      fs::exists(std::string("physicmodels/complexentities/") + model + ".ynm"))
              << entry.path() << " " << model;
        }
        if (const char* joint = e->Attribute("template"); joint && std::string(e->Value()) == "joint") {
          EXPECT_TRUE(fs::exists(std::string("physicmodels/jointtemplates/") + joint + ".ynm")) << joint;
        }
      }
    }
  }
  EXPECT_TRUE(fs::exists("physicmodels/entities/SheepEater.ynm"));
}

TEST_F(DataTree, SoundsDecodeAndMoviesOpen) {
  for (std::uint32_t id = 0; id + 1 < AudioEngine::kBuiltInSoundCount; ++id) {
    const std::string name = std::string("win32_audio/") + AudioEngine::soundFileTable[id];
    if (soundfile::extensionOf(name) != "wav") continue;  // the music is decoded by the sound tests
    soundfile::DecodedSound s;
    Messages messages;
    soundfile::decodeFile(name, s);
    EXPECT_EQ(messages.finish(), "") << name;
    EXPECT_FALSE(s.pcm.empty()) << name;
  }
  initTexts();
  setLanguage("fr");
  for (const auto& [movie, subtitles] : {std::pair{"INTRO.m4v", "movie0"}, std::pair{"movie1.mp4", "movie1"}}) {
    Messages messages;
    {
      // opened without its sound track (no sound device here), which it notes
      RenderEngine::CSpriteVideo video(movie, false, false, subtitles, false);
      EXPECT_TRUE(video.isValid()) << movie;
      video.play(false);
      video.update(100);
      EXPECT_FALSE(video.isFinished()) << movie;
    }
    EXPECT_EQ(messages.finish(), "NO AUDIO STREAM\n") << movie;
  }
}

TEST_F(DataTree, EightMapsEachWithItsOwnLevels) {
  qmtest::TempDir home;
  qmtest::ScopedEnv env("XDG_DATA_HOME", home.str());
  LevelsManager::resetInstance();
  Messages messages;
  LevelsManager& levels = LevelsManager::getInstance();
  EXPECT_EQ(messages.finish(), "");
  for (int map = 1; map <= 8; ++map) {
    EXPECT_EQ(levels.getMap(map).name, 0x70000 + map - 1) << map;
  }
  EXPECT_GE(levels.getMap(1).levels.size(), 10u);
  // Map m holds levels 25(m-1)+1 onwards, in order, at most 25 (or none yet);
  // the first three are whole.
  for (int map = 1; map <= 8; ++map) {
    const std::vector<LevelRecord*>& list = levels.getMap(map).levels;
    EXPECT_LE(list.size(), 25u) << map;
    for (std::size_t i = 0; i < list.size(); ++i) {
      EXPECT_EQ(list[i]->id, (map - 1) * 25 + 1 + static_cast<int>(i)) << map;
    }
  }
  for (int map = 1; map <= 3; ++map) EXPECT_EQ(levels.getMap(map).levels.size(), 25u) << map;
  LevelsManager::resetInstance();
}

// The pictures made ahead on the logo's frames are held until the menu's
// first clickable screen has been drawn: its sprites take their large
// pictures at their first draw, so a picture let go earlier would be deleted
// and read again in that one frame. No texture is deleted from the frame the
// menu builds its scenes until the frame it shows its clickable screen.
GLuint g_deletedTextures = 0;
void (*g_realDelete)(GLsizei, const GLuint*) = nullptr;
void countingDelete(GLsizei n, const GLuint* names) {
  g_deletedTextures += static_cast<GLuint>(n);
  g_realDelete(n, names);
}

class StartGame : public QMRGame {
 public:
  StartGame() { EXPECT_TRUE(installInstance(this)); }
};

TEST_F(DataTree, MenuPicturesMadeAheadAreNotReadAgainAtTheMenusFirstDraw) {
  qmtest::TempDir home;
  qmtest::ScopedEnv env("XDG_DATA_HOME", home.str());
  qmtest::ScopedEnv sound("ALSOFT_DRIVERS", "null");
  LevelsManager::resetInstance();
  RenderEngine::TextureGlBackend counting = RenderEngine::TextureGlBackend::current();
  g_realDelete = counting.deleteTextures;
  counting.deleteTextures = countingDelete;
  const RenderEngine::TextureGlBackend old = RenderEngine::TextureGlBackend::set(counting);
  {
    Messages quiet;
    StartGame game;
    game.start();
    auto* menu = dynamic_cast<MainMenuSequence*>(game.getSequence(1));
    bool built = false;
    GLuint deletedAtBuild = 0;
    GLuint deletedUntilClickable = 0;
    for (int frame = 0; frame < 1000; ++frame) {
      const GLuint deletedBefore = g_deletedTextures;
      game.update(33);
      if (!built && menu != nullptr && menu->areScenesBuilt()) {
        built = true;
        deletedAtBuild = deletedBefore;
      }
      // The frame that shows the clickable screen lets the intro's pictures go.
      if (built && menu->getScreen() != 0) {
        deletedUntilClickable = deletedBefore - deletedAtBuild;
        break;
      }
      game.render();
    }
    game.unloadAllSequences();
    quiet.finish();
    ASSERT_TRUE(built);
    EXPECT_NE(menu->getScreen(), 0);
    EXPECT_EQ(deletedUntilClickable, 0u);
  }
  RenderEngine::TextureGlBackend::set(old);
  LevelsManager::resetInstance();
}

TEST(ReadmeCount, TheLevelsThatShipAreThoseOfTheDesignFile) {
  TiXmlDocument doc;
  ASSERT_TRUE(doc.LoadFile((std::string(QM_TEST_SOURCE_DIR) + "/data/gamedesign/levels.ynm").c_str()));
  int levels = 0;
  for (const TiXmlElement* map = doc.RootElement()->FirstChildElement("map"); map; map = map->NextSiblingElement("map")) {
    for (const TiXmlElement* l = map->FirstChildElement("level"); l; l = l->NextSiblingElement("level")) ++levels;
  }
  std::ifstream readme(std::string(QM_TEST_SOURCE_DIR) + "/README.md");
  const std::string text((std::istreambuf_iterator<char>(readme)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("\n" + std::to_string(levels) + " levels ship"), std::string::npos)
      << "README.md should say \"" << levels << " levels ship\"";
}

}  // namespace
