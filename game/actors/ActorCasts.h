#pragma once
// Checked casts for whoever acts on nodes by collision type: a node of
// another class (a plain part of a complex entity) gives null.
#include "game/actors/ISwappableItem.h"
#include "game/actors/QMRBloc.h"
#include "game/actors/QMRSheep.h"

inline QMRSheep* asAnimal(RenderEngine::CNode* node) { return dynamic_cast<QMRSheep*>(node); }
inline QMRBloc* asBloc(RenderEngine::CNode* node) { return dynamic_cast<QMRBloc*>(node); }
inline ISwappableItem* asSwappable(RenderEngine::CNode* node) { return dynamic_cast<ISwappableItem*>(node); }
