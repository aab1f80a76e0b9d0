// Flight: a reflective ride through a ribbed tube with water, spikes and
// streams of spheres; drawn in the framed window.
#include "scenes/shaders.h"

const char flightFragmentSource[] = R"glsl(
uniform float iTime;
uniform vec2 iResolution;

const float E = 0.01;
const float DIS_MAX = 30.0;

// Material of the surface nearest to the last point map examined:
// 0 light grey (rod, ribs, spikes), 1 tube wall, 2 red (water, streams).
int lastMatId = 0;

vec2 rot(vec2 v, float a)
{
    float c = cos(a);
    float s = sin(a);
    return vec2(v.x * c - v.y * s, v.x * s + v.y * c);
}

// Keeps the nearer of r and rc; a tie keeps the earlier object.
float nearest(float r, float rc, int matId)
{
    if (rc < r) {
        lastMatId = matId;
        return rc;
    }
    return r;
}

float ribs(vec3 p)
{
    float y = mod(p.y, 1.0) - 0.5;
    float rc = length(vec2(length(p.xz) - 2.0, y)) - 0.1;
    return max(rc, 2.0 - length(p.xz - vec2(0.0, -0.2)));
}

float fold(float v)
{
    return abs(abs(abs(v) - 1.0) - 0.5) - 0.25;
}

// 8 x 8 sharp cones every 32 units; they rise around iTime = 22 + 32k.
float spikes(vec3 p)
{
    float y = mod(p.y, 32.0) - 16.0;
    float z = p.z + 0.5 + clamp(1.6 * abs(mod(iTime - 6.0, 32.0) - 16.0), 0.0, 1.0);
    float h = length(vec2(fold(p.x), fold(y)));
    return rot(vec2(h, z), 0.47 * 3.14).y;
}

// Spheres on one side of a helix, one every `spacing` units along y.
float stream(vec3 p, float side, float spacing)
{
    vec3 q = p + vec3(0.0, 13.0 * iTime, 0.0);
    q.xz = rot(q.xz, 0.5 * q.y);
    q.z += side * 0.5;
    q.y = mod(q.y, spacing) - 0.5 * spacing;
    return length(q) - 0.1;
}

float map(vec3 p)
{
    float r = DIS_MAX;
    r = nearest(r, 2.2 - length(p.xz), 1);
    r = nearest(r, length(p.xz - vec2(0.0, 2.0)) - 0.1, 0);
    r = nearest(r, ribs(p), 0);
    r = nearest(r, p.z + 1.5 + 0.4 * sin(0.4 * iTime), 2);
    r = nearest(r, spikes(p), 0);
    r = nearest(r, stream(p, -1.0, 50.0), 2);
    r = nearest(r, stream(p, 1.0, 75.0), 2);
    return r;
}

vec3 normalAt(vec3 p)
{
    vec3 dx = vec3(E, 0.0, 0.0);
    vec3 dy = vec3(0.0, E, 0.0);
    vec3 dz = vec3(0.0, 0.0, E);
    return normalize(vec3(map(p + dx) - map(p - dx), map(p + dy) - map(p - dy),
                          map(p + dz) - map(p - dz)));
}

// Tube wall colour with its dark spots.
vec3 wallColour(vec3 p)
{
    vec3 q = p;
    q.yz = rot(q.yz, 0.125 * 3.14);
    q = mod(q, 0.5) - 0.25;
    vec3 base = vec3(0.7, 0.5, 0.1);
    if (length(q) < 0.2)
        base *= 0.3;
    return base;
}

float shadowTerm(vec3 p, vec3 n)
{
    float csh = 1.0;
    for (float a = 1.0; a < 9.0; a *= 2.0)
        csh = min(csh, clamp(map(p + a * 0.01 * n) / (a * 0.01), 0.0, 1.0));
    return csh;
}

vec3 render(vec3 start, vec3 direction)
{
    vec3 sum = vec3(0.0);
    float power = 1.0;
    float totalDis = 0.0;
    for (int pass = 0; pass < 8; pass++) {
        vec3 hp = start;
        float d = map(hp);
        totalDis += d;
        bool hit = false;
        for (int i = 0; i < 512; i++) {
            hp += d * direction;
            d = map(hp);
            totalDis += d;
            if (totalDis > DIS_MAX)
                break;
            if (d < E) {
                hit = true;
                break;
            }
        }
        if (!hit)
            return sum;

        vec3 base = vec3(0.9, 0.9, 0.9);
        float reflectivity = 0.1;
        if (lastMatId == 1) {
            base = wallColour(hp);
            reflectivity = 0.05;
        } else if (lastMatId == 2) {
            base = vec3(0.7, 0.1, 0.1);
            reflectivity = 0.2;
        }
        vec3 n = normalAt(hp);
        float csh = shadowTerm(hp, n);
        sum += power * base * (0.5 + 0.5 * dot(n, -direction)) * (0.7 + 0.3 * n.z) *
               clamp(1.0 - totalDis / DIS_MAX, 0.0, 1.0) * (0.8 + 0.2 * csh);
        power *= reflectivity;
        if (power < 0.01)
            return sum;
        direction = reflect(direction, n);
        start = hp + 8.0 * E * direction;
    }
    return sum;
}

void main()
{
    vec2 uv = 2.0 * gl_TexCoord[0].st - 1.0;
    uv.x *= iResolution.x / iResolution.y;
    vec3 direction = normalize(vec3(uv.x, 4.0, uv.y));
    direction.xy = rot(direction.xy, 0.2 * sin(0.1 * iTime));
    direction.yz = rot(direction.yz, 0.15 * sin(0.078 * iTime));
    direction.xz = rot(direction.xz, 0.03 * iTime);
    vec3 eye = vec3(0.0, -iTime, 0.1 * sin(iTime));
    gl_FragColor = vec4(render(eye, direction), 1.0);
}
)glsl";
