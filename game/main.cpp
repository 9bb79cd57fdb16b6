#include "app/WindowGlue.h"
#include "game/GameOverlayPorts.h"
#include "game/QMRGame.h"

int main(int argc, char** argv) {
  installOverlayPorts();
  window::runProgram(argc, argv, &createApplication);
}
