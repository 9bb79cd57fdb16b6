#include "game/actors/GameplayTestInterface.h"

using RenderEngine::CNode;
using RenderEngine::CNodePhysics;
using RenderEngine::CScenePhysics;

namespace {

struct RulesState {
  CScenePhysics* scene = nullptr;
  LevelSequenceActions* sequence = nullptr;
  std::vector<GameplayTestInterface::TimedBody> live;
  std::vector<GameplayTestInterface::TimedBody> added;
  std::uint64_t stepsSeen = 0;
};

RulesState& state() {
  static RulesState s;
  return s;
}

}  // namespace

GameplayTestInterface::~GameplayTestInterface() {
  // Only the base's (empty) unregistration is reachable here: a derived
  // object takes its handlers off in its own destructor.
  if (state().scene != nullptr) unregisterHandlers();
  state().scene = nullptr;
}

void GameplayTestInterface::clearTimedBodies() { state().live.clear(); }

void GameplayTestInterface::clearAll() {
  state().live.clear();
  state().added.clear();
}

void GameplayTestInterface::setSpace(CScenePhysics* scene) {
  if (state().scene != nullptr) unregisterHandlers();
  state().scene = scene;
  state().stepsSeen = scene != nullptr ? scene->getStepCount() : 0;
  if (scene != nullptr) registerHandlers();
}

void GameplayTestInterface::setLevelSequence(LevelSequenceActions* sequence) { state().sequence = sequence; }

bool GameplayTestInterface::onObjectTapped(CNode*) { return false; }

void GameplayTestInterface::addTimedBody(CNodePhysics* node, std::int32_t lifetimeMs) {
  if (node == nullptr) return;
  state().added.push_back({node, lifetimeMs});
  if (state().scene != nullptr) state().scene->addPhysicsItem(node);
}

void GameplayTestInterface::update(int dtMs) {
  RulesState& s = state();
  // At a low physics rate a frame may take no step; a body's time runs only
  // while the space moves, or a blast could go before it pushed anything.
  bool stepped = true;
  if (s.scene != nullptr) {
    const std::uint64_t steps = s.scene->getStepCount();
    stepped = steps != s.stepsSeen;
    s.stepsSeen = steps;
  }
  if (stepped) {
    std::vector<TimedBody> kept;
    kept.reserve(s.live.size());
    for (TimedBody& entry : s.live) {
      const std::int64_t left = static_cast<std::int64_t>(entry.remainingMs) - dtMs;
      entry.remainingMs = left < 1 ? 0 : static_cast<std::int32_t>(left);
      if (left < 1) {
        if (s.scene != nullptr) s.scene->queueRemoval(entry.node);
      } else {
        kept.push_back(entry);
      }
    }
    s.live.swap(kept);
  }
  s.live.insert(s.live.end(), s.added.begin(), s.added.end());
  s.added.clear();
}

CScenePhysics* GameplayTestInterface::scene() { return state().scene; }
LevelSequenceActions* GameplayTestInterface::sequence() { return state().sequence; }
const std::vector<GameplayTestInterface::TimedBody>& GameplayTestInterface::liveBodies() { return state().live; }
const std::vector<GameplayTestInterface::TimedBody>& GameplayTestInterface::addedBodies() { return state().added; }
