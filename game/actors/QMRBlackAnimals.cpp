#include "game/actors/QMRBlackAnimals.h"

#include <map>

#include "game/actors/ActorTemplates.h"
#include "physics/CScenePhysics.h"

using RenderEngine::CNode;

namespace {

const std::int32_t kBlackSheepPoses[QMRSheep::kStateCount] = {77, 77, 165, 77, 335};

// Each class's record, looked up while it has not been found (per load of
// the list).
struct KeptRecord {
  int generation = -1;
  std::optional<SwapModelRecord> record;
};
KeptRecord& keptRecord(int collisionType) {
  static std::map<int, KeptRecord> kept;
  return kept[collisionType];
}

}  // namespace

template <class Base>
QMRBlackAnimal<Base>::QMRBlackAnimal(int collisionType, const char* sceneName)
    : collisionType_(collisionType), sceneName_(sceneName) {
  record();
}

template <class Base>
QMRBlackAnimal<Base>::QMRBlackAnimal(const QMRBlackAnimal& o)
    : Base(o), ISwappableItem(), collisionType_(o.collisionType_), sceneName_(o.sceneName_), modelIndex_(o.modelIndex_) {
  // The copy's children hold copies of both looks, at the places the
  // source's looks have.
  for (std::size_t i = 0; i < o.children_.size() && i < this->children_.size(); ++i) {
    if (o.children_[i] == o.look0_) look0_ = this->children_[i];
    if (o.children_[i] == o.look1_) look1_ = this->children_[i];
  }
  showModel(modelIndex_);
}

template <class Base>
const SwapModelRecord* QMRBlackAnimal<Base>::record() {
  KeptRecord& k = keptRecord(collisionType_);
  if (k.generation != ISwappableItem::generation() || !k.record) {
    k.generation = ISwappableItem::generation();
    k.record = ISwappableItem::findSwapModels(collisionType_);
  }
  return k.record ? &*k.record : nullptr;
}

template <class Base>
bool QMRBlackAnimal<Base>::canSwap() {
  return record() != nullptr;
}

template <class Base>
void QMRBlackAnimal<Base>::createBody(const RenderEngine::PhysicsBodyDescription& d) {
  RenderEngine::CNodePhysics::createBody(d);
  if (const SwapModelRecord* r = record()) {
    // Chipmunk keeps doubles; the models' masses are floats.
    modelIndex_ = this->getMass() == static_cast<float>(r->model2.mass) ? 1 : 0;
    showModel(modelIndex_);
  }
}

template <class Base>
void QMRBlackAnimal<Base>::buildVisual() {
  CNode* root = ActorTemplates::get(sceneName_);
  CNode* pair = root->getChild(0);
  look0_ = ActorTemplates::copyOf(pair != nullptr ? pair->getChild(0) : nullptr);
  look1_ = ActorTemplates::copyOf(pair != nullptr ? pair->getChild(1) : nullptr);
  this->addChild(look0_);
  this->addChild(look1_);
  showModel(modelIndex_);
}

template <class Base>
void QMRBlackAnimal<Base>::showModel(int index) {
  if (look0_ == nullptr && look1_ == nullptr) return;
  if (index != 0 && index != 1) return;
  if (look0_ != nullptr) look0_->setVisible(false);
  if (look1_ != nullptr) look1_->setVisible(false);
  CNode* look = index == 0 ? look0_ : look1_;
  this->visual_ = look != nullptr ? look->getChild(0) : nullptr;
  if (look != nullptr) look->setVisible(true);
  if (this->visual_ != nullptr) this->visual_->stopAnimationRecursive();
  this->showStatePose();
  if (this->state_ == 2) this->setRotation(0.0f, 0.0f, 0.0f);
}

template <class Base>
void QMRBlackAnimal<Base>::swap() {
  if (!canSwap()) return;
  RenderEngine::CScenePhysics* scene = this->getScene();
  if (scene != nullptr && scene->isLocked()) {
    ++pendingSwaps_;
    return;
  }
  swapNow();
}

template <class Base>
void QMRBlackAnimal<Base>::swapNow() {
  const SwapModelRecord* r = record();
  if (r == nullptr) return;
  modelIndex_ = (modelIndex_ + 1) % 2;
  this->holdGoalZoneAcrossRebuild();
  this->rebuildShapes(modelIndex_ == 0 ? r->model1 : r->model2);
  showModel(modelIndex_);
}

template <class Base>
bool QMRBlackAnimal<Base>::updateVisit(int dtMs, RenderEngine::TraversalMark mark) {
  RenderEngine::CScenePhysics* scene = this->getScene();
  while (pendingSwaps_ > 0 && (scene == nullptr || !scene->isLocked())) {
    --pendingSwaps_;
    swapNow();
  }
  return Base::updateVisit(dtMs, mark);
}

template class QMRBlackAnimal<QMRSheep>;
template class QMRBlackAnimal<QMRWolf>;

QMRBlackSheep::QMRBlackSheep() : QMRBlackAnimal<QMRSheep>(kCollisionType, ActorTemplates::kBlackSheepScene) {
  poses_ = kBlackSheepPoses;
}

CNode* QMRBlackSheep::clone() const { return new QMRBlackSheep(*this); }

QMRBlackWolf::QMRBlackWolf() : QMRBlackAnimal<QMRWolf>(kCollisionType, ActorTemplates::kBlackWolfScene) {}

CNode* QMRBlackWolf::clone() const { return new QMRBlackWolf(*this); }
