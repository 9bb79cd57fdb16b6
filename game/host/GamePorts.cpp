#include "game/host/GamePorts.h"

namespace {
GamePorts g_nullPorts;
GamePorts* g_ports = nullptr;
}  // namespace

GamePorts& gamePorts() { return g_ports != nullptr ? *g_ports : g_nullPorts; }

GamePorts* setGamePorts(GamePorts* ports) {
  GamePorts* previous = g_ports;
  g_ports = ports;
  return previous;
}
