#pragma once
// The root of the engine's objects (nodes, textures): each carries an id that
// no other object made in this process shares, copies included.
#include <cstdint>

namespace RenderEngine {

class IRenderEngineItem {
 public:
  IRenderEngineItem() : id(nextItemId++) {}
  // A copy takes a fresh id: two live items never share one.
  IRenderEngineItem(const IRenderEngineItem&) : id(nextItemId++) {}
  // Assignment keeps the item's own id.
  IRenderEngineItem& operator=(const IRenderEngineItem&) { return *this; }
  virtual ~IRenderEngineItem() = default;

  std::uint32_t getId() const { return id; }

  // The id the next item will take (game thread only).
  static inline std::uint32_t nextItemId = 0;

 protected:
  std::uint32_t id;
};

}  // namespace RenderEngine
