#pragma once
// The player's options (volumes, full screen, language and the settings of
// touch devices), kept in one process-wide table and stored as text in
// "options.dat" in the save folder, plus the device hooks the game calls.
#include <string>

// Option ids; the position of each in the file is the order the table holds.
enum OptionId {
  OPTION_VIBRATION = 0,
  OPTION_COMPASS = 1,
  OPTION_SENSIBILITY = 2,
  OPTION_SOUND_VOLUME = 3,
  OPTION_MUSIC_VOLUME = 4,
  OPTION_FULLSCREEN = 5,
  OPTION_LANGUAGE = 6,
};
constexpr int kOptionCount = 7;

struct OptionRecord {
  int id = -1;
  int defaultValue = -1;
  int min = -1;
  int max = -1;
  int current = -1;
  bool disabled = true;
};

// Reads "options.dat" from the save folder. A missing file gives the defaults,
// written at once. A damaged one is repaired: blocks with unknown names are
// skipped, options it lacks get their defaults, every value is brought into
// the option's built-in range, and the file is written again. A file that
// fails to read gives the defaults for this run and is left as it is.
// Call initTexts first: a first start takes LANGUAGE from the system language's index in the language list.
void loadOptions();
// Writes the whole table through a temporary file renamed over the old one;
// false (and the old file untouched) when that fails.
bool saveOptions();
// Adds the seven options with their first-start values, in id order (options
// already in the table keep theirs).
void createDefaultOptions();
// Appends a record unless the table holds that id; true when it was added.
bool addOption(int id, int defaultValue, int min, int max, int current, bool disabled);
// Sets the current value, then disabled = (current == min). Does not save.
void setOptionValue(int id, int value);
// which: 1 default, 2 min, 3 max, 4 current. -1 for an unknown id or which.
int getOptionField(int id, int which);
int getOptionValue(int id);
int getOptionMax(int id);
// The id of an option name; any other text gives 0.
int optionIdFromName(const std::string& name);
// The option's name; "" for an id outside 0..6.
std::string optionNameFromId(int id);
// Empties the table (for tests, which load several files in one process).
void clearOptions();

// Device hooks. This platform has no vibration motor, compass or device
// state; the game still calls them at the same places, and they change
// nothing here.
void updateDevice(int ms);  // called before every sequence update
void startVibration(int ms);
void vibrate();
bool isCompassAvailable();
bool isVibrationAvailable();
void setDeviceState(int state, int value);
void showTarnwellChannel(bool show, int x, int y);
// The language the text tables start with, before the options apply theirs.
const char* getDeviceLanguage();
