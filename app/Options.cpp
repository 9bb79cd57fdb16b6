#include "app/Options.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <vector>

#include "app/DataFiles.h"
#include "app/LocalizedText.h"
#include "app/ResourcePaths.h"
#include "app/StringUtils.h"

namespace {

std::vector<OptionRecord> g_options;

const char* const kOptionNames[kOptionCount] = {
    "VIBRATION", "COMPASS", "SENSIBILITY", "SOUND_VOLUME", "MUSIC_VOLUME", "FULLSCREEN", "LANGUAGE",
};

// The record an option has at first start.
OptionRecord firstStartRecord(int id) {
  const int vibration = isVibrationAvailable() ? 1 : 0;
  switch (id) {
    case OPTION_VIBRATION: return {id, vibration, 0, 1, vibration, !isVibrationAvailable()};
    case OPTION_COMPASS: return {id, 0, 0, 1, 0, !isCompassAvailable()};
    case OPTION_SENSIBILITY: return {id, 2, 1, 3, 2, false};
    case OPTION_SOUND_VOLUME: return {id, 5, 0, 10, 5, false};
    case OPTION_MUSIC_VOLUME: return {id, 5, 0, 10, 5, false};
    case OPTION_FULLSCREEN: return {id, 1, 0, 1, 1, true};
    case OPTION_LANGUAGE: return {id, 0, 0, 4, std::min(getSystemLanguageIndex(), 4), false};
    default: return {};
  }
}

OptionRecord* findOption(int id) {
  for (OptionRecord& r : g_options) {
    if (r.id == id) return &r;
  }
  return nullptr;
}

// The id of a name line, or -1 for a name that is no option.
int lookupOptionName(const std::string& name) {
  for (int id = 0; id < kOptionCount; ++id) {
    if (name == kOptionNames[id]) return id;
  }
  return -1;
}

std::string trim(const std::string& s) {
  const char* space = " \t\r\n";
  const std::size_t first = s.find_first_not_of(space);
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(space) - first + 1);
}

// For messages about a file that may hold anything.
std::string printable(const std::string& s) {
  std::string out = s.substr(0, 40);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) c = '?';
  }
  return out;
}

std::string formatOptions() {
  std::string out;
  for (const OptionRecord& r : g_options) {
    out += optionNameFromId(r.id) + "\n";
    out += "default=" + toString(r.defaultValue) + "\n";
    out += "min=" + toString(r.min) + "\n";
    out += "max=" + toString(r.max) + "\n";
    out += "current=" + toString(r.current) + "\n";
    out += "disabled=" + toString(r.disabled) + "\n";
    out += "\n";
  }
  return out;
}

// A hostile file could be of any size; a real one is a few hundred bytes.
constexpr std::size_t kMaxOptionsFileSize = 64 * 1024;

// One block read from the file: a name line and up to five value lines.
struct PendingBlock {
  int id = -1;  // -1: no block open, or one whose name is no option
  bool open = false;
  std::vector<int> values;
};

void commitBlock(const PendingBlock& block) {
  // A block cut short before its current value keeps the defaults rather
  // than half-read values; one that has its current value but lost the
  // disabled line keeps that value and derives disabled as setOptionValue does.
  if (!block.open || block.id < 0 || block.values.size() < 4) return;
  const OptionRecord builtIn = firstStartRecord(block.id);
  // The ranges are the game's own: a file cannot widen them (a maximum of 0
  // would divide the volumes by zero, a language past the list would index
  // nothing).
  const int current = std::clamp(block.values[3], builtIn.min, builtIn.max);
  const bool disabled = block.values.size() >= 5 ? block.values[4] != 0 : current == builtIn.min;
  addOption(block.id, builtIn.defaultValue, builtIn.min, builtIn.max, current, disabled);
}

// Reads the records of the file's text in file order. Lines are taken up to a
// line feed; a carriage return before it (a file from Windows) is dropped.
// Each value is the text after the line's last '='; the key before it is not
// looked at. A line without '=' names the next block, so a block with missing
// or extra lines does not shift the ones after it.
void parseOptions(const std::string& text) {
  PendingBlock block;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty()) continue;
    const std::size_t eq = line.rfind('=');
    if (eq == std::string::npos) {
      commitBlock(block);
      block = PendingBlock();
      block.open = true;
      block.id = lookupOptionName(line);
      if (block.id < 0) std::cerr << "options.dat: unknown option \"" << printable(line) << "\" skipped" << std::endl;
    } else if (block.open && block.values.size() < 5) {
      block.values.push_back(stringToInt(line.substr(eq + 1)));
    }
  }
  commitBlock(block);
}

}  // namespace

bool addOption(int id, int defaultValue, int min, int max, int current, bool disabled) {
  if (findOption(id) != nullptr) return false;
  g_options.push_back({id, defaultValue, min, max, current, disabled});
  return true;
}

void createDefaultOptions() {
  for (int id = 0; id < kOptionCount; ++id) {
    const OptionRecord r = firstStartRecord(id);
    addOption(r.id, r.defaultValue, r.min, r.max, r.current, r.disabled);
  }
}

void clearOptions() { g_options.clear(); }

void setOptionValue(int id, int value) {
  if (OptionRecord* r = findOption(id)) {
    r->current = value;
    r->disabled = (r->current == r->min);
  }
}

int getOptionField(int id, int which) {
  const OptionRecord* r = findOption(id);
  if (r == nullptr) return -1;
  switch (which) {
    case 1: return r->defaultValue;
    case 2: return r->min;
    case 3: return r->max;
    case 4: return r->current;
    default: return -1;
  }
}

int getOptionValue(int id) { return getOptionField(id, 4); }
int getOptionMax(int id) { return getOptionField(id, 3); }

int optionIdFromName(const std::string& name) { return std::max(lookupOptionName(name), 0); }

std::string optionNameFromId(int id) { return (id >= 0 && id < kOptionCount) ? kOptionNames[id] : ""; }

bool saveOptions() {
  const std::string path = getSaveFilePath("options.dat");
  if (writeFileAtomically(path, formatOptions())) return true;
  std::cerr << "Cannot write the options file " << path << std::endl;
  return false;
}

void loadOptions() {
  const std::string path = getSaveFilePath("options.dat");
  std::string text;
  const FileStatus status = readRegularFile(path, kMaxOptionsFileSize, text);
  if (status == FileStatus::Missing) {
    createDefaultOptions();
    saveOptions();
    return;
  }
  if (status != FileStatus::Ok) {
    // Only a file that is not there is a first start. One that is there but
    // cannot be read may still hold the player's settings: run on the
    // defaults without writing them over it.
    std::cerr << "Cannot read the options file " << path << " (" << describeFileStatus(status)
              << "); using the defaults for this run and keeping the file" << std::endl;
    createDefaultOptions();
    return;
  }
  parseOptions(text);
  createDefaultOptions();  // whatever the file lacked
  // Anything the reader had to mend is written back, so the file is whole
  // again; the file as it was stays beside it, since a damaged name or value
  // may have hidden a setting the player chose.
  if (formatOptions() == text) return;
  if (keepDamagedCopy(path, text)) {
    std::cerr << "The options file " << path << " was not as the game writes it; it is rewritten and kept as "
              << path << ".bak" << std::endl;
  } else {
    std::cerr << "The options file " << path << " was not as the game writes it and cannot be kept as " << path
              << ".bak; it is left as it was" << std::endl;
    return;
  }
  saveOptions();
}

namespace {
int g_vibrationMs = 0;
int g_vibrationElapsedMs = 0;
}  // namespace

void updateDevice(int /*ms*/) {}

void startVibration(int ms) {
  g_vibrationMs = ms;
  g_vibrationElapsedMs = 0;
  updateDevice(0);
}

void vibrate() { startVibration(500); }

bool isCompassAvailable() { return true; }
bool isVibrationAvailable() { return true; }

void setDeviceState(int /*state*/, int /*value*/) {}

void showTarnwellChannel(bool /*show*/, int /*x*/, int /*y*/) { std::printf("showTarnwellChannel\n"); }

const char* getDeviceLanguage() { return "fr"; }
