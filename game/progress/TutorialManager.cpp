#include "game/progress/TutorialManager.h"


#include <tinyxml.h>

#include "app/ResourcePaths.h"
#include "app/StringUtils.h"
#include "game/host/GameHost.h"
#include "game/progress/ProgressFiles.h"

namespace {

constexpr const char* kDesignFile = "gamedesign/tutorials.ynm";
constexpr const char* kSaveFile = "tutov2.sav";
constexpr std::uint8_t kVersion = '2';
constexpr std::size_t kSaveSize = 9;
// Tutorial messages: no buttons, dismissed by a tap, low on the screen.
constexpr int kTutorialKind = 1;
constexpr int kTutorialPosition = 2;

}  // namespace

std::unique_ptr<TutorialManager> TutorialManager::instance_;

TutorialManager& TutorialManager::getInstance() {
  if (!instance_) {
    instance_.reset(new TutorialManager());
    instance_->readTutorials();
    instance_->readSeenFlags();
  }
  return *instance_;
}

void TutorialManager::resetInstance() { instance_.reset(); }

bool TutorialManager::bitOf(int id, bool& high, std::uint32_t& mask) {
  if (id < 0) return false;
  high = id >= 100;
  mask = 1u << ((high ? id - 100 : id) % 32);
  return true;
}

bool TutorialManager::isUnseen(int id) const {
  bool high = false;
  std::uint32_t mask = 0;
  if (!bitOf(id, high, mask)) return false;
  return ((high ? seenHigh_ : seenLow_) & mask) == 0;
}

void TutorialManager::markSeen(int id) {
  bool high = false;
  std::uint32_t mask = 0;
  if (!bitOf(id, high, mask)) return;
  (high ? seenHigh_ : seenLow_) |= mask;
  saveSeenFlags();
}

void TutorialManager::showTutorial(int id) const {
  if (id < 0) return;
  const auto it = tutorials_.find(id);
  if (it == tutorials_.end()) return;
  for (int textId : it->second) gameHost().showBannerMessage({textId, kTutorialKind, kTutorialPosition, 0});
}

bool TutorialManager::showBlockTutorial(int collisionType) {
  const std::int64_t wide = static_cast<std::int64_t>(collisionType) + firstBlockTutorial_ - 1;
  if (wide < 0 || wide > INT32_MAX) return false;
  const int tid = static_cast<int>(wide);
  if (!isUnseen(tid)) return false;
  const auto it = tutorials_.find(tid);
  const bool shown = it != tutorials_.end() && !it->second.empty();
  if (shown) showTutorial(tid);
  markSeen(tid);
  return shown;
}

bool TutorialManager::showTutorialOnce(int id) {
  if (!isUnseen(id)) return false;
  showTutorial(id);
  markSeen(id);
  return true;
}

void TutorialManager::readTutorials() {
  firstBlockTutorial_ = 0;
  tutorials_.clear();
  TiXmlDocument doc;
  const TiXmlElement* root = progress::loadDesignRoot(doc, kDesignFile, "tutos", "tutorials");
  if (root == nullptr) return;
  // The element's name is spelled so in every design file.
  if (const TiXmlElement* first = root->FirstChildElement("firtsBlocTuto")) {
    firstBlockTutorial_ = progress::intAttribute(*first, "id");
  }
  for (const TiXmlElement* t = root->FirstChildElement("tutorial"); t != nullptr;
       t = t->NextSiblingElement("tutorial")) {
    std::vector<int> texts;
    for (const TiXmlElement* x = t->FirstChildElement("text"); x != nullptr; x = x->NextSiblingElement("text")) {
      const char* text = x->GetText();
      texts.push_back(text == nullptr ? 0 : stringToInt(text));
    }
    tutorials_[progress::intAttribute(*t, "id")] = std::move(texts);
  }
}

std::string TutorialManager::seenImage() const {
  progress::ByteWriter out;
  out.u8(kVersion);
  out.u32(seenLow_);
  out.u32(seenHigh_);
  return out.bytes();
}

bool TutorialManager::saveSeenFlags() { return progress::writeSaveFile(getSaveFilePath(kSaveFile), seenImage()); }

void TutorialManager::readSeenFlags() {
  const std::string path = getSaveFilePath(kSaveFile);
  std::string bytes;
  if (progress::readSaveFile(path, kSaveSize, bytes) != progress::SaveRead::Read) return;
  progress::ByteReader in(bytes);
  std::uint8_t version = 0;
  std::uint32_t low = 0;
  std::uint32_t high = 0;
  // The version byte was never checked; a short file changes nothing.
  if (in.u8(version) && in.u32(low) && in.u32(high)) {
    seenLow_ = low;
    seenHigh_ = high;
  } else {
    progress::keepDamagedSave(path, bytes, bytes.empty() ? "is empty" : "is cut short");
  }
}
