#pragma once
// The node tree of a scene as text (one line per node, children indented),
// and the tree a scene source describes built straight from the source with
// the engine's own setters, so the two can be compared.
#include <string>

#include "render_engine/CNode.h"
#include "tools/scene_source.h"

namespace SceneTree {

// Kind, tag, transform, colour; sprite texture and offset; text id, font, box,
// flags and colours; animation segments and loop start; options; opaque marks.
std::string printTree(RenderEngine::CNode* root);

// What reading the compiled source should give. The caller owns the tree.
RenderEngine::CNode* buildFromSource(const SceneSource::Scene& scene);

}  // namespace SceneTree
