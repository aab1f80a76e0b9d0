#pragma once

// Fires at most one due timeline step: sets the scene and its parameters,
// restarts sceneTime and presents a blank frame (except for SphereScene).
void updateTimeline();
