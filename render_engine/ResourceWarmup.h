#pragma once
// Work done ahead of need, a piece at a time: the fonts and pictures a scene
// will take are made one per step, on frames that have time to spare (a
// still logo), and held until released, so that the scene built later finds
// them made instead of making them all in one frame. Other pieces of work can
// be queued as steps of their own.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace RenderEngine {

class CFont;
class ITexture;

class ResourceWarmup {
 public:
  ResourceWarmup() = default;
  ~ResourceWarmup();
  ResourceWarmup(const ResourceWarmup&) = delete;
  ResourceWarmup& operator=(const ResourceWarmup&) = delete;

  // Queues the fonts and pictures of the scene file (under "models/"). With
  // largePictures false, the pictures that sprites take only when first
  // drawn (wider than the large limit) are left to them.
  void addScene(const std::string& name, bool largePictures);
  void addStep(std::function<void()> step);

  // Does the next piece; false when nothing was left.
  bool step();
  bool isDone() const { return next_ >= pieces_.size(); }
  // Gives back every font and picture held (those nothing else holds go).
  void release();

 private:
  struct Piece {
    enum Kind { Font, Picture, Step } kind = Step;
    std::string name;  // font file, or picture key
    int size = 0;      // font size
    int outline = 0;   // -1: plain font
    std::function<void()> step;
  };
  bool queued(const Piece& piece) const;

  std::vector<Piece> pieces_;
  std::size_t next_ = 0;
  std::vector<CFont*> fonts_;
  std::vector<ITexture*> pictures_;
};

}  // namespace RenderEngine
