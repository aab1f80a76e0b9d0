// Process entry of the sdl and headless programs.
#include "frame/intro.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    platformCommandLine(argc, argv);
    introMain();
}
