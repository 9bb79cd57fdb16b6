#pragma once
// The named settings of "gamedesign/settings.ynm", read once at start.
#include <map>
#include <string>

struct SettingRecord {
  float value = 0.0f;
  std::string description;  // at most 255 characters, longer ones are cut
};

using SettingsTable = std::map<std::string, SettingRecord>;

// Reads the settings file once per process (later calls return at once until
// clearSettings). Problems are printed to standard output; none stops the run.
void loadSettings();
void clearSettings();
const SettingsTable& getSettings();
