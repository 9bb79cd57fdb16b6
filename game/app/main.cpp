#include "app/WindowGlue.h"
#include "game/app/QMRGame.h"

int main(int argc, char** argv) { window::runProgram(argc, argv, &createApplication); }
