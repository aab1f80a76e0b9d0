// The greetings list: 31 invented group names in the required form and order.
#include "scenes/greetings_names.h"
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <string>

TEST(GreetingsNames, UpperCaseLettersAndHyphensOfTwoToFourteen) {
    for (const char* name : greetingsNames) {
        size_t n = std::strlen(name);
        EXPECT_GE(n, 2u) << name;
        EXPECT_LE(n, 14u) << name;
        for (size_t i = 0; i < n; ++i)
            EXPECT_TRUE((name[i] >= 'A' && name[i] <= 'Z') || name[i] == '-') << name;
        EXPECT_NE(name[0], '-') << name;
        EXPECT_NE(name[n - 1], '-') << name;
    }
}

TEST(GreetingsNames, AllDifferent) {
    std::set<std::string> seen(std::begin(greetingsNames), std::end(greetingsNames));
    EXPECT_EQ(seen.size(), 31u);
}

TEST(GreetingsNames, InitialsRunFromAToVWithOneHBeforeOneG) {
    EXPECT_EQ(greetingsNames[0][0], 'A');
    EXPECT_EQ(greetingsNames[30][0], 'V');
    int inversions = 0;
    for (int i = 1; i < 31; ++i) {
        char a = greetingsNames[i - 1][0], b = greetingsNames[i][0];
        if (b >= a) continue;
        ++inversions;
        EXPECT_EQ(a, 'H') << greetingsNames[i - 1];
        EXPECT_EQ(b, 'G') << greetingsNames[i];
    }
    EXPECT_EQ(inversions, 1);
    int h = 0, g = 0;
    for (const char* name : greetingsNames)
        h += name[0] == 'H', g += name[0] == 'G';
    EXPECT_EQ(h, 1);
    EXPECT_EQ(g, 1);
}
