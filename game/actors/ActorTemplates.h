#pragma once
// The scene files the actors copy their looks from, each read once under
// "models/" and kept for the run. A file that does not read gives an empty
// node (the reader's answer), so every look taken from it is missing and the
// actors run without one.
#include <string>

#include "render_engine/CNode.h"

namespace ActorTemplates {

inline constexpr const char* kSheepScene = "base-mouton.bin";
inline constexpr const char* kWolfScene = "mouton-loup.bin";
inline constexpr const char* kBlackSheepScene = "mouton-noir.bin";
inline constexpr const char* kBlackWolfScene = "loup-noir.bin";
inline constexpr const char* kBlocksScene = "blocs.bin";

// The kept root of the scene, read on first use. Never null.
RenderEngine::CNode* get(const std::string& name);
// A detached copy of node with the clone links cleared afterwards (null for null).
RenderEngine::CNode* copyOf(const RenderEngine::CNode* node);

// For tests: installs a tree in place of the file (owned; nullptr forgets
// the name), frees every kept tree, and counts the reads of a name.
void install(const std::string& name, RenderEngine::CNode* root);
void clearAll();
int readCount(const std::string& name);

}  // namespace ActorTemplates
