#include "app/Settings.h"

#include <cstdlib>
#include <iostream>

#include <tinyxml.h>

#include "app/ResourcePaths.h"
#include "platform/platform.h"

namespace {

SettingsTable g_settings;
bool g_loaded = false;

constexpr std::size_t kMaxDescription = 255;

void reportMissing(const char* attribute, int number) {
  std::cout << "settings xml parsing " << "error : missing attribute " << attribute << " for "
            << "setting" << " #" << number << std::endl;
  platform::pauseForKey();
}

}  // namespace

void clearSettings() {
  g_settings.clear();
  g_loaded = false;
}

const SettingsTable& getSettings() { return g_settings; }

void loadSettings() {
  if (g_loaded) return;
  std::cout << "Loading Settings..." << std::endl;

  TiXmlDocument doc;
  if (!loadXmlResource(doc, std::string("gamedesign/settings") + "." + "ynm")) {
    std::cout << "settings xml parsing " << "XML file error : " << doc.ErrorDesc() << std::endl;
    platform::pauseForKey();
  } else if (doc.FirstChildElement("settings") == nullptr) {
    // A file cut to "<" or holding some other document parses without error
    // and would give no settings without a word.
    std::cout << "settings xml parsing " << "XML file error : " << "no settings element" << std::endl;
    platform::pauseForKey();
  } else if (TiXmlElement* root = doc.FirstChildElement("settings")) {
    int number = 0;
    for (TiXmlElement* e = root->FirstChildElement("setting"); e != nullptr;
         e = e->NextSiblingElement("setting")) {
      ++number;
      const char* name = e->Attribute("name");
      if (name == nullptr || name[0] == '\0') {
        reportMissing("name", number);
        continue;
      }
      const char* value = e->Attribute("value");
      if (value == nullptr) {
        reportMissing("value", number);
        continue;
      }
      SettingRecord record;
      record.value = static_cast<float>(std::atof(value));
      if (const char* description = e->Attribute("description")) {
        record.description = description;
        if (record.description.size() > kMaxDescription) record.description.resize(kMaxDescription);
      }
      g_settings[name] = record;
    }
  }
  g_loaded = true;
}
