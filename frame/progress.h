#pragma once

void progressTick(); // advances, draws and presents the loader bar
void blankFrame();   // presents one cleared frame
