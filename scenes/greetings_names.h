// The group names rolled by the greetings scene.
#pragma once

extern const char* const greetingsNames[31];
