// The level reader and the configuration on arbitrary file contents: the input
// is both "levels/1.ynm" and "config.ynm" (one document may hold both top
// elements), over the sample physics models. The level is then built as the
// game builds it and stepped, so nothing it describes may stop the library.
#include <cstdint>

#include "FuzzDataTree.h"
#include "FuzzPhysicsData.h"
#include "physics/CNodePhysicsReader.h"
#include "physics/GameConfiguration.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzDataTree tree;
  fuzzphysics::prepare();
  tree.put("levels/1.ynm", data, size);
  tree.put("config.ynm", data, size);
  loadConfiguration();
  CNodePhysicsReader reader;
  reader.setScale(getGridSize());
  const EntityGroupDescription level = reader.loadLevel(1);
  RenderEngine::CScenePhysics scene;
  scene.resizeHashes(gameConfiguration().hashParameters());
  levelbuild::buildLevel(reader, scene, level, gameConfiguration());
  fuzzphysics::run(scene, 3);
  return 0;
}
