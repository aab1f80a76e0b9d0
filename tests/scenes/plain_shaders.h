// The fragment programs without their shortcuts, to compare and time against
// (the flight program has none).
#pragma once

extern const char plainWavesSource[];
extern const char plainBallsSource[];
extern const char plainCanSource[];
