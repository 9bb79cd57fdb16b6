#include "game/host/OverlayHooks.h"

namespace {
OverlayHooks* g_hooks = nullptr;
}

OverlayHooks* setOverlayHooks(OverlayHooks* hooks) {
  OverlayHooks* previous = g_hooks;
  g_hooks = hooks;
  return previous;
}

OverlayHooks* overlayHooks() { return g_hooks; }
