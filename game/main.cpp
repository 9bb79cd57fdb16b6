#include "app/WindowGlue.h"
#include "game/QMRGame.h"

int main(int argc, char** argv) { window::runProgram(argc, argv, &createApplication); }
