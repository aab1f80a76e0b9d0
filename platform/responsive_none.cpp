// platformKeepResponsive for the backends whose system runs beside the
// program (win32, sdl, headless): nothing to hand back.
#include "platform/platform.h"

void platformKeepResponsive() {}
