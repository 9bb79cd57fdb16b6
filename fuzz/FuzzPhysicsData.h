#pragma once
// Shared by the physics data fuzz targets: the sample physics models copied
// into the fuzz tree once, textures without a display, messages dropped, and a
// short run of a scene so whatever was built also reaches the physics library.
#include <filesystem>
#include <string>

#include "physics/CScenePhysics.h"
#include "physics/PhysicsGuard.h"
#include "tools/level_build.h"

namespace fuzzphysics {

inline void quietMessage(const std::string&) {}

// Once per process, in the fuzz tree's working folder.
inline void prepare() {
  static bool done = false;
  if (done) return;
  done = true;
  std::error_code ec;
  std::filesystem::copy(std::filesystem::path(QM_FUZZ_DATA_DIR) / "physicmodels", "physicmodels",
                        std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing,
                        ec);
  RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
  RenderEngine::PhysicsGuard::setMessageSink(&quietMessage);
}

inline void run(RenderEngine::CScenePhysics& scene, int frames) {
  for (int i = 0; i < frames; ++i) scene.update(33);
}

}  // namespace fuzzphysics
