#include "app/DemoApplication.h"
#include "app/WindowGlue.h"

int main(int argc, char** argv) { window::runProgram(argc, argv, &createApplication); }
