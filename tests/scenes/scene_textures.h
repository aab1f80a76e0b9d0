// Builds and uploads every texture the way start-up does (same order, so the
// random patterns match), filling intro.textures.
#pragma once

void uploadIntroTextures();
