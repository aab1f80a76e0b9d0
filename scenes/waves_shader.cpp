// Waves: a ray-marched line of cylindrical pillars swaying from side to side.
#include "scenes/shaders.h"

const char wavesFragmentSource[] = R"glsl(
uniform float iTime;
uniform vec2 iResolution;

const float INF = 10000.0;
const float E = 0.01;

vec2 rot(vec2 v, float a)
{
    float c = cos(a);
    float s = sin(a);
    return vec2(v.x * c - v.y * s, v.x * s + v.y * c);
}

// Sideways position of the pillar axis in row s.
float sway(float s)
{
    return 0.7 * sin(0.3 * s + 0.6 * iTime) + 0.5 * sin(1.0 * s + 1.6 * iTime);
}

// The sway of every row a ray can reach, row a at index a + 14, filled once per
// fragment: rays start at y = -10, always move towards +y and end within 20
// units, and map looks at most four rows behind and three ahead, so only rows
// -14 to 13 are ever read.
float swayOfRow[28];

void fillSwayOfRow()
{
    for (int i = 0; i < 28; i++)
        swayOfRow[i] = sway(float(i - 14));
}

// Pillars of radius 0.5 with flat tops at z = 0, one in every whole row y;
// the rows from four behind to three ahead of p are considered.
float map(vec3 p)
{
    float r = INF;
    for (int k = -4; k <= 3; k++) {
        float a = floor(p.y) + float(k);
        r = min(r, max(length(p.xy - vec2(swayOfRow[int(a) + 14], a)) - 0.5, p.z));
    }
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

// Grey level seen along one ray; black when nothing is hit. Beyond 20 units
// of travel everything is faded out, so the march stops there: black either
// way. The normal is taken after the loop, so that the march's steps do not
// carry its six evaluations of map.
float render(vec3 p, vec3 direction)
{
    float td = 0.0;
    bool hit = false;
    for (int i = 0; i < 128; i++) {
        float d = map(p);
        td += d;
        p += d * direction;
        if (td >= 20.0)
            break;
        if (d < E) {
            hit = true;
            break;
        }
    }
    if (!hit)
        return 0.0;
    vec3 n = normalAt(p);
    return (0.5 + 0.5 * dot(direction, -n)) * clamp((20.0 - td) / 10.0, 0.0, 1.0);
}

void main()
{
    fillSwayOfRow();
    vec2 uv = 2.0 * gl_FragCoord.xy / iResolution - 1.0;
    uv.x *= iResolution.x / iResolution.y;
    vec3 direction = normalize(vec3(uv.x, 4.0, uv.y));
    direction.yz = rot(direction.yz, -0.07 * 3.1415);
    float r = render(vec3(0.0, -10.0, 2.0), direction);
    gl_FragColor = vec4(r, r, r, 1.0);
}
)glsl";
