#include "tests/scenes/shader_reference.h"

#include <algorithm>
#include <cmath>

namespace {

struct V2 {
    double x, y;
};
struct V3 {
    double x, y, z;
};
V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(double k, V3 a) {
    return {k * a.x, k * a.y, k * a.z};
}
double dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double length(V3 a) {
    return std::sqrt(dot(a, a));
}
double length(double a, double b) {
    return std::sqrt(a * a + b * b);
}
V3 normalize(V3 a) {
    return (1 / length(a)) * a;
}
V3 reflect(V3 d, V3 n) {
    return d - 2 * dot(n, d) * n;
}
double clamp(double v, double lo, double hi) {
    return std::min(std::max(v, lo), hi);
}
double floorMod(double x, double m) {
    return x - m * std::floor(x / m);
}
V2 rot(V2 v, double a) {
    return {v.x * std::cos(a) - v.y * std::sin(a), v.x * std::sin(a) + v.y * std::cos(a)};
}
void rotXY(V3& v, double a) {
    V2 r = rot({v.x, v.y}, a);
    v.x = r.x;
    v.y = r.y;
}
void rotYZ(V3& v, double a) {
    V2 r = rot({v.y, v.z}, a);
    v.y = r.x;
    v.z = r.y;
}
void rotXZ(V3& v, double a) {
    V2 r = rot({v.x, v.z}, a);
    v.x = r.x;
    v.z = r.y;
}

template <typename Map> V3 normalOf(Map map, V3 p, double e) {
    return normalize({map(p + V3{e, 0, 0}) - map(p - V3{e, 0, 0}),
                      map(p + V3{0, e, 0}) - map(p - V3{0, e, 0}),
                      map(p + V3{0, 0, e}) - map(p - V3{0, 0, e})});
}

// --- waves ---

double wavesMap(V3 p, double time) {
    double r = 10000;
    for (int k = -4; k <= 3; ++k) {
        const double a = std::floor(p.y) + k;
        const double f = 0.7 * std::sin(0.3 * a + 0.6 * time) + 0.5 * std::sin(a + 1.6 * time);
        r = std::min(r, std::max(length(p.x - f, p.y - a) - 0.5, p.z));
    }
    return r;
}

// --- flight ---

struct Flight {
    double time;
    int lastMatId = 0;

    void nearest(double& r, double rc, int id) {
        if (rc < r) {
            r = rc;
            lastMatId = id;
        }
    }
    static double fold(double v) { return std::abs(std::abs(std::abs(v) - 1) - 0.5) - 0.25; }
    double stream(V3 p, double side, double spacing) const {
        V3 q = p + V3{0, 13 * time, 0};
        rotXZ(q, 0.5 * q.y);
        q.z += side * 0.5;
        q.y = floorMod(q.y, spacing) - spacing / 2;
        return length(q) - 0.1;
    }
    double map(V3 p) {
        double r = 30;
        nearest(r, 2.2 - length(p.x, p.z), 1);
        nearest(r, length(p.x, p.z - 2) - 0.1, 0);
        double rib = length(length(p.x, p.z) - 2, floorMod(p.y, 1) - 0.5) - 0.1;
        nearest(r, std::max(rib, 2 - length(p.x, p.z + 0.2)), 0);
        nearest(r, p.z + 1.5 + 0.4 * std::sin(0.4 * time), 2);
        const double y = floorMod(p.y, 32) - 16;
        const double z = p.z + 0.5 + clamp(1.6 * std::abs(floorMod(time - 6, 32) - 16), 0, 1);
        const double h = length(fold(p.x), fold(y));
        nearest(r, rot({h, z}, 0.47 * 3.14).y, 0);
        nearest(r, stream(p, -1, 50), 2);
        nearest(r, stream(p, 1, 75), 2);
        return r;
    }
};

// --- can ---

struct Can {
    double time;
    FloorTexture floor;
    int matId = 0;
    V3 lightDis{1000, 1000, 1000};

    void nearest(double& r, double rc, int id) {
        if (rc < r) {
            r = rc;
            matId = id;
        }
    }
    void glow(double rc, bool red, bool green, bool blue) {
        if (red) lightDis.x = std::min(lightDis.x, rc);
        if (green) lightDis.y = std::min(lightDis.y, rc);
        if (blue) lightDis.z = std::min(lightDis.z, rc);
    }
    double map(V3 p) {
        double r = p.z;
        matId = 0;
        const double L = std::atan(p.x / p.y);
        const double l = std::sin(5 * time) / 2;
        if (std::sin(l) != 0) {
            const double R = 2 / std::sin(l);
            V3 q = p;
            q.x -= R;
            rotXZ(q, l);
            const double rc = std::max(length(length(q.x, q.z) - std::abs(R), p.y) - 0.5, q.z);
            nearest(r, rc, q.z < -0.1 ? 1 : 2);
        }
        for (int k = 0; k < 3; ++k) {
            V3 q = p;
            rotXY(q, k * 3.141592653589 / 6);
            q.x = std::abs(q.x) - 3;
            q.y = std::abs(q.y) - 3;
            q.z -= 2 - std::sin(L + 3 * time);
            const double rc = q.z > 0 ? length(q) : length(q.x, q.y);
            nearest(r, rc + 0.001, 3);
            glow(rc, k == 0, k == 1, k == 2);
        }
        const bool channels[6][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1},
                                     {1, 1, 0}, {0, 1, 1}, {1, 0, 1}};
        for (int k = 0; k < 6; ++k) {
            const double phase = time + k;
            const V3 centre{4 * std::sin(phase), (2 + k) * std::cos(2 * phase),
                            1.3 + 0.5 * std::sin(time * 0.25 * std::pow(2.0, k))};
            const double rc = length(p - centre) + 0.001;
            nearest(r, rc, 3);
            glow(rc, channels[k][0], channels[k][1], channels[k][2]);
        }
        return r;
    }
};

} // namespace

double wavesReference(double x, double y, double width, double height, double time) {
    const double u = (2 * x / width - 1) * width / height;
    const double v = 2 * y / height - 1;
    V3 direction = normalize({u, 4, v});
    rotYZ(direction, -0.07 * 3.1415);
    V3 p{0, -10, 2};
    double td = 0;
    auto map = [time](V3 q) { return wavesMap(q, time); };
    for (int i = 0; i < 128; ++i) {
        const double d = map(p);
        td += d;
        p = p + d * direction;
        if (d < 0.01) {
            const V3 n = normalOf(map, p, 0.01);
            return (0.5 - 0.5 * dot(direction, n)) * clamp((20 - td) / 10, 0, 1);
        }
    }
    return 0;
}

Rgb flightReference(double s, double t, double width, double height, double time) {
    const double E = 0.01, disMax = 30;
    Flight flight{time};
    auto map = [&flight](V3 q) { return flight.map(q); };
    V3 direction = normalize({(2 * s - 1) * width / height, 4, 2 * t - 1});
    rotXY(direction, 0.2 * std::sin(0.1 * time));
    rotYZ(direction, 0.15 * std::sin(0.078 * time));
    rotXZ(direction, 0.03 * time);
    V3 start{0, -time, 0.1 * std::sin(time)};
    V3 sum{0, 0, 0};
    double power = 1, totalDis = 0;
    for (int pass = 0; pass < 8; ++pass) {
        V3 hp = start;
        double d = map(hp);
        totalDis += d;
        bool hit = false;
        for (int i = 0; i < 512 && !hit; ++i) {
            hp = hp + d * direction;
            d = map(hp);
            totalDis += d;
            if (totalDis > disMax) break;
            hit = d < E;
        }
        if (!hit) break;
        V3 base{0.9, 0.9, 0.9};
        double reflectivity = 0.1;
        if (flight.lastMatId == 1) {
            base = {0.7, 0.5, 0.1};
            reflectivity = 0.05;
            V3 q = hp;
            rotYZ(q, 0.125 * 3.14);
            q = {floorMod(q.x, 0.5) - 0.25, floorMod(q.y, 0.5) - 0.25, floorMod(q.z, 0.5) - 0.25};
            if (length(q) < 0.2) base = 0.3 * base;
        } else if (flight.lastMatId == 2) {
            base = {0.7, 0.1, 0.1};
            reflectivity = 0.2;
        }
        const V3 n = normalOf(map, hp, E);
        double csh = 1;
        for (double a = 1; a <= 8; a *= 2)
            csh = std::min(csh, clamp(map(hp + a * 0.01 * n) / (a * 0.01), 0, 1));
        const double shade = (0.5 - 0.5 * dot(n, direction)) * (0.7 + 0.3 * n.z) *
                             clamp(1 - totalDis / disMax, 0, 1) * (0.8 + 0.2 * csh);
        sum = sum + (power * shade) * base;
        power *= reflectivity;
        if (power < 0.01) break;
        direction = reflect(direction, n);
        start = hp + 8 * E * direction;
    }
    return {sum.x, sum.y, sum.z};
}

Rgb canReference(double s, double t, double width, double height, double time, FloorTexture floor) {
    const double E = 0.001, pi = 3.141592653589;
    Can can{time, floor};
    auto map = [&can](V3 q) { return can.map(q); };
    V3 direction = normalize({(2 * s - 1) * width / height, 2 * t - 1, -4});
    V3 start;
    const double tt = floorMod(time, 9.6);
    if (tt < 3.2) {
        start = {0, -4, 1.5};
        rotYZ(direction, 0.5 * pi);
        rotXY(direction, time);
        rotXY(start, time);
    } else if (tt < 6.4) {
        start = {1.6 * (tt - 4.5), -5, 3};
        rotYZ(direction, 0.4 * pi);
    } else {
        start = {0, -1 - tt, 1};
        rotYZ(direction, 0.5 * pi);
    }
    V3 sum{0, 0, 0};
    double totalDis = 0, power = 1;
    for (int pass = 0; pass < 2; ++pass) {
        V3 p = start;
        double d = map(p);
        bool hit = false;
        for (int i = 0; i < 256 && !hit; ++i) {
            p = p + d * direction;
            d = map(p);
            hit = d < E;
        }
        totalDis += length(start - p);
        double powerm = 0;
        if (hit) {
            V3 colour{0, 0, 0};
            if (can.matId == 0) {
                const Rgb texel = can.floor(p.x * 0.25, p.y * 0.25);
                colour = {texel.r, texel.g, texel.b};
            } else if (can.matId == 1) {
                colour = {0.9, 0.1, 0.1};
                powerm = 0.2;
            } else if (can.matId == 2) {
                colour = {0.5, 0.5, 0.5};
            }
            const V3 n = normalOf(map, p, E);
            double cs = 1;
            for (double a = 0.01; a < 0.09; a *= 2)
                cs = std::min(cs, map(p + a * n) / a);
            cs = clamp(cs, 0, 1);
            const double shade = (0.5 - 0.5 * dot(n, direction)) * (0.5 + 0.5 * n.z) *
                                 (0.6 + 0.4 * cs) * clamp(32 / (totalDis * totalDis), 0, 1) * power;
            sum = sum + shade * colour;
            start = p + 4 * E * n;
            direction = reflect(direction, n);
        }
        sum = sum + V3{power * 0.1 / clamp(can.lightDis.x, 0.1, 1),
                       power * 0.1 / clamp(can.lightDis.y, 0.1, 1),
                       power * 0.1 / clamp(can.lightDis.z, 0.1, 1)};
        can.lightDis = {1000, 1000, 1000};
        power *= powerm;
        if (power < 0.01) break;
    }
    return {sum.x, sum.y, sum.z};
}
