#include "app/WindowGlue.h"
#include "game/app/GameOverlayPorts.h"
#include "game/app/QMRGame.h"

int main(int argc, char** argv) {
  installOverlayPorts();
  window::runProgram(argc, argv, &createApplication);
}
