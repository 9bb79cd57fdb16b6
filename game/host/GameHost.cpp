#include "game/host/GameHost.h"

namespace {
GameHost g_quietHost;
GameHost* g_host = nullptr;
}  // namespace

GameHost& gameHost() { return g_host != nullptr ? *g_host : g_quietHost; }

GameHost* setGameHost(GameHost* host) {
  GameHost* previous = g_host;
  g_host = host;
  return previous;
}
