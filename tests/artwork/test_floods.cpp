// Every flood seed of the pictures paints the closed region it is meant for:
// no fill runs out over most of its layer, none paints nothing, and the only
// seeds that land in an area an earlier fill already painted are the ones the
// drawings mean to (several seeds for one region).
#include "tests/artwork/flood_replay.h"
#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <utility>

namespace {

constexpr int LayerPixels = 1024 * 1024;
constexpr int SmallestRegion = 40;                 // pixels
constexpr int LargestRegion = LayerPixels * 3 / 5; // beyond this the fill has leaked

const std::vector<FloodReport>& reports() {
    static const std::vector<FloodReport> r = replayFloods();
    return r;
}

// (recipe, index of the fill within the recipe) of seeds that share a region
// with an earlier seed of the same colour.
const std::set<std::pair<int, int>> expectedJoins = {
#include "tests/artwork/expected_joins.inc"
};

} // namespace

TEST(Floods, EveryPictureHasItsFills) {
    int perRecipe[17] = {};
    for (const FloodReport& f : reports())
        ++perRecipe[f.recipe];
    EXPECT_EQ(perRecipe[2], 22);
    EXPECT_EQ(perRecipe[3], 44);
    EXPECT_EQ(perRecipe[4], 3);
    for (int r : {5, 9, 10, 11, 13, 14})
        EXPECT_EQ(perRecipe[r], 1) << "picture " << r;
}

TEST(Floods, NoFillLeaksOrPaintsNothing) {
    int index[17] = {};
    for (const FloodReport& f : reports()) {
        int i = index[f.recipe]++;
        std::printf("picture %2d fill %2d layer %2d at (%.4f, %.4f) colour %08X: %7d pixels%s\n",
                    f.recipe, i, f.layer, f.x, f.y, f.colour, f.changed,
                    f.joined ? " (joins an earlier fill)" : "");
        bool meantToJoin = expectedJoins.count({f.recipe, i}) > 0;
        EXPECT_EQ(f.joined, meantToJoin) << "picture " << f.recipe << " fill " << i;
        if (!f.joined) {
            EXPECT_GE(f.changed, SmallestRegion) << "picture " << f.recipe << " fill " << i;
        }
        EXPECT_LE(f.changed, LargestRegion) << "picture " << f.recipe << " fill " << i;
    }
}
