#pragma once

// Fires at most one due timeline step: sets the scene and its parameters,
// restarts sceneTime and presents a blank frame (except for SphereScene).
void updateTimeline();

// The same without the blank frame: true when a step fired.
bool advanceTimeline();

// Back to the state playback starts from: no step fired, ScrollerScene, no
// captions, picture 0 with fit 0, the waves program, both clocks at 0.
void rewindTimeline();
