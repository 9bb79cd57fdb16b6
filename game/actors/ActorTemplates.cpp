#include "game/actors/ActorTemplates.h"

#include <map>
#include <memory>

#include "render_engine/CNodeReader.h"

namespace ActorTemplates {
namespace {

struct Kept {
  std::map<std::string, RenderEngine::CNode*> roots;
  std::map<std::string, int> reads;
  ~Kept() {
    for (auto& entry : roots) delete entry.second;
  }
};

Kept& kept() {
  static Kept k;
  return k;
}

}  // namespace

RenderEngine::CNode* get(const std::string& name) {
  Kept& k = kept();
  auto it = k.roots.find(name);
  if (it != k.roots.end()) return it->second;
  ++k.reads[name];
  ExportCNode::CNodeReader reader(name);
  RenderEngine::CNode* root = reader.read();
  if (root == nullptr) root = new RenderEngine::CNode;
  k.roots[name] = root;
  return root;
}

RenderEngine::CNode* copyOf(const RenderEngine::CNode* node) {
  if (node == nullptr) return nullptr;
  RenderEngine::CNode* copy = node->clone();
  const_cast<RenderEngine::CNode*>(node)->clearCloneLinks();
  // A kept copy that nobody adds must not point at a parent.
  if (RenderEngine::CNode* parent = copy->getParent()) parent->removeChild(copy);
  return copy;
}

void install(const std::string& name, RenderEngine::CNode* root) {
  Kept& k = kept();
  auto it = k.roots.find(name);
  if (it != k.roots.end()) {
    delete it->second;
    k.roots.erase(it);
  }
  if (root != nullptr) k.roots[name] = root;
}

void clearAll() {
  Kept& k = kept();
  for (auto& entry : k.roots) delete entry.second;
  k.roots.clear();
  k.reads.clear();
}

int readCount(const std::string& name) {
  auto it = kept().reads.find(name);
  return it == kept().reads.end() ? 0 : it->second;
}

}  // namespace ActorTemplates
