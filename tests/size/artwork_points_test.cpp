// The size build's artwork points, unpacked at start-up, against the drawings'
// own table: every coordinate the same double, bit for bit.
#include <cstdio>
#include <cstring>

extern double ArtworkPoints[][2];
#define ArtworkPoints DrawnPoints
#include "texgen/artwork/artwork_points.cpp"
#undef ArtworkPoints

int main() {
    constexpr int count = sizeof DrawnPoints / sizeof DrawnPoints[0];
    int differ = 0;
    for (int i = 0; i < count; ++i) {
        for (int axis = 0; axis < 2; ++axis) {
            if (std::memcmp(&ArtworkPoints[i][axis], &DrawnPoints[i][axis], sizeof(double)) == 0)
                continue;
            if (differ++ < 5)
                std::printf("point %d axis %d: %.17g, drawn %.17g\n", i, axis,
                            ArtworkPoints[i][axis], DrawnPoints[i][axis]);
        }
    }
    std::printf("%d points, %d coordinates differ\n", count, differ);
    return differ == 0 ? 0 : 1;
}
