#include "app/Options.h"

void updateDevice(int /*ms*/) {}
