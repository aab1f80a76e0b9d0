// The fragment programs without their shortcuts, to compare and time against.
#pragma once

extern const char plainWavesSource[];
extern const char plainBallsSource[];
extern const char plainFlightSource[];
extern const char plainCanSource[];
