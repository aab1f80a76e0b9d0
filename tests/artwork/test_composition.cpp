// What the drawings must read as: the story pictures fit a 16:9 screen, the
// dragon is one shape, the thought bubble's trail leads from the child's head
// to the cloud, the father's book is open, the girl's face is clear, the
// visitors stand apart raising their beers, nobody stands on the table, the
// beers have foam on them, the reclining figure lies down, the held circle is
// round and held by its edge, the passers-by stand apart with their bags in
// hand, the speech tail of the loader picture points at the mouth of the boy
// standing whole on the floor beside his laptop, and the portrait's ears
// match, its mouth is open and its arms show.
#include "texgen/artwork.h"
#include "texgen/ops.h"
#include "texgen/texgen.h"
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int Size = 1024;

uint32_t alphaOf(uint32_t p) {
    return p >> 24;
}

bool isRed(uint32_t p) {
    return (p & 0xFF) >= 200 && ((p >> 8) & 0xFF) <= 60 && ((p >> 16) & 0xFF) <= 60;
}

bool isYellow(uint32_t p) {
    return (p & 0xFF) >= 200 && ((p >> 8) & 0xFF) >= 200 && ((p >> 16) & 0xFF) <= 80;
}

std::vector<uint32_t> picture(int id) {
    const uint32_t* p = buildTexture(id);
    return std::vector<uint32_t>(p, p + Size * Size);
}

// Pixel of a flood seed (unit coordinates, rounded as the fill rounds them).
int seedIndex(double x, double y) {
    return int(std::nearbyint(1023 * y)) * Size + int(std::nearbyint(1023 * x));
}

// 4-connected regions of the pixels a predicate selects.
struct Region {
    int size = 0;
    int minX = Size, maxX = -1, minY = Size, maxY = -1;
    double sumX = 0, sumY = 0;
    double centreX() const { return sumX / size; }
    double centreY() const { return sumY / size; }
};

struct Regions {
    std::vector<int> label; // per pixel, -1 where the predicate fails
    std::vector<Region> list;
};

template <class Inside> Regions regionsOf(Inside inside) {
    Regions r;
    r.label.assign(Size * Size, -1);
    std::vector<int> stack;
    for (int start = 0; start < Size * Size; ++start) {
        if (r.label[start] >= 0 || !inside(start)) continue;
        int id = int(r.list.size());
        r.list.emplace_back();
        Region& g = r.list.back();
        r.label[start] = id;
        stack.assign(1, start);
        while (!stack.empty()) {
            int i = stack.back(), x = i % Size, y = i / Size;
            stack.pop_back();
            ++g.size, g.sumX += x, g.sumY += y;
            g.minX = std::min(g.minX, x), g.maxX = std::max(g.maxX, x);
            g.minY = std::min(g.minY, y), g.maxY = std::max(g.maxY, y);
            const int next[4] = {x > 0 ? i - 1 : -1, x < Size - 1 ? i + 1 : -1,
                                 y > 0 ? i - Size : -1, y < Size - 1 ? i + Size : -1};
            for (int n : next)
                if (n >= 0 && r.label[n] < 0 && inside(n)) r.label[n] = id, stack.push_back(n);
        }
    }
    return r;
}

// The first drawing step of a recipe with the given radius; its first point
// goes to first.
const ArtworkStep& stepOf(int recipe, double radius, const double*& first) {
    int point = artworkRecipeStart(recipe);
    for (const ArtworkStep& s : ArtworkSteps) {
        if (s.recipe > recipe) break;
        if (s.recipe == recipe && s.radius == radius) {
            first = ArtworkPoints[point];
            return s;
        }
        if (s.recipe == recipe) point += s.count;
    }
    ADD_FAILURE() << "recipe " << recipe << " has no step of radius " << radius;
    first = ArtworkPoints[0];
    return ArtworkSteps[0];
}

// First point of the first drawing step of a recipe with the given radius.
const double* stepPoint(int recipe, double radius) {
    const double* first;
    stepOf(recipe, radius, first);
    return first;
}

// The sharpest turn (radians) along count points of the stream from first.
double sharpestTurn(const double* first, int count) {
    double sharpest = 0;
    for (int j = 1; j + 1 < count; ++j) {
        const double *a = first + 2 * (j - 1), *b = first + 2 * j, *c = first + 2 * (j + 1);
        sharpest =
            std::max(sharpest, std::abs(std::remainder(std::atan2(c[1] - b[1], c[0] - b[0]) -
                                                           std::atan2(b[1] - a[1], b[0] - a[0]),
                                                       2 * M_PI)));
    }
    return sharpest;
}

// Opaque pixels of layer a with an opaque pixel of layer b at most gap pixels
// above, below, left or right of them.
int pixelsNear(int a, int b, int gap) {
    int n = 0;
    for (int y = gap; y < Size - gap; ++y)
        for (int x = gap; x < Size - gap; ++x) {
            if (alphaOf(layerPixels(a)[y * Size + x]) == 0) continue;
            for (int d = -gap; d <= gap; ++d)
                n += alphaOf(layerPixels(b)[(y + d) * Size + x]) != 0 ||
                     alphaOf(layerPixels(b)[y * Size + x + d]) != 0;
        }
    return n;
}

} // namespace

// The story pictures are shown across the full width of the screen, so a
// 16:9 screen shows their rows 0-575 only. Picture 2, the portrait shown the
// same way, is left out: the figure's body runs off the bottom as it should.
TEST(WideScreen, StoryPicturesEndAboveRow576) {
    for (int id = 5; id <= 16; ++id) {
        const uint32_t* p = buildTexture(id);
        int lowest = -1;
        for (int i = 0; i < Size * Size; ++i)
            if (alphaOf(p[i]) != 0) lowest = i / Size;
        EXPECT_LT(lowest, 576) << "picture " << id;
    }
}

TEST(Dragon, HeadManeAndBodyAreOneShape) {
    std::vector<uint32_t> p = picture(4);
    // Opaque pixels inside the ring, the ring itself left out.
    Regions r = regionsOf([&](int i) {
        double dx = i % Size - 511.5, dy = i / Size - 511.5;
        return alphaOf(p[i]) == 255 && dx * dx + dy * dy < 495.0 * 495.0;
    });
    int body = r.label[seedIndex(0.277344, 0.510742)];
    ASSERT_GE(body, 0);
    EXPECT_EQ(r.label[seedIndex(0.331055, 0.092773)], body) << "the mane floats apart";
    EXPECT_EQ(r.label[seedIndex(0.446289, 0.06543)], body) << "the head floats apart";
    EXPECT_GT(r.list[body].size, 100000);
    // Nothing else of any size: the rest are whiskers, the pearl and its flame.
    for (size_t k = 0; k < r.list.size(); ++k) {
        if (int(k) != body) {
            EXPECT_LT(r.list[k].size, 2500) << "a second large shape";
        }
    }
}

TEST(ThoughtBubble, TrailLeadsFromTheChildsHeadToTheCloud) {
    std::vector<uint32_t> p = picture(5);
    Regions r = regionsOf([&](int i) { return alphaOf(p[i]) != 0; });
    const double* head = stepPoint(5, 0.038167);
    const double headRadius = 0.038167 * Size;
    int child = r.label[int(head[1] * Size) * Size + int(head[0] * Size)];
    int cloud = r.label[seedIndex(0.554688, 0.085938)];
    ASSERT_GE(child, 0);
    ASSERT_GE(cloud, 0);
    ASSERT_NE(child, cloud) << "the cloud touches the child";
    const double headTop = head[1] * Size - headRadius;
    // The bubbles lie between the cloud's bottom and the head's top.
    std::vector<Region> trail;
    for (const Region& g : r.list) {
        EXPECT_GE(g.size, 150) << "a stray speck at " << g.minX << "," << g.minY;
        if (g.minY > r.list[cloud].maxY && g.maxY < headTop) trail.push_back(g);
    }
    ASSERT_GE(trail.size(), 2u);
    std::sort(trail.begin(), trail.end(),
              [](const Region& a, const Region& b) { return a.centreY() > b.centreY(); });
    for (size_t k = 1; k < trail.size(); ++k)
        EXPECT_GT(trail[k].size, trail[k - 1].size) << "bubbles grow towards the cloud";
    for (const Region& g : trail) {
        EXPECT_GT(g.centreX(), std::min(head[0] * Size, r.list[cloud].centreX()) - headRadius);
        EXPECT_LT(g.centreX(), std::max(head[0] * Size, r.list[cloud].centreX()) + headRadius);
    }
}

// The father holds out an open book: its two pages are the only large dark
// areas the drawing encloses, side by side, each taller than wide.
TEST(OpenBook, TwoPagesSideBySide) {
    std::vector<uint32_t> p = picture(5);
    Regions dark = regionsOf([&](int i) { return alphaOf(p[i]) == 0; });
    std::vector<Region> pages;
    for (const Region& g : dark.list)
        if (g.minX > 0 && g.minY > 0 && g.maxX < Size - 1 && g.maxY < Size - 1 && g.size > 1500)
            pages.push_back(g);
    ASSERT_EQ(pages.size(), 2u);
    std::sort(pages.begin(), pages.end(),
              [](const Region& a, const Region& b) { return a.minX < b.minX; });
    for (const Region& g : pages)
        EXPECT_GT(g.maxY - g.minY, g.maxX - g.minX);
    EXPECT_NEAR(pages[0].centreY(), pages[1].centreY(), 10);
    EXPECT_LT(pages[1].minX - pages[0].maxX, 60) << "the spine between them";
    EXPECT_NEAR(pages[0].size, pages[1].size, pages[0].size / 5);
}

// The open book's pages rise from the spine like wings: each page's lower
// edge climbs towards its outer side. The father's hand holds the book from
// below, so no arm runs into the near page's outer side: beside it, a dark
// gap parts the book's edge from the father in every row.
TEST(OpenBook, PagesRiseFromTheSpineAndTheArmHoldsItFromBelow) {
    std::vector<uint32_t> p = picture(5);
    Regions dark = regionsOf([&](int i) { return alphaOf(p[i]) == 0; });
    std::vector<int> pages;
    for (size_t k = 0; k < dark.list.size(); ++k) {
        const Region& g = dark.list[k];
        if (g.minX > 0 && g.minY > 0 && g.maxX < Size - 1 && g.maxY < Size - 1 && g.size > 1500)
            pages.push_back(int(k));
    }
    ASSERT_EQ(pages.size(), 2u);
    if (dark.list[pages[0]].minX > dark.list[pages[1]].minX) std::swap(pages[0], pages[1]);
    auto bottomAt = [&](int page, int x) {
        int bottom = -1;
        for (int y = 0; y < Size; ++y)
            if (dark.label[y * Size + x] == page) bottom = y;
        return bottom;
    };
    const Region &nearPage = dark.list[pages[0]], &farPage = dark.list[pages[1]];
    EXPECT_GT(bottomAt(pages[0], nearPage.maxX - 3) - bottomAt(pages[0], nearPage.minX + 3), 20)
        << "the near page's lower edge is flat";
    EXPECT_GT(bottomAt(pages[1], farPage.minX + 3) - bottomAt(pages[1], farPage.maxX - 3), 20)
        << "the far page's lower edge is flat";
    // Rows where the near page reaches its outer side: going left from it,
    // the book's edge (one stroke) ends in the dark.
    int rows = 0, joined = 0;
    for (int y = nearPage.minY; y <= nearPage.maxY; ++y) {
        int x = nearPage.minX;
        while (x <= nearPage.minX + 3 && dark.label[y * Size + x] != pages[0])
            ++x;
        if (x > nearPage.minX + 3) continue;
        ++rows;
        int edge = 0;
        while (x - edge - 1 >= 0 && alphaOf(p[y * Size + x - edge - 1]) != 0)
            ++edge;
        joined += edge >= 60;
    }
    EXPECT_GT(rows, 40);
    EXPECT_EQ(joined, 0) << "rows where an arm joins the book's near side";
}

// The book (light grey) is held out clear of the father's head and neck
// (white): a wide dark gap parts them. His line starts at the holding hand,
// which ends on the book's stroke rather than sticking out below it.
TEST(OpenBook, HeldClearOfTheHeadByAHandOnTheBook) {
    std::vector<uint32_t> p = picture(5);
    auto rgb = [&](int x, int y) { return p[y * Size + x] & 0xFFFFFF; };
    const double* head = stepPoint(5, 0.057525);
    const double headRadius = 0.057525 * Size;
    const int headRight = int(head[0] * Size + headRadius);
    // Head and neck: the father's white above his shoulders, a neck's
    // length below the head.
    const int neckEnd =
        int(std::max({head[1], head[3], head[5]}) * Size + headRadius + 0.04 * Size);
    std::vector<int> father, book;
    for (int y = 0; y < 576; ++y)
        for (int x = 0; x < Size / 2; ++x) {
            if (rgb(x, y) == 0xFFFFFF && x <= headRight && y <= neckEnd)
                father.push_back(y * Size + x);
            if (rgb(x, y) == 0xF0F0F0) book.push_back(y * Size + x);
        }
    ASSERT_FALSE(father.empty());
    ASSERT_GT(book.size(), 5000u);
    int gap = Size;
    for (int f : father)
        for (int b : book) {
            const int dx = f % Size - b % Size, dy = f / Size - b / Size;
            if (std::abs(dx) < gap && std::abs(dy) < gap)
                gap = std::min(gap, int(std::sqrt(double(dx * dx + dy * dy))));
        }
    EXPECT_GE(gap, 30) << "the book crowds the father's head or neck";
    const double* hand = stepPoint(5, 0.02);
    EXPECT_EQ(rgb(int(hand[0] * Size), int(hand[1] * Size)), 0xF0F0F0u)
        << "the hand ends off the book";
}

// The girl is drawn at twice her size, halved and shifted right; her head is
// the recipe's one white stroke of radius 0.042813, her skirt its first red one.
TEST(Girl, FaceIsClearAndSkirtIsSolid) {
    const double shiftX = int(1023 * 0.419922), shiftY = int(1023 * 0.201172);
    for (int id : {9, 10}) {
        std::vector<uint32_t> p = picture(id);
        const double* head = stepPoint(id, 0.042813);
        // The face: the lower part of the head (a bow may sit on the crown).
        double hx = head[0] * Size / 2 + shiftX, hy = head[1] * Size / 2 + shiftY + 4;
        int redOnFace = 0;
        for (int y = int(hy) - 14; y <= int(hy) + 14; ++y)
            for (int x = int(hx) - 14; x <= int(hx) + 14; ++x)
                redOnFace +=
                    (x - hx) * (x - hx) + (y - hy) * (y - hy) < 196 && isRed(p[y * Size + x]);
        EXPECT_EQ(redOnFace, 0) << "picture " << id;
        // The skirt: the centre of the red stroke that follows the white ones.
        int point = artworkRecipeStart(id), k = 0;
        while (!(ArtworkSteps[k].recipe == id && ArtworkSteps[k].count == 7 &&
                 ArtworkSteps[k].radius == 0.02))
            point += ArtworkSteps[k].recipe == id ? ArtworkSteps[k].count : 0, ++k;
        double sx = 0, sy = 0;
        for (int j = 0; j < 7; ++j)
            sx += ArtworkPoints[point + j][0] / 7, sy += ArtworkPoints[point + j][1] / 7;
        sx = sx * Size / 2 + shiftX, sy = sy * Size / 2 + shiftY;
        int holes = 0;
        for (int y = int(sy) - 7; y <= int(sy) + 7; ++y)
            for (int x = int(sx) - 12; x <= int(sx) + 12; ++x)
                holes += !isRed(p[y * Size + x]);
        EXPECT_EQ(holes, 0) << "picture " << id;
    }
}

// The speech balloon of pictures 9 and 10 (layer 2, its tail included) keeps
// a gap of some pixels to the boy (layer 0) and the girl and her bow (layer 1).
TEST(SpeechTails, StopShortOfTheFigures) {
    constexpr int gap = 6;
    for (int id : {9, 10}) {
        ASSERT_NE(buildTexture(id), nullptr);
        const uint32_t* balloon = layerPixels(2);
        int touching = 0;
        for (int y = gap; y < Size - gap; ++y)
            for (int x = gap; x < Size - gap; ++x) {
                if (alphaOf(balloon[y * Size + x]) == 0) continue;
                bool near = false;
                for (int dy = -gap; dy <= gap && !near; ++dy)
                    for (int dx = -gap; dx <= gap && !near; ++dx) {
                        int j = (y + dy) * Size + x + dx;
                        near = alphaOf(layerPixels(0)[j]) != 0 || alphaOf(layerPixels(1)[j]) != 0;
                    }
                touching += near;
            }
        EXPECT_EQ(touching, 0) << "picture " << id;
    }
}

// Picture 8: the balloon's tail (layer 6, right of the balloon's round end)
// is a wedge, wide at the balloon and narrowing column by column to its
// point, which lies near the head of the woman at the back (layer 5) and
// far from everyone else (the hero, layer 0; the other women, 1, 3 and 4).
TEST(SpeechTails, AWedgePointsAtTheWomanAtTheBack) {
    ASSERT_NE(buildTexture(8), nullptr);
    const uint32_t* balloon = layerPixels(6);
    const double* body = stepPoint(8, 0.086175);
    int end = 0;
    for (int k = 0; k < 5; ++k)
        end = std::max(end, int((body[2 * k] + 0.086175) * Size) + 2);
    std::vector<int> height(Size, 0), middle(Size, 0);
    int tip = end;
    for (int x = end; x < Size; ++x) {
        for (int y = 0; y < Size; ++y)
            if (alphaOf(balloon[y * Size + x]) != 0) ++height[x], middle[x] += y;
        if (height[x] > 0) tip = x, middle[x] /= height[x];
    }
    EXPECT_GE(height[end], 40) << "no wedge";
    int widening = 0;
    for (int x = end + 1; x <= tip; ++x)
        widening += height[x] > height[x - 1] + 1;
    EXPECT_EQ(widening, 0);
    auto near = [&](int layer, int reach) {
        for (int y = std::max(middle[tip] - reach, 0); y < std::min(middle[tip] + reach, Size); ++y)
            for (int x = tip - reach; x < std::min(tip + reach, Size); ++x)
                if (alphaOf(layerPixels(layer)[y * Size + x]) != 0) return true;
        return false;
    };
    EXPECT_TRUE(near(5, 30)) << "not at the speaker";
    for (int other : {0, 1, 3, 4})
        EXPECT_FALSE(near(other, 60)) << "near layer " << other;
}

// Pictures 8, 9, 10 and 13: the part of each balloon's layer outside the
// balloon's body (the stroke of the given radius) is its tail, drawn by the
// step after the body. The tail is a wedge: wide where it leaves the balloon
// (a rod as wide as its stroke reads as a pan's handle), narrowing slice by
// slice along the line from its base to its point, which lies short of the
// speaker's head (a point that reaches the face stabs it) and aims at it.
// The speaker's head is the stroke of the given radius, scaled and shifted as
// its layer is.
TEST(SpeechTails, EachNarrowsFromTheBalloonToAPointShortOfTheSpeaker) {
    struct Tail {
        int id, layer;
        double body, head, scale, shiftX, shiftY;
    };
    const Tail tails[] = {
        {8, 6, 0.086175, 0.04049, 0.5, 0.46875 - 0.115234, 0.226563 - 0.179688}, // woman at back
        {9, 2, 0.087724, 0.053654, 0.5, 0.076172, 0.203125},                     // the boy
        {10, 2, 0.067591, 0.042813, 0.5, 0.419922, 0.201172},                    // the girl
        {13, 8, 0.062946, 0.023455, 1, 0, 0},                                    // the boy
    };
    for (const Tail& t : tails) {
        SCOPED_TRACE("picture " + std::to_string(t.id));
        ASSERT_NE(buildTexture(t.id), nullptr);
        const uint32_t* layer = layerPixels(t.layer);
        // The body's and the head's points and the tail's radius (the step
        // after the body's).
        const double *body, *head;
        const ArtworkStep& bodyStep = stepOf(t.id, t.body, body);
        const int bodyCount = bodyStep.count, headCount = stepOf(t.id, t.head, head).count;
        const double tailRadius = (&bodyStep)[1].radius;
        auto toBody = [&](double x, double y) {
            double best = 1e9;
            for (int k = 0; k + 1 < bodyCount; ++k) {
                double ax = body[2 * k] * Size, ay = body[2 * k + 1] * Size;
                double bx = body[2 * k + 2] * Size - ax;
                double by = body[2 * k + 3] * Size - ay;
                double u = std::clamp(((x - ax) * bx + (y - ay) * by) / (bx * bx + by * by + 1e-9),
                                      0.0, 1.0);
                best = std::min(best, std::hypot(x - ax - u * bx, y - ay - u * by));
            }
            return best - t.body * Size;
        };
        const int shiftX = int(1023 * t.shiftX), shiftY = int(1023 * t.shiftY);
        double headX = 0, headY = 0;
        for (int k = 0; k < headCount; ++k)
            headX += head[2 * k] * Size * t.scale / headCount,
                headY += head[2 * k + 1] * Size * t.scale / headCount;
        headX += shiftX, headY += shiftY;
        const double headRadius = t.head * Size * t.scale;
        // The tail: the largest shape of the layer outside the body.
        Regions outside = regionsOf(
            [&](int i) { return alphaOf(layer[i]) != 0 && toBody(i % Size, i / Size) > 2; });
        int tail = -1;
        for (int k = 0; k < int(outside.list.size()); ++k)
            if (tail < 0 || outside.list[k].size > outside.list[tail].size) tail = k;
        ASSERT_GE(tail, 0) << "no tail";
        // Its base along the body, its point the pixel nearest the head.
        double baseX = 0, baseY = 0, tipX = 0, tipY = 0, tipToHead = 1e9;
        int baseCount = 0;
        for (int i = 0; i < Size * Size; ++i) {
            if (outside.label[i] != tail) continue;
            const int x = i % Size, y = i / Size;
            if (toBody(x, y) < 5) baseX += x, baseY += y, ++baseCount;
            const double d = std::hypot(x - headX, y - headY);
            if (d < tipToHead) tipToHead = d, tipX = x, tipY = y;
        }
        ASSERT_GT(baseCount, 0);
        baseX /= baseCount, baseY /= baseCount;
        const double length = std::hypot(tipX - baseX, tipY - baseY);
        const double ux = (tipX - baseX) / length, uy = (tipY - baseY) / length;
        // Its width across the line from base to point, in six slices.
        constexpr int slices = 6;
        double lo[slices], hi[slices];
        std::fill(lo, lo + slices, 1e9), std::fill(hi, hi + slices, -1e9);
        for (int i = 0; i < Size * Size; ++i) {
            if (outside.label[i] != tail) continue;
            const double dx = i % Size - baseX, dy = i / Size - baseY;
            const int s = int((dx * ux + dy * uy) / length * slices);
            if (s < 0 || s >= slices) continue;
            lo[s] = std::min(lo[s], dx * uy - dy * ux), hi[s] = std::max(hi[s], dx * uy - dy * ux);
        }
        const double stroke = 2 * tailRadius * Size;
        const double base = hi[0] - lo[0];
        EXPECT_GE(base, 1.5 * stroke) << "no wider than its stroke at the balloon";
        for (int s = 1; s < slices; ++s)
            EXPECT_LE(hi[s] - lo[s], hi[s - 1] - lo[s - 1] + 2) << "widens in slice " << s;
        EXPECT_LE(hi[slices - 1] - lo[slices - 1], 0.6 * base) << "no point";
        // The point: short of the head, by a clear gap that is not a leap.
        double gap = 1e9;
        for (int k = 0; k < headCount; ++k)
            gap = std::min(gap, std::hypot(tipX - head[2 * k] * Size * t.scale - shiftX,
                                           tipY - head[2 * k + 1] * Size * t.scale - shiftY) -
                                    headRadius);
        EXPECT_GE(gap, 14) << "the point reaches the head";
        EXPECT_LE(gap, 40) << "the point is far from the head";
        // Aimed at the head: the line from base to point passes through it.
        EXPECT_LE(std::abs((headX - baseX) * uy - (headY - baseY) * ux), headRadius)
            << "aimed beside the head";
    }
}

namespace {

bool isWhite(uint32_t p) {
    return alphaOf(p) == 255 && (p & 0xFF) >= 200 && ((p >> 8) & 0xFF) >= 200 &&
           ((p >> 16) & 0xFF) >= 200;
}

} // namespace

// Picture 16: fourteen visitors seen from the back, each a white head and
// shoulders raising a beer: a solid yellow glass, taller than wide, with its
// white foam on top, his hand under it, and the glass held up beside his head,
// not centred over it (a yellow shape over the head reads as a halo or a box
// worn on it). The head sits over the middle of the waist, the visitor's
// lowest row. Visitors or glasses that overlapped would merge into fewer
// shapes; none reaches the picture's side edges.
TEST(Visitors, RaiseTheirBeersBesideTheirHeadsInsideThePicture) {
    std::vector<uint32_t> p = picture(16);
    Regions yellow = regionsOf([&](int i) { return isYellow(p[i]); });
    Regions white = regionsOf([&](int i) { return isWhite(p[i]); });
    std::vector<Region> glasses;
    for (const Region& g : yellow.list)
        if (g.size > 300) glasses.push_back(g);
    int visitors = 0;
    for (const Region& g : white.list)
        visitors += g.size > 1500 && g.size < 10000; // not the big screen, not the foam
    ASSERT_EQ(glasses.size(), 14u);
    ASSERT_EQ(visitors, 14);
    std::vector<int> glassesOf(white.list.size(), 0);
    for (const Region& g : glasses) {
        SCOPED_TRACE("glass at " + std::to_string(g.minX) + "," + std::to_string(g.minY));
        const int midX = (g.minX + g.maxX) / 2, midY = (g.minY + g.maxY) / 2;
        EXPECT_GT(g.maxY - g.minY, g.maxX - g.minX);
        EXPECT_TRUE(isYellow(p[midY * Size + midX])) << "not solid";
        EXPECT_GE(g.minX, 4);
        EXPECT_LE(g.maxX, Size - 5);
        // The foam: white just above the rim's middle, a shape of its own.
        int foam = white.label[(g.minY - 2) * Size + midX];
        ASSERT_GE(foam, 0) << "no foam on the glass";
        EXPECT_LT(white.list[foam].size, 1500) << "the foam joins a visitor";
        // The hand: white of a visitor just under the glass's bottom.
        int holder = -1;
        for (int x = g.minX; x <= g.maxX && holder < 0; ++x) {
            int l = white.label[(g.maxY + 2) * Size + x];
            if (l >= 0 && white.list[l].size > 1500) holder = l;
        }
        ASSERT_GE(holder, 0) << "nobody holds the glass";
        ++glassesOf[holder];
        const Region& v = white.list[holder];
        EXPECT_GE(v.minX, 4);
        EXPECT_LE(v.maxX, Size - 5);
        int waistFirst = Size, waistLast = -1;
        for (int x = v.minX; x <= v.maxX; ++x)
            if (white.label[v.maxY * Size + x] == holder)
                waistFirst = std::min(waistFirst, x), waistLast = x;
        EXPECT_GT(std::abs((g.minX + g.maxX) - (waistFirst + waistLast)) / 2, 18)
            << "the glass is over the head";
        EXPECT_LT(g.maxY, v.maxY - 60) << "the glass is not raised";
    }
    for (int n : glassesOf)
        EXPECT_LE(n, 1) << "a visitor holds two glasses";
}

// Picture 11: the mathematicians below the board ponder it, each with a hand
// at his chin. The head's axis is the middle of its white 20 rows under its
// top. The figure's white stands out at least 40 pixels to one side of the
// axis (the bent arm's elbow), and from there the white at least 12 pixels
// off the axis (clear of the neck, the body and the shoulders) leads without
// a break up the forearm to the hand against the jaw and on into the head's
// cheek. An arm waved at the side, hand in the air, stays apart from the head.
TEST(Mathematicians, EachHoldsHisChinWithTheElbowOut) {
    std::vector<uint32_t> p = picture(11);
    Regions white = regionsOf([&](int i) { return isWhite(p[i]); });
    int figures = 0;
    for (int id = 0; id < int(white.list.size()); ++id) {
        const Region& g = white.list[id];
        if (g.size < 1000 || g.maxY < 380) continue; // the board, the formulas
        ++figures;
        SCOPED_TRACE("figure at " + std::to_string(g.minX) + "," + std::to_string(g.minY));
        auto in = [&](int x, int y) { return white.label[y * Size + x] == id; };
        const int row = g.minY + 20;
        int first = g.minX;
        while (first < g.maxX && !in(first, row))
            ++first;
        int last = first;
        while (last < g.maxX && in(last + 1, row))
            ++last;
        const int axis = (first + last) / 2;
        int elbow = -1, out = 0, side = 1;
        for (int y = g.minY; y <= g.maxY; ++y)
            for (int x = g.minX; x <= g.maxX; ++x)
                if (in(x, y) && std::abs(x - axis) > out)
                    out = std::abs(x - axis), elbow = y * Size + x, side = x < axis ? -1 : 1;
        ASSERT_GE(out, 40) << "no elbow out to the side";
        const int cheek = row * Size + axis + side * 15;
        ASSERT_TRUE(in(cheek % Size, row));
        // The figure's white kept 12 pixels off the centre line: the arm.
        Regions arm = regionsOf(
            [&](int i) { return in(i % Size, i / Size) && side * (i % Size - axis) >= 12; });
        EXPECT_EQ(arm.label[elbow], arm.label[cheek])
            << "the arm does not lead from the elbow to the jaw";
    }
    EXPECT_EQ(figures, 5);
}

// Pictures 13 and 14: nobody stands on the table. The standing regular
// (layer 2), the boy (layer 3) and the regular's copy 200 pixels higher
// (layer 4), who stands behind the table: under the lowest row of each, the
// table's white top (layer 1, inside its dark edge) is not there for some rows.
TEST(Regulars, NobodyStandsOnTheTable) {
    for (int id : {13, 14})
        for (int layer : {2, 3, 4}) {
            ASSERT_NE(buildTexture(id), nullptr);
            const uint32_t* figure = layerPixels(layer);
            const uint32_t* table = layerPixels(1);
            int lowest = -1;
            for (int i = 0; i < Size * Size; ++i)
                if (alphaOf(figure[i]) != 0) lowest = i / Size;
            ASSERT_GE(lowest, 0);
            int feet = 0, onTable = 0;
            for (int x = 0; x < Size; ++x) {
                if (alphaOf(figure[lowest * Size + x]) == 0) continue;
                ++feet;
                for (int y = lowest; y <= std::min(lowest + 4, Size - 1); ++y)
                    onTable += isWhite(table[y * Size + x]);
            }
            EXPECT_GT(feet, 0) << "picture " << id << " layer " << layer;
            EXPECT_EQ(onTable, 0) << "picture " << id << " layer " << layer;
        }
}

// Pictures 13 and 14: the regular's copy further back (layer 4) stands on the
// floor beside the table's far corner: his feet are level with its back edge
// (layer 1's top row) and the table's back part (its 40 rows from that edge)
// lies wholly to one side of them.
TEST(Regulars, RaisedRegularStandsBesideTheTable) {
    for (int id : {13, 14}) {
        ASSERT_NE(buildTexture(id), nullptr);
        const uint32_t* figure = layerPixels(4);
        const uint32_t* table = layerPixels(1);
        int lowest = -1, backEdge = -1;
        for (int i = 0; i < Size * Size; ++i) {
            if (alphaOf(figure[i]) != 0) lowest = i / Size;
            if (backEdge < 0 && alphaOf(table[i]) != 0) backEdge = i / Size;
        }
        ASSERT_GE(lowest, 0);
        ASSERT_GE(backEdge, 0);
        EXPECT_LE(std::abs(lowest - backEdge), 12) << "picture " << id;
        int feet = 0, tableUnder = 0;
        for (int x = 0; x < Size; ++x) {
            if (alphaOf(figure[lowest * Size + x]) == 0) continue;
            ++feet;
            for (int y = backEdge; y < backEdge + 40; ++y)
                tableUnder += alphaOf(table[y * Size + x]) != 0;
        }
        EXPECT_GT(feet, 0) << "picture " << id;
        EXPECT_EQ(tableUnder, 0) << "picture " << id;
    }
}

// Pictures 13 and 14: the boy (layer 3) has no backpack outline like a second
// bent arm: in the rows from his shoulder to his hand, what of him lies left
// of his body line is one run of pixels, his arm.
TEST(Regulars, TheBoyShowsOneArmLeftOfHisBody) {
    for (int id : {13, 14}) {
        ASSERT_NE(buildTexture(id), nullptr);
        const uint32_t* boy = layerPixels(3);
        const double* head = stepPoint(id, 0.023455) + 2;
        const int spine = int(head[0] * Size), hy = int(head[1] * Size);
        for (int y = hy + 50; y <= hy + 150; ++y) {
            int runs = 0;
            for (int x = 1; x < spine - 6; ++x)
                runs += alphaOf(boy[y * Size + x]) != 0 && alphaOf(boy[y * Size + x - 1]) == 0;
            EXPECT_LE(runs, 1) << "picture " << id << " row " << y;
        }
    }
}

// Pictures 13 and 14: each beer is poured into a glass: yellow, taller than
// wide, under a white head of foam as wide as its rim, with white walls at
// both sides halfway up and a thick flat base under it.
TEST(Regulars, BeersAreFoamingGlasses) {
    for (int id : {13, 14}) {
        std::vector<uint32_t> p = picture(id);
        Regions yellow = regionsOf([&](int i) { return isYellow(p[i]); });
        int glasses = 0;
        for (const Region& g : yellow.list) {
            if (g.size < 300) continue;
            ++glasses;
            SCOPED_TRACE("picture " + std::to_string(id) + ", glass at " + std::to_string(g.minX) +
                         "," + std::to_string(g.minY));
            EXPECT_GT(g.maxY - g.minY, g.maxX - g.minX);
            auto whiteIn = [&](int y0, int y1, int x0, int x1) {
                int white = 0, area = 0;
                for (int y = y0; y <= y1; ++y)
                    for (int x = x0; x <= x1; ++x)
                        ++area, white += isWhite(p[y * Size + x]);
                return double(white) / area;
            };
            EXPECT_GT(whiteIn(g.minY - 10, g.minY - 1, g.minX, g.maxX), 0.95) << "no foam";
            const int w = g.maxX - g.minX;
            EXPECT_EQ(whiteIn(g.maxY + 1, g.maxY + 3, g.minX + w / 4, g.maxX - w / 4), 1.0)
                << "no base";
            int mid = (g.minY + g.maxY) / 2, left = Size, right = -1;
            for (int x = g.minX; x <= g.maxX; ++x)
                if (isYellow(p[mid * Size + x])) left = std::min(left, x), right = x;
            EXPECT_EQ(whiteIn(mid, mid, left - 2, left - 1), 1.0) << "no left wall";
            EXPECT_EQ(whiteIn(mid, mid, right + 1, right + 2), 1.0) << "no right wall";
        }
        EXPECT_EQ(glasses, 3) << "picture " << id;
    }
}

namespace {

// Picture 3's crimson fill mask (layer 6: the dress, the sleeve, the cushion),
// in regions.
Regions pictureThreeMask() {
    buildTexture(3);
    const uint32_t* mask = layerPixels(6);
    return regionsOf([&](int i) { return alphaOf(mask[i]) == 255; });
}

} // namespace

// The crimson dress (its fill mask, layer 6, which it shares with the sleeve)
// is a long shape: a figure lying on its side, not a bust. Its left quarter,
// the lower legs, lies low (no knee raised like a box), and the cushion is a
// shape of its own beside it.
TEST(RecliningFigure, DressLiesAlongThePicture) {
    Regions r = pictureThreeMask();
    int dress = r.label[seedIndex(0.540039, 0.417969)];
    int cushion = r.label[seedIndex(0.860352, 0.34082)];
    ASSERT_GE(dress, 0);
    ASSERT_GE(cushion, 0);
    EXPECT_NE(dress, cushion);
    const Region& d = r.list[dress];
    int width = d.maxX - d.minX + 1;
    EXPECT_GT(width, Size / 2);
    int tallestLeg = 0;
    for (int x = d.minX; x < d.minX + width / 4; ++x) {
        int top = Size, bottom = -1;
        for (int y = 0; y < Size; ++y)
            if (r.label[y * Size + x] == dress) top = std::min(top, y), bottom = y;
        tallestLeg = std::max(tallestLeg, bottom - top + 1);
    }
    EXPECT_LT(tallestLeg, Size / 7);
}

// Picture 3: the woman's figure, not a wedge. Along the top of the dress
// (its fill mask, layer 6), from the shoulder leftwards, the outline dips at
// the waist and rises again at the hip by 20 pixels or more; further left the
// legs narrow: a third of the way from the feet to the hip the dress is about
// half as tall as at the hip.
TEST(RecliningFigure, WaistHipAndNarrowerLegs) {
    Regions r = pictureThreeMask();
    int dress = r.label[seedIndex(0.540039, 0.417969)];
    ASSERT_GE(dress, 0);
    const Region& d = r.list[dress];
    std::vector<int> top(Size, Size);
    for (int i = 0; i < Size * Size; ++i)
        if (r.label[i] == dress) top[i % Size] = std::min(top[i % Size], i / Size);
    const int shoulder = 540; // where the hair meets the dress
    int waist = shoulder;
    for (int x = shoulder; x > d.minX; --x)
        if (top[x] >= top[waist])
            waist = x;
        else if (top[waist] - top[x] > 8)
            break;
    int hip = waist;
    for (int x = waist; x > d.minX && top[x] <= top[hip] + 8; --x)
        if (top[x] < top[hip]) hip = x;
    EXPECT_GE(top[waist] - top[hip], 20) << "no waist";
    int knee = d.minX + (hip - d.minX) / 3;
    EXPECT_LE(d.maxY - top[knee], 0.52 * (d.maxY - top[hip])) << "the legs are as thick as the hip";
}

// Picture 3: she is propped on her elbow, not a block of dress. Her chest
// rises off the mat, so near the mat the dress (layer 6) ends well left of
// where it ends at the chest's height; and her bare feet show past the hem
// in the pale skin colour at the height of the ankles.
TEST(RecliningFigure, ChestRaisedAndFeetShow) {
    Regions r = pictureThreeMask();
    int dress = r.label[seedIndex(0.540039, 0.417969)];
    ASSERT_GE(dress, 0);
    const Region& d = r.list[dress];
    auto rightEnd = [&](int y) {
        int right = -1;
        for (int x = 0; x < Size; ++x)
            if (r.label[y * Size + x] == dress) right = x;
        return right;
    };
    EXPECT_LE(rightEnd(d.maxY - 8), rightEnd(d.maxY - 110) - 60) << "the chest sits on the mat";
    std::vector<uint32_t> p = picture(3);
    int pale = 0, area = 0;
    for (int y = d.maxY - 35; y <= d.maxY - 28; ++y)
        for (int x = d.minX - 40; x <= d.minX - 10; ++x, ++area) {
            uint32_t c = p[y * Size + x];
            pale += (c & 0xFF) > 150 && ((c >> 8) & 0xFF) > 130 && ((c >> 16) & 0xFF) > 100;
        }
    EXPECT_GT(pale, area * 8 / 10) << "no feet past the hem";
}

// Picture 3: her arm and torso tell apart. Down the middle of the arm (column
// 760 of the crimson mask, layer 6) the forearm and the upper arm are two
// crimson runs with a gap of 15 rows or more between them (the elbow bends),
// and just below the armpit (row 350) the mat shows 40 pixels or more between
// her chest and the cushion.
TEST(RecliningFigure, ArmBendsAndStandsApart) {
    ASSERT_NE(buildTexture(3), nullptr);
    const uint32_t* mask = layerPixels(6);
    auto crimson = [&](int x, int y) { return alphaOf(mask[y * Size + x]) == 255; };
    int widest = 0, run = 0;
    bool inside = false;
    for (int y = 185; y <= 330; ++y) {
        if (crimson(760, y)) {
            if (inside) widest = std::max(widest, run);
            inside = true, run = 0;
        } else {
            ++run;
        }
    }
    EXPECT_GE(widest, 15) << "forearm and upper arm are one block";
    Regions r = regionsOf([&](int i) { return alphaOf(mask[i]) == 255; });
    int dress = r.label[seedIndex(0.540039, 0.417969)];
    int cushion = r.label[seedIndex(0.860352, 0.34082)];
    ASSERT_GE(dress, 0);
    ASSERT_GE(cushion, 0);
    int chest = -1, pillow = Size;
    for (int x = 0; x < Size; ++x) {
        int l = r.label[350 * Size + x];
        if (l == dress && x < 800) chest = std::max(chest, x);
        if (l == cushion) pillow = std::min(pillow, x);
    }
    EXPECT_GE(pillow - chest, 40) << "the chest leans on the cushion";
}

namespace {

// Transparent regions of a layer that it encloses (they touch no edge).
std::vector<Region> holesIn(const uint32_t* layer) {
    Regions r = regionsOf([&](int i) { return alphaOf(layer[i]) == 0; });
    std::vector<Region> holes;
    for (const Region& g : r.list)
        if (g.minX > 0 && g.minY > 0 && g.maxX < Size - 1 && g.maxY < Size - 1) holes.push_back(g);
    return holes;
}

} // namespace

// Pictures 7 and 8: the boy holds up a circle. The one hole his layer (0)
// encloses is round, its edge (white pixels with a clear neighbour nearer the
// centre: the ring's inside, not its outside where a big ring's outer edge
// reaches the corners of the hole's box) everywhere nearly as far from its
// centre (a hexagon's corners lie 15% further out than its sides).
TEST(HeldCircle, IsRound) {
    for (int id : {7, 8}) {
        SCOPED_TRACE("picture " + std::to_string(id));
        ASSERT_NE(buildTexture(id), nullptr);
        const uint32_t* hero = layerPixels(0);
        std::vector<Region> holes = holesIn(hero);
        ASSERT_EQ(holes.size(), 1u);
        const Region& h = holes[0];
        EXPECT_GT(h.size, 1500) << "too small to read as a drawn circle";
        double nearest = Size, farthest = 0;
        for (int y = h.minY - 1; y <= h.maxY + 1; ++y)
            for (int x = h.minX - 1; x <= h.maxX + 1; ++x) {
                if (alphaOf(hero[y * Size + x]) == 0) continue;
                const double d = std::hypot(x - h.centreX(), y - h.centreY());
                auto inward = [&](int nx, int ny) {
                    return alphaOf(hero[ny * Size + nx]) == 0 &&
                           std::hypot(nx - h.centreX(), ny - h.centreY()) < d;
                };
                if (!inward(x - 1, y) && !inward(x + 1, y) && !inward(x, y - 1) &&
                    !inward(x, y + 1))
                    continue;
                nearest = std::min(nearest, d), farthest = std::max(farthest, d);
            }
        EXPECT_GT(nearest / farthest, 0.92);
    }
}

// Held by its edge, not on a stick: on every ray out from the hole's centre
// the white run through the ring stays under three times the ring's width
// (the median run). An arm touching the ring's edge adds a little where it
// leaves it; one pointing into it like a handle adds its whole length.
TEST(HeldCircle, TheArmMeetsItsEdgeLikeNoHandle) {
    for (int id : {7, 8}) {
        ASSERT_NE(buildTexture(id), nullptr);
        const uint32_t* hero = layerPixels(0);
        std::vector<Region> holes = holesIn(hero);
        ASSERT_EQ(holes.size(), 1u) << "picture " << id;
        std::vector<int> runs;
        for (int a = 0; a < 360; ++a) {
            double dx = std::cos(a * M_PI / 180), dy = std::sin(a * M_PI / 180), t = 0;
            auto opaque = [&] {
                int x = int(holes[0].centreX() + t * dx), y = int(holes[0].centreY() + t * dy);
                return alphaOf(hero[y * Size + x]) != 0;
            };
            while (!opaque())
                t += 0.5;
            int run = 0;
            for (; opaque(); t += 0.5)
                ++run;
            runs.push_back(run);
        }
        std::sort(runs.begin(), runs.end());
        EXPECT_LT(runs.back(), 3 * runs[180]) << "picture " << id << ": a stick out from the ring";
    }
}

// A hoop, not a magnifying glass or a racket: the hole the boy's ring
// encloses is more than twice as wide as his head (the head stroke's radius,
// 0.045136, is a diameter once the layer is halved).
TEST(HeldCircle, IsAHoopWiderThanTwoHeads) {
    for (int id : {7, 8}) {
        ASSERT_NE(buildTexture(id), nullptr);
        std::vector<Region> holes = holesIn(layerPixels(0));
        ASSERT_EQ(holes.size(), 1u) << "picture " << id;
        EXPECT_GT(holes[0].maxX - holes[0].minX + 1, 2 * 0.045136 * Size) << "picture " << id;
    }
}

// The passers-by (layer 1, repeated as layers 3, 4 and 5) stand apart, and
// each handbag hangs from an arm (the hand; in picture 8, where they shrug,
// the crook of the elbow): it is a lilac shape of its own beside the dress,
// narrow at the top where the handle meets under the white arm (a hat would
// be widest at its brim and wide at its crown).
TEST(PassersBy, StandApartWithBagsHangingFromTheHand) {
    for (int id : {7, 8}) {
        SCOPED_TRACE("picture " + std::to_string(id));
        ASSERT_NE(buildTexture(id), nullptr);
        const int copies[] = {1, 3, 4, 5};
        for (int a : copies)
            for (int b : copies)
                if (b > a) {
                    EXPECT_EQ(pixelsNear(a, b, 3), 0) << "layers " << a << " and " << b;
                }
        const uint32_t* woman = layerPixels(1);
        Regions lilac = regionsOf([&](int i) {
            uint32_t q = woman[i];
            return alphaOf(q) == 255 && (q >> 16 & 0xFF) >= 230 && (q & 0xFF) < 200;
        });
        ASSERT_EQ(lilac.list.size(), 2u) << "the dress and the bag";
        const Region& bag = lilac.list[0].maxX > lilac.list[1].maxX ? lilac.list[0] : lilac.list[1];
        auto widthOfRow = [&](int y) {
            int n = 0;
            for (int x = bag.minX; x <= bag.maxX; ++x)
                n += lilac.label[y * Size + x] == &bag - lilac.list.data();
            return n;
        };
        int widest = 0;
        for (int y = bag.minY; y <= bag.maxY; ++y)
            widest = std::max(widest, widthOfRow(y));
        EXPECT_LT(widthOfRow(bag.minY + 5), widest / 3) << "the bag's top is not a handle";
        int top = bag.minY * Size + bag.minX;
        while (lilac.label[top] != &bag - lilac.list.data())
            ++top;
        EXPECT_TRUE(isWhite(woman[top - 2 * Size])) << "no hand above the handle";
    }
}

// Pictures 7 and 8: each handbag is a solid sack hanging from the arm, no
// ring with a hole over a base (that reads as a warning sign): every row of
// the bag (the lilac shape of layer 1 right of the dress) is one unbroken run.
TEST(PassersBy, BagsAreSolidSacks) {
    for (int id : {7, 8}) {
        ASSERT_NE(buildTexture(id), nullptr);
        const uint32_t* woman = layerPixels(1);
        Regions lilac = regionsOf([&](int i) {
            uint32_t q = woman[i];
            return alphaOf(q) == 255 && (q >> 16 & 0xFF) >= 230 && (q & 0xFF) < 200;
        });
        ASSERT_EQ(lilac.list.size(), 2u) << "picture " << id;
        const int bag = lilac.list[0].maxX > lilac.list[1].maxX ? 0 : 1;
        const Region& b = lilac.list[bag];
        int broken = 0;
        for (int y = b.minY; y <= b.maxY; ++y) {
            int runs = 0;
            for (int x = b.minX; x <= b.maxX; ++x)
                runs += lilac.label[y * Size + x] == bag && lilac.label[y * Size + x - 1] != bag;
            broken += runs > 1;
        }
        EXPECT_EQ(broken, 0) << "picture " << id;
    }
}

// Pictures 8 and 10 answer 7 and 9: the one who answers (layer 1; the first
// passer-by, the girl) throws up her arms. Her arm left of her head rises
// from hanging by her side: its highest and its lowest white pixel, above
// her feet, lie at least a head's radius higher than in the question. The
// girl's heart (her red shape farthest to the side of her head) floats high
// in the question, clear of both figures, and drops to the ground by her
// shoes in the answer.
TEST(Answers, TheArmsGoUpAndTheHeartDrops) {
    struct Pair {
        int question, answer;
        double head, shiftX, shiftY; // the head's stroke radius, the layer's shift
        bool heart;
    };
    const Pair pairs[] = {{7, 8, 0.04049, 0.46875, 0.226563, false},
                          {9, 10, 0.042813, 0.419922, 0.201172, true}};
    for (const Pair& t : pairs) {
        SCOPED_TRACE("picture " + std::to_string(t.answer));
        int highest[2], lowest[2], heartBottom[2], feet[2];
        const double radius = t.head * Size / 2;
        for (int k = 0; k < 2; ++k) {
            const int id = k ? t.answer : t.question;
            ASSERT_NE(buildTexture(id), nullptr);
            const uint32_t* figure = layerPixels(1);
            const double* head = stepPoint(id, t.head);
            const double hx = head[0] * Size / 2 + int(1023 * t.shiftX),
                         hy = head[1] * Size / 2 + int(1023 * t.shiftY);
            highest[k] = Size, lowest[k] = -1;
            for (int y = 0; y < hy + 8 * radius; ++y)
                for (int x = 0; x < hx - radius - 12; ++x)
                    if (isWhite(figure[y * Size + x]))
                        highest[k] = std::min(highest[k], y), lowest[k] = std::max(lowest[k], y);
            ASSERT_GE(lowest[k], 0) << "no arm left of the head in picture " << id;
            Regions red = regionsOf([&](int i) { return isRed(figure[i]); });
            heartBottom[k] = feet[k] = 0;
            int heart = -1;
            double aside = -1;
            for (int g = 0; g < int(red.list.size()); ++g) {
                feet[k] = std::max(feet[k], red.list[g].maxY);
                if (std::abs(red.list[g].centreX() - hx) > aside)
                    aside = std::abs(red.list[g].centreX() - hx), heart = g,
                    heartBottom[k] = red.list[g].maxY;
            }
            if (!t.heart || k) continue;
            ASSERT_GE(heart, 0) << "no heart in picture " << id;
            // Nothing of the boy (layer 0) or of her white figure within 12
            // pixels of the floating heart.
            constexpr int clear = 12;
            const uint32_t* boy = layerPixels(0);
            int near = 0;
            for (int i = 0; i < Size * Size; ++i) {
                if (red.label[i] != heart) continue;
                const int x = i % Size, y = i / Size;
                for (int dy = -clear; dy <= clear; ++dy)
                    for (int dx = -clear; dx <= clear; ++dx) {
                        const int j = std::clamp(y + dy, 0, Size - 1) * Size +
                                      std::clamp(x + dx, 0, Size - 1);
                        near += alphaOf(boy[j]) != 0 || isWhite(figure[j]);
                    }
            }
            EXPECT_EQ(near, 0) << "the heart touches a figure";
        }
        EXPECT_LE(highest[1], highest[0] - radius) << "the hand is not raised";
        EXPECT_LE(lowest[1], lowest[0] - radius) << "the arm still hangs";
        if (t.heart) {
            EXPECT_GT(feet[0] - heartBottom[0], 4 * radius) << "not high in the question";
            EXPECT_LT(feet[1] - heartBottom[1], radius) << "not dropped by her feet";
        }
    }
}

// Picture 8: the passer-by who answers (layer 1) shrugs with both hands, not
// one raised in a wave: on each side of her head, between her chin and her
// waist, her highest white pixel (a hand) is up by her shoulders, within a
// head's radius of the one on the other side.
TEST(Answers, ThePasserByShrugsWithBothHands) {
    ASSERT_NE(buildTexture(8), nullptr);
    const uint32_t* figure = layerPixels(1);
    const double* head = stepPoint(8, 0.04049);
    const double radius = 0.04049 * Size / 2;
    const double hx = head[0] * Size / 2 + int(1023 * 0.46875),
                 hy = head[1] * Size / 2 + int(1023 * 0.226563);
    int top[2] = {Size, Size}; // left of her head, right of it
    for (int y = int(hy + radius); y < hy + 5 * radius; ++y)
        for (int x = 0; x < Size; ++x) {
            const int side = x < hx - radius - 12 ? 0 : x > hx + radius + 12 ? 1 : -1;
            if (side >= 0 && isWhite(figure[y * Size + x])) top[side] = std::min(top[side], y);
        }
    EXPECT_LT(top[0], hy + 2 * radius) << "the left hand is down";
    EXPECT_LT(top[1], hy + 2 * radius) << "the right hand is down";
    EXPECT_LE(std::abs(top[0] - top[1]), radius) << "one hand up, one down";
}

// Picture 15: the speech balloon (layer 5) reaches the boy (layer 1) only at
// his head, its tail ending just short of his face.
TEST(ShowingTheLoader, TailPointsAtTheMouth) {
    ASSERT_NE(buildTexture(15), nullptr);
    // The head is a short stroke of three points: its middle one is the centre,
    // its ends reach 4 pixels further up and down.
    const double* head = stepPoint(15, 0.023455) + 2;
    const double hx = head[0] * Size, hy = head[1] * Size, headRadius = 0.023455 * Size + 4;
    const uint32_t* balloon = layerPixels(5);
    const uint32_t* boy = layerPixels(1);
    double nearest = Size;
    for (int i = 0; i < Size * Size; ++i)
        if (alphaOf(balloon[i]) != 0)
            nearest = std::min(nearest, std::hypot(i % Size - hx, i / Size - hy));
    EXPECT_LT(nearest, headRadius + 16) << "the tail ends away from the head";
    EXPECT_GT(nearest, headRadius + 3) << "the tail touches the face";
    // Nothing of the balloon within 12 pixels of his arms, body or legs.
    constexpr int clear = 12;
    int nearBody = 0;
    for (int y = clear; y < Size - clear; ++y)
        for (int x = clear; x < Size - clear; ++x) {
            if (alphaOf(boy[y * Size + x]) == 0 || std::hypot(x - hx, y - hy) < headRadius + 4)
                continue;
            for (int dy = -clear; dy <= clear; ++dy)
                for (int dx = -clear; dx <= clear; ++dx)
                    nearBody += alphaOf(balloon[(y + dy) * Size + x + dx]) != 0;
        }
    EXPECT_EQ(nearBody, 0) << "the balloon starts at the boy's body";
}

// Picture 15: the boy (layer 1) stands whole in the picture, as tall as a
// stick figure standing (over 200 pixels). He and the front regular (layer 0)
// stand at the front of the floor, their feet within 12 rows of the
// picture's bottom edge with no floor line (layer 3) under them, as on open
// floor; the back one (layer 2) stands on the back wall's base, 1-6 rows
// under his feet. His laptop (layer 4, yellow) is beside him, left of his
// head, and no wider than half his height.
TEST(ShowingTheLoader, BoyStandsWholeOnTheFloorBesideHisLaptop) {
    ASSERT_NE(buildTexture(15), nullptr);
    auto box = [](const uint32_t* layer) {
        Region b;
        for (int i = 0; i < Size * Size; ++i)
            if (alphaOf(layer[i]) != 0) {
                int x = i % Size, y = i / Size;
                b.minX = std::min(b.minX, x), b.maxX = std::max(b.maxX, x);
                b.minY = std::min(b.minY, y), b.maxY = std::max(b.maxY, y);
            }
        return b;
    };
    const uint32_t* floor = layerPixels(3);
    for (int layer : {0, 1, 2}) {
        SCOPED_TRACE("layer " + std::to_string(layer));
        const uint32_t* figure = layerPixels(layer);
        Region b = box(figure);
        EXPECT_GT(b.minX, 0);
        EXPECT_LT(b.maxX, Size - 1);
        EXPECT_GT(b.minY, 0);
        EXPECT_LT(b.maxY, 576);
        const bool front = layer != 2;
        if (front) {
            EXPECT_GE(b.maxY, 576 - 12) << "not at the front";
        }
        int feet = 0, onFloor = 0, under = 0;
        for (int x = b.minX; x <= b.maxX; ++x) {
            if (alphaOf(figure[b.maxY * Size + x]) == 0) continue;
            ++feet;
            bool below = false;
            for (int dy = 1; dy <= 6 && !below; ++dy)
                below = alphaOf(floor[(b.maxY + dy) * Size + x]) == 255;
            onFloor += below;
            for (int y = b.maxY + 1; y < 576; ++y)
                under += alphaOf(floor[y * Size + x]) != 0;
        }
        EXPECT_GT(feet, 0);
        if (front) {
            EXPECT_EQ(under, 0) << "a floor edge under the front feet";
        } else {
            EXPECT_EQ(onFloor, feet) << "floating above the floor";
        }
    }
    // The back regular (layer 2) and the small listener beside him stand on
    // one line of the floor.
    Region back = box(layerPixels(2));
    const double smallX = (stepPoint(15, 0.021907) + 2)[0] * Size;
    int gaps = 0;
    for (int x = int(smallX); x <= back.maxX; ++x)
        gaps += alphaOf(floor[(back.maxY + 3) * Size + x]) != 255;
    EXPECT_EQ(gaps, 0) << "the listeners stand on no common floor";
    Region boy = box(layerPixels(1)), laptop = box(layerPixels(4));
    EXPECT_GT(boy.maxY - boy.minY, 200) << "not standing";
    const double headX = (stepPoint(15, 0.023455) + 2)[0] * Size;
    EXPECT_LT(laptop.maxX, headX - 0.023455 * Size) << "the laptop covers him";
    EXPECT_LE(laptop.maxX - laptop.minX, (boy.maxY - boy.minY) * 4 / 5) << "a huge laptop";
}

// Picture 15: the tail ends beside his mouth (the boy's dark red stroke in
// layer 1), level with it: the balloon's pixel nearest the mouth lies right
// of it, at most 8 rows above or below its middle and under 40 pixels away
// (the side of his head lies between them).
TEST(ShowingTheLoader, TailEndsLevelWithTheMouth) {
    ASSERT_NE(buildTexture(15), nullptr);
    const uint32_t* boy = layerPixels(1);
    const uint32_t* balloon = layerPixels(5);
    Region mouth;
    for (int i = 0; i < Size * Size; ++i)
        if (boy[i] == 0xFF000016) {
            int x = i % Size, y = i / Size;
            ++mouth.size, mouth.sumX += x, mouth.sumY += y;
            mouth.maxX = std::max(mouth.maxX, x);
        }
    ASSERT_GT(mouth.size, 0) << "no mouth";
    const double mx = mouth.centreX(), my = mouth.centreY();
    double nearest = Size;
    int tipX = 0, tipY = 0;
    for (int i = 0; i < Size * Size; ++i)
        if (alphaOf(balloon[i]) != 0 && std::hypot(i % Size - mx, i / Size - my) < nearest)
            nearest = std::hypot(i % Size - mx, i / Size - my), tipX = i % Size, tipY = i / Size;
    EXPECT_LT(nearest, 40) << "the tail ends away from the mouth";
    EXPECT_LE(std::abs(tipY - my), 8) << "the tail ends above or below the mouth";
    EXPECT_GT(tipX, mouth.maxX);
}

// Picture 15: the listeners stand on a floor, not on a stage: below the
// back wall's base (row 371) no upright line of the floor (layer 3) shows
// beside the front regular (layer 0) or the balloon (layer 5): in no column
// does it show in more than 16 rows (the left wall's base, receding from the
// back wall's, shows in a few).
TEST(ShowingTheLoader, NoRiserUnderTheBackEdge) {
    ASSERT_NE(buildTexture(15), nullptr);
    const uint32_t* floor = layerPixels(3);
    const uint32_t* front = layerPixels(0);
    const uint32_t* balloon = layerPixels(5);
    for (int x = 1; x < Size - 1; ++x) {
        int shown = 0;
        for (int y = 385; y <= 540; ++y) {
            int i = y * Size + x;
            shown += alphaOf(floor[i]) != 0 && alphaOf(balloon[i]) == 0 && alphaOf(front[i]) == 0 &&
                     alphaOf(front[i - 1]) == 0 && alphaOf(front[i + 1]) == 0;
        }
        EXPECT_LE(shown, 16) << "a riser joins the floor's edges at column " << x;
    }
}

// Picture 15: the listeners stand in a room, not on a stage: the floor's
// lines (layer 3) are the back wall's base (row 371), running up to the
// front regular (layer 0) and going behind him (nothing of the floor shows
// beside his lines from his leftmost pixel on), the wall's corner, rising
// from its left end to the picture's top left of the back ones, and the
// left wall's base, receding from there down to the left.
TEST(ShowingTheLoader, TheBackOnesStandInARoomCorner) {
    ASSERT_NE(buildTexture(15), nullptr);
    const uint32_t* floor = layerPixels(3);
    auto shows = [&](int x, int y) { return alphaOf(floor[y * Size + x]) != 0; };
    const uint32_t* front = layerPixels(0);
    auto leftOfFront = [&](int y) {
        int x = 0;
        while (x < Size - 1 && alphaOf(front[y * Size + x]) == 0)
            ++x;
        return x;
    };
    EXPECT_TRUE(shows(leftOfFront(371) - 12, 371)) << "the back wall's base stops short of him";
    int through = 0;
    for (int y = 300; y <= 540; ++y)
        for (int x = std::max(leftOfFront(y), 1); x < Size - 1; ++x) {
            const int i = y * Size + x;
            through += shows(x, y) && alphaOf(front[i - 1]) == 0 && alphaOf(front[i]) == 0 &&
                       alphaOf(front[i + 1]) == 0;
        }
    EXPECT_EQ(through, 0) << "the back wall's base runs through the front regular";
    int first = Size, last = -1;
    for (int x = 0; x < Size; ++x)
        if (shows(x, 4)) first = std::min(first, x), last = x;
    ASSERT_GE(last, 0) << "no corner rises to the top";
    const int corner = (first + last) / 2;
    int gaps = 0;
    for (int y = 4; y <= 371; ++y)
        gaps += !shows(corner, y);
    EXPECT_EQ(gaps, 0) << "the corner does not reach down to the back wall's base";
    EXPECT_LT(corner, (stepPoint(15, 0.021907) + 2)[0] * Size - 40) << "not behind the listeners";
    int receding = 0;
    for (int y = 371 + 20; y < 576; ++y)
        for (int x = 0; x < corner - 20; ++x)
            receding += shows(x, y);
    EXPECT_GT(receding, 0) << "no left wall's base recedes from the corner";
}

// Picture 15: the floor's lines (layer 3) keep clear of the boy (layer 1):
// none comes within 8 pixels of him. His laptop (layer 4) stands clear of
// the picture's left edge, and ends well left of his body, so that his arms
// show between them.
TEST(ShowingTheLoader, TheFloorMissesTheBoyAndTheLaptopStandsClear) {
    ASSERT_NE(buildTexture(15), nullptr);
    const uint32_t* floor = layerPixels(3);
    const uint32_t* boy = layerPixels(1);
    const uint32_t* laptop = layerPixels(4);
    constexpr int clear = 8;
    int touching = 0;
    for (int y = clear; y < Size - clear; ++y)
        for (int x = clear; x < Size - clear; ++x) {
            if (alphaOf(floor[y * Size + x]) == 0) continue;
            for (int dy = -clear; dy <= clear; ++dy)
                for (int dx = -clear; dx <= clear; ++dx)
                    touching += alphaOf(boy[(y + dy) * Size + x + dx]) != 0;
        }
    EXPECT_EQ(touching, 0) << "a floor line runs through the boy";
    int left = Size, right = -1;
    for (int i = 0; i < Size * Size; ++i)
        if (alphaOf(laptop[i]) != 0)
            left = std::min(left, i % Size), right = std::max(right, i % Size);
    ASSERT_GE(right, 0) << "no laptop";
    EXPECT_GE(left, 24) << "the laptop is cut off by the picture's edge";
    const double bodyX = (stepPoint(15, 0.023455) + 2)[0] * Size;
    EXPECT_GE(bodyX - right, 40) << "the laptop sits against him";
}

// Picture 15: the laptop is a lid standing on a keyboard deck, one shape with
// two dark openings: the screen and, under it, the deck, wider than deep (a
// box with a slot on a stand would have the screen's opening only).
TEST(ShowingTheLoader, TheLaptopIsALidOnAKeyboardDeck) {
    ASSERT_NE(buildTexture(15), nullptr);
    const uint32_t* laptop = layerPixels(4);
    Regions yellow = regionsOf([&](int i) { return alphaOf(laptop[i]) != 0; });
    Regions clear = regionsOf([&](int i) { return alphaOf(laptop[i]) == 0; });
    std::vector<int> holes; // first pixel of each opening, top to bottom
    for (int i = 0; i < Size * Size; ++i) {
        const Region& g = clear.list[std::max(clear.label[i], 0)];
        bool enclosed = g.minX > 0 && g.minY > 0 && g.maxX < Size - 1 && g.maxY < Size - 1;
        if (clear.label[i] >= 0 && enclosed && std::none_of(holes.begin(), holes.end(), [&](int h) {
                return clear.label[h] == clear.label[i];
            }))
            holes.push_back(i);
    }
    ASSERT_EQ(holes.size(), 2u);
    const Region &screen = clear.list[clear.label[holes[0]]],
                 &deck = clear.list[clear.label[holes[1]]];
    EXPECT_GT(deck.minY, screen.maxY);
    EXPECT_GT(deck.maxX - deck.minX, 3 * (deck.maxY - deck.minY));
    // The pixels just above each opening's first one belong to one shape.
    EXPECT_EQ(yellow.label[holes[0] - Size], yellow.label[holes[1] - Size])
        << "the lid and the deck are apart";
    // The screen is landscape and roomy: its dark inside is wider than tall
    // and over three times as tall as the progress bar, which lies on it with
    // dark all round and room left on its right.
    EXPECT_GT(screen.maxX - screen.minX, 3 * (screen.maxY - screen.minY) / 2)
        << "no landscape screen";
    const Region* bar = nullptr;
    for (const Region& g : yellow.list)
        if (g.minX > screen.minX && g.maxX < screen.maxX && g.minY > screen.minY &&
            g.maxY < screen.maxY)
            bar = &g;
    ASSERT_NE(bar, nullptr) << "no progress bar on the screen";
    EXPECT_GT(bar->maxX - bar->minX, 2 * (bar->maxY - bar->minY)) << "not a bar";
    EXPECT_GT(screen.maxY - screen.minY, 3 * (bar->maxY - bar->minY + 1)) << "a cramped screen";
    EXPECT_GT(bar->minY - screen.minY, 8);
    EXPECT_GT(screen.maxY - bar->maxY, 8);
    EXPECT_GT(bar->minX - screen.minX, 4);
    EXPECT_GT(screen.maxX - bar->maxX, (bar->maxX - bar->minX) / 4) << "the bar is full";
    // He holds it with both hands: his arms (layer 1) reach the laptop in two
    // separate places.
    const uint32_t* boy = layerPixels(1);
    Regions touching = regionsOf([&](int i) {
        if (alphaOf(boy[i]) == 0) return false;
        for (int d = 1; d <= 2; ++d)
            for (int n : {i - d, i + d, i - d * Size, i + d * Size})
                if (n >= 0 && n < Size * Size && alphaOf(laptop[n]) != 0) return true;
        return false;
    });
    EXPECT_GE(touching.list.size(), 2u) << "held by one hand or none";
}

namespace {

// Picture 6's three dark blue shapes (layer 1), the lowest last: the circle
// and the heart on the screen, then the keyboard.
std::vector<int> screenShapes(const Regions& r) {
    std::vector<int> shapes;
    for (size_t k = 0; k < r.list.size(); ++k)
        if (r.list[k].size > 200) shapes.push_back(int(k));
    std::sort(shapes.begin(), shapes.end(),
              [&](int a, int b) { return r.list[a].maxY < r.list[b].maxY; });
    return shapes;
}

// The lowest row in which the layer shows.
int lowestRow(const uint32_t* layer) {
    int lowest = -1;
    for (int i = 0; i < Size * Size; ++i)
        if (alphaOf(layer[i]) != 0) lowest = i / Size;
    return lowest;
}

// First and last column of each run of shown pixels in a row.
std::vector<std::pair<int, int>> runsOf(const uint32_t* row) {
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < Size; ++x) {
        if (alphaOf(row[x]) == 0) continue;
        if (runs.empty() || runs.back().second != x - 1) runs.push_back({x, x});
        runs.back().second = x;
    }
    return runs;
}

} // namespace

// Picture 6: the shapes his equations draw are on the computer's screen. The
// dark blue layer (1) holds the circle, the heart and, lowest, the keyboard; the two shapes lie
// wholly on the white screen (layer 0) and each is an outline around white. Near the floor the
// chair's two legs, the boy's foot and the desk's leg stand apart.
TEST(ShapesOnTheScreen, DrawnOnWhiteAndTheChairApartFromTheLegs) {
    ASSERT_NE(buildTexture(6), nullptr);
    const uint32_t* white = layerPixels(0);
    const uint32_t* blue = layerPixels(1);
    Regions r = regionsOf([&](int i) { return alphaOf(blue[i]) == 255; });
    std::vector<int> shapes = screenShapes(r);
    ASSERT_EQ(shapes.size(), 3u);
    for (int k : {shapes[0], shapes[1]}) {
        const Region& g = r.list[k];
        int offScreen = 0;
        for (int i = 0; i < Size * Size; ++i)
            offScreen += r.label[i] == k && alphaOf(white[i]) != 255;
        EXPECT_EQ(offScreen, 0) << "a shape off the screen at " << g.minX << "," << g.minY;
        int centre = int(g.centreY()) * Size + int(g.centreX());
        EXPECT_NE(r.label[centre], k) << "not an outline at " << g.minX << "," << g.minY;
        EXPECT_EQ(alphaOf(white[centre]), 255);
    }
    // Separate runs of white 12 rows above the lowest white row.
    auto runs = runsOf(white + (lowestRow(white) - 12) * Size);
    int narrowestGap = Size;
    for (size_t k = 1; k < runs.size(); ++k)
        narrowestGap = std::min(narrowestGap, runs[k].first - runs[k - 1].second - 1);
    EXPECT_EQ(runs.size(), 4u) << "chair legs, foot and desk leg";
    EXPECT_GE(narrowestGap, 20);
}

// Picture 6: the circle on the screen (the first step of radius 0.010292)
// turns by at most 26 degrees at each point, so that it reads round, not as a
// polygon of a dozen sides.
TEST(ShapesOnTheScreen, TheCircleIsRound) {
    int count = 0;
    for (const ArtworkStep& s : ArtworkSteps)
        if (s.recipe == 6 && s.radius == 0.010292 && count == 0) count = s.count;
    EXPECT_LT(sharpestTurn(stepPoint(6, 0.010292), count), 26 * M_PI / 180) << "a polygon";
}

// Picture 6: the screen shows a plot, not a face. The circle and the heart
// are no matching pair of eyes: one is at least a third taller than the other
// and their tops lie at least 30 rows apart. Nothing dark blue stands under
// them like a nose: the third dark blue shape is the keyboard, lying flat
// (twice as wide as tall), and the screen stands on a white neck, a column
// of the white layer unbroken from under the shapes down to the keyboard's
// top row.
TEST(ShapesOnTheScreen, APlotNotAFace) {
    ASSERT_NE(buildTexture(6), nullptr);
    const uint32_t* white = layerPixels(0);
    const uint32_t* blue = layerPixels(1);
    Regions r = regionsOf([&](int i) { return alphaOf(blue[i]) == 255; });
    std::vector<int> parts = screenShapes(r);
    ASSERT_EQ(parts.size(), 3u);
    const Region& a = r.list[parts[0]];
    const Region& b = r.list[parts[1]];
    int ha = a.maxY - a.minY + 1, hb = b.maxY - b.minY + 1;
    EXPECT_GE(3 * std::max(ha, hb), 4 * std::min(ha, hb)) << "shapes of one height, " << ha;
    EXPECT_GE(std::abs(a.minY - b.minY), 30) << "shapes side by side like eyes";
    const Region& keyboard = r.list[parts[2]];
    EXPECT_GE(keyboard.maxX - keyboard.minX + 1, 2 * (keyboard.maxY - keyboard.minY + 1))
        << "a post, not a keyboard";
    bool neck = false;
    for (int x = 0; x < Size && !neck; ++x) {
        neck = true;
        for (int y = std::max(a.maxY, b.maxY) + 1; y <= keyboard.minY && neck; ++y)
            neck = alphaOf(white[y * Size + x]) != 0;
    }
    EXPECT_TRUE(neck) << "the screen floats: no white neck under it";
}

// Picture 6: the chair and the boy's legs read apart. Halfway between the
// seat and the floor (60 rows above the lowest white row) the white layer
// crosses the chair's two legs, the boy's shin and the desk's leg, and the
// shin stands at least 80 pixels in front of the chair's front leg, so that
// his knee reaches well past the seat.
TEST(ShapesOnTheScreen, TheShinStandsClearOfTheChair) {
    ASSERT_NE(buildTexture(6), nullptr);
    const uint32_t* white = layerPixels(0);
    auto runs = runsOf(white + (lowestRow(white) - 60) * Size);
    ASSERT_EQ(runs.size(), 4u) << "chair legs, shin and desk leg";
    EXPECT_GE(runs[2].first - runs[1].second, 80) << "the shin close behind the chair's front leg";
}

namespace {

// Point number of the first point of recipe 2's drawing step k (in stream order).
int portraitStep(int k, int& count) {
    int point = artworkRecipeStart(2), seen = 0;
    for (const ArtworkStep& s : ArtworkSteps) {
        if (s.recipe != 2) continue;
        if (seen++ == k) {
            count = s.count;
            return point;
        }
        point += s.count;
    }
    ADD_FAILURE() << "recipe 2 has no step " << k;
    count = 0;
    return point;
}

int portraitStepCount() {
    int n = 0;
    for (const ArtworkStep& s : ArtworkSteps)
        n += s.recipe == 2;
    return n;
}

} // namespace

// Picture 2, the portrait: the head's outline (the hidden outline layer's
// 60-point step) is a smooth curve, not a faceted or jagged one; the whiskers
// (the first and third steps of the final outline layer, its last eleven)
// run between the cheek stripes, never over them; and the shirt below the
// collar shows its two arms, the strap's two edges and two buttons, no stray
// strokes.
TEST(Portrait, SmoothHeadWhiskersClearOfStripesPlainShirt) {
    const int steps = portraitStepCount();
    int head = -1, count = 0;
    for (int k = 0; k < steps && head < 0; ++k)
        if (int first = portraitStep(k, count); count == 60) head = first;
    ASSERT_GE(head, 0);
    double sharpest = sharpestTurn(ArtworkPoints[head], 60);
    EXPECT_LT(sharpest, 0.5) << "a corner of " << sharpest << " radians in the head's outline";

    std::vector<uint32_t> p = picture(2);
    auto isStripe = [](uint32_t q) { return (q & 0xFFFFFF) == 0x0B1E24; };
    for (int k : {steps - 11, steps - 9}) {
        int first = portraitStep(k, count), onStripe = 0;
        for (int j = 0; j + 1 < count; ++j) {
            const double* a = ArtworkPoints[first + j];
            const double* b = ArtworkPoints[first + j + 1];
            for (int t = 0; t <= 100; ++t) {
                int x = int((a[0] + (b[0] - a[0]) * t / 100) * Size);
                int y = int((a[1] + (b[1] - a[1]) * t / 100) * Size);
                // The outlines darken the pixels next to them: look 4 pixels
                // around the line for the stripes' own colour.
                for (int dy = -4; dy <= 4; ++dy)
                    for (int dx = -4; dx <= 4; ++dx)
                        onStripe += isStripe(p[(y + dy) * Size + x + dx]);
            }
        }
        EXPECT_EQ(onStripe, 0) << "whiskers of step " << k << " cross a stripe";
    }

    ASSERT_NE(buildTexture(2), nullptr);
    const uint32_t* outlines = layerPixels(0);
    // The lines are one pixel wide: a pixel counts when one of its eight
    // neighbours is on a line, so that diagonal runs hold together.
    Regions r = regionsOf([&](int i) {
        int x = i % Size, y = i / Size;
        if (y < 580 || y >= Size - 1 || x < 1 || x >= Size - 1) return false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (alphaOf(outlines[i + dy * Size + dx]) != 0) return true;
        return false;
    });
    EXPECT_EQ(r.list.size(), 6u) << "lines on the shirt";
}

// Picture 2 as a 16:9 screen shows it (rows 0-575): the ears (the only
// pixels of their two golds) match, each the other's size and height within
// a tenth; the red open mouth is wider than tall; and below the shoulders on
// both sides a line marks off the arm in the rows down to 575.
TEST(Portrait, MatchingEarsOpenMouthAndArms) {
    std::vector<uint32_t> p = picture(2);
    struct Box {
        int count = 0, minX = Size, maxX = -1, minY = Size, maxY = -1;
    } left, right, mouth;
    for (int i = 0; i < Size * 576; ++i) {
        uint32_t q = p[i] & 0xFFFFFF;
        Box* b = q == 0x23B2DE ? &left : q == 0x3FB2DE ? &right : q == 0x3035C9 ? &mouth : nullptr;
        if (b == nullptr) continue;
        int x = i % Size, y = i / Size;
        ++b->count, b->minX = std::min(b->minX, x), b->maxX = std::max(b->maxX, x);
        b->minY = std::min(b->minY, y), b->maxY = std::max(b->maxY, y);
    }
    ASSERT_GT(left.count, 500);
    EXPECT_NEAR(right.count, left.count, left.count / 10) << "ears of different sizes";
    EXPECT_NEAR(right.maxY - right.minY, left.maxY - left.minY, (left.maxY - left.minY) / 10);
    ASSERT_GT(mouth.count, 500);
    EXPECT_GT(mouth.maxX - mouth.minX, mouth.maxY - mouth.minY) << "the mouth is a lozenge";

    ASSERT_NE(buildTexture(2), nullptr);
    const uint32_t* outlines = layerPixels(0);
    for (int from : {100, 780}) {
        int rows = 0;
        for (int y = 548; y < 576; ++y) {
            bool line = false;
            for (int x = from; x < from + 150; ++x)
                line = line || alphaOf(outlines[y * Size + x]) != 0;
            rows += line;
        }
        EXPECT_GE(rows, 20) << "no arm at x " << from;
    }
}

// Picture 2 as a 16:9 screen shows it (rows 0-575): the brown strap runs from
// the shoulder to the bottom of the screen as a band drawn with a dark edge on
// each side in most rows it crosses (the shoulder line closes its top), and its edges are parallel
// (the brown run keeps its width over the lower half of those rows).
TEST(Portrait, StrapDrawnWithParallelEdges) {
    std::vector<uint32_t> p = picture(2);
    auto dark = [&](int x, int y) {
        uint32_t q = p[y * Size + x];
        return alphaOf(q) > 128 && (q & 0xFF) < 90 && (q >> 8 & 0xFF) < 90 && (q >> 16 & 0xFF) < 90;
    };
    std::vector<int> widths;
    int edged = 0;
    for (int y = 0; y < 576; ++y) {
        int first = -1, last = -1;
        for (int x = 0; x < Size; ++x)
            if ((p[y * Size + x] & 0xFFFFFF) == 0x467AB6) last = x, first = first < 0 ? x : first;
        if (first < 0) continue;
        bool left = false, right = false;
        for (int d = 1; d <= 6; ++d) {
            left = left || (first - d >= 0 && dark(first - d, y));
            right = right || (last + d < Size && dark(last + d, y));
        }
        edged += left && right;
        widths.push_back(last - first + 1);
    }
    const int rows = int(widths.size());
    ASSERT_GE(rows, 50) << "the strap barely shows";
    EXPECT_GE(edged, rows * 3 / 4) << "strap rows without a dark edge on both sides";
    auto lower = std::minmax_element(widths.begin() + rows / 2, widths.end());
    EXPECT_LE(*lower.second - *lower.first, 6) << "the strap's edges are not parallel";
}

// Picture 3, the woman on the mat in the meadow: the path winds up to the
// mat's left end (just under the mat's front edge the meadow is broken once,
// left of the middle: the path does not meet the mat's middle like a T); her
// feet are under the hem (no black shapes at the far end of the dress); and
// the sun (centre 455, 188, radius 52) has no dark halo: the sky around it is
// nearly as light as the sky further left.
TEST(Meadow, PathToTheMatsEndNoBlackFeetClearSky) {
    std::vector<uint32_t> p = picture(3);
    auto channel = [&](int x, int y, int c) { return int(p[y * Size + x] >> (8 * c) & 0xFF); };
    auto green = [&](int x, int y) {
        return channel(x, y, 1) > channel(x, y, 0) + 40 && channel(x, y, 1) > channel(x, y, 2) + 40;
    };
    std::vector<std::pair<int, int>> breaks;
    for (int x = 50; x < 1000; ++x) {
        if (green(x, 530)) continue;
        if (!breaks.empty() && breaks.back().second == x - 1)
            breaks.back().second = x;
        else
            breaks.push_back({x, x});
    }
    ASSERT_EQ(breaks.size(), 1u);
    EXPECT_LT((breaks[0].first + breaks[0].second) / 2, 400);
    EXPECT_GT(breaks[0].second - breaks[0].first, 40) << "too narrow for a path";

    int black = 0;
    for (int y = 400; y < 480; ++y)
        for (int x = 20; x < 110; ++x)
            black += std::max({channel(x, y, 0), channel(x, y, 1), channel(x, y, 2)}) < 40;
    EXPECT_LT(black, 600) << "black shapes at the hem";

    auto light = [&](int x, int y) {
        return (channel(x, y, 0) + channel(x, y, 1) + channel(x, y, 2)) / 3.0;
    };
    double ring = 0, sky = 0;
    int ringCount = 0, skyCount = 0;
    for (int y = 88; y < 288; ++y)
        for (int x = 355; x < 540; ++x)
            if (double d = std::hypot(x - 455, y - 188); d >= 62 && d <= 100)
                ring += light(x, y), ++ringCount;
    for (int y = 120; y < 260; ++y)
        for (int x = 120; x < 300; ++x)
            sky += light(x, y), ++skyCount;
    EXPECT_GT(ring / ringCount, 0.85 * sky / skyCount) << "a dark halo round the sun";
}
