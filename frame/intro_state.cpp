#include "frame/intro_state.h"

IntroState intro;
