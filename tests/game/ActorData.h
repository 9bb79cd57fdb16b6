#pragma once
// A data folder for the factory tests: the sample physics models and
// collision tables, and a configuration with the grid size and black-animal
// records asked for; the working folder moves there for the fixture's life.
#include <filesystem>
#include <memory>
#include <string>

#include "physics/GameConfiguration.h"
#include "support/TempDir.h"

namespace actortest {

class ActorData {
 public:
  explicit ActorData(int gridSize, bool blackAnimals = true) {
    std::filesystem::copy(std::string(QM_TEST_SOURCE_DIR) + "/data/physicmodels", dir_.path() / "physicmodels",
                          std::filesystem::copy_options::recursive);
    std::string config = "<?xml version=\"1.0\" ?>\n<configuration><general><grid_size>" + std::to_string(gridSize) +
                         "</grid_size></general><gameplay><black_animals>";
    if (blackAnimals) {
      config +=
          "<black_animal collType=\"12\" model1=\"BlackSheepLight\" model2=\"BlackSheepHeavy\"/>"
          "<black_animal collType=\"13\" model1=\"BlackWolfLight\" model2=\"BlackWolfHeavy\"/>";
    }
    config += "</black_animals></gameplay></configuration>\n";
    dir_.write("config.ynm", config);
    cwd_ = std::make_unique<qmtest::ScopedCwd>(dir_.path());
    loadConfiguration();
  }
  ~ActorData() {
    cwd_.reset();
    gameConfiguration() = defaultGameConfiguration();
  }
  const qmtest::TempDir& dir() const { return dir_; }

 private:
  qmtest::TempDir dir_;
  std::unique_ptr<qmtest::ScopedCwd> cwd_;
};

}  // namespace actortest
