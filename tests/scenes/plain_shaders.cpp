// The waves, balls and can programs in their straightforward form: every
// pillar, ball and light computed in full at every step. The programs the
// scenes draw skip work that cannot change a pixel; tests compare the two, and
// the scene benchmark can draw these to time the difference. (The flight
// program has no shortcuts.)
#include "tests/scenes/plain_shaders.h"

const char plainWavesSource[] = R"glsl(
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

// Pillars of radius 0.5 with flat tops at z = 0, one in every whole row y;
// the rows from four behind to three ahead of p are considered.
float map(vec3 p)
{
    float r = INF;
    for (int k = -4; k <= 3; k++) {
        float a = floor(p.y) + float(k);
        r = min(r, max(length(p.xy - vec2(sway(a), a)) - 0.5, p.z));
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
// of travel everything is faded out, so the march stops there: black either way.
float render(vec3 p, vec3 direction)
{
    float td = 0.0;
    for (int i = 0; i < 128; i++) {
        float d = map(p);
        td += d;
        p += d * direction;
        if (td >= 20.0)
            return 0.0;
        if (d < E) {
            vec3 n = normalAt(p);
            return (0.5 + 0.5 * dot(direction, -n)) * clamp((20.0 - td) / 10.0, 0.0, 1.0);
        }
    }
    return 0.0;
}

void main()
{
    vec2 uv = 2.0 * gl_FragCoord.xy / iResolution - 1.0;
    uv.x *= iResolution.x / iResolution.y;
    vec3 direction = normalize(vec3(uv.x, 4.0, uv.y));
    direction.yz = rot(direction.yz, -0.07 * 3.1415);
    float r = render(vec3(0.0, -10.0, 2.0), direction);
    gl_FragColor = vec4(r, r, r, 1.0);
}
)glsl";

const char plainBallsSource[] = R"glsl(
uniform float iTime;
uniform vec2 iResolution;

float rand(vec2 n)
{
    return fract(sin(dot(n, vec2(12.9898, 4.1414))) * 43758.5453);
}

// Brightness that the ball of one column and layer gives at uv.
float ball(vec2 uv, float x, float layer)
{
    float d = 1.0 / 64.0;
    float w = 8.0;
    float y = mod(iTime + 4.0 * rand(vec2(x, 0.5 + layer / 16.0)), 4.0);
    float rad = d * (w + 0.5) * clamp(0.5 * y + 0.5, 0.1, 1.0);
    float cy = (0.5 + 0.5 * rand(vec2(x, -0.1))) * y - 1.0;
    float p = clamp((rad - distance(uv, vec2(x, cy))) / rad, 0.0, 1.0);
    float h = rand(vec2(x, -0.1 * layer)) * y - 1.0;
    return p * clamp(1.0 - abs(h), 0.0, 1.0);
}

void main()
{
    vec2 uv = 2.0 * gl_FragCoord.xy / iResolution - 1.0;
    uv.x *= iResolution.x / iResolution.y;
    float d = 1.0 / 64.0;
    float r = 0.0;
    for (int b = 0; b < 6; b++) {
        for (int a = -8; a <= 8; a++) {
            float x = floor(uv.x / d) * d + d / 2.0 + float(a) * d;
            r += ball(uv, x, float(b));
        }
    }
    r = 1.0 - 1.0 / (1.0 + r);
    r *= min(1.0, (iTime - 0.5) / 6.0);
    gl_FragColor = vec4(r, r, r, 1.0);
}
)glsl";

const char plainCanSource[] = R"glsl(
uniform float iTime;
uniform vec2 iResolution;
uniform sampler2D iChannel2;

const float E = 0.001;
const float INF = 1000.0;
const float PI = 3.141592653589;

// Material of the nearest surface at the last point map examined:
// 0 floor, 1 red can body, 2 grey can top, 3 pole or light (glow only).
int matId = 0;
// Closest approach to the red, green and blue light groups in this pass.
vec3 lightDis = vec3(INF, INF, INF);

vec2 rot(vec2 v, float a)
{
    float c = cos(a);
    float s = sin(a);
    return vec2(v.x * c - v.y * s, v.x * s + v.y * c);
}

float nearest(float r, float rc, int id)
{
    if (rc < r) {
        matId = id;
        return rc;
    }
    return r;
}

// Lowers the glow distance of the channels set in `channels`.
void glow(float rc, vec3 channels)
{
    if (channels.r > 0.5)
        lightDis.r = min(lightDis.r, rc);
    if (channels.g > 0.5)
        lightDis.g = min(lightDis.g, rc);
    if (channels.b > 0.5)
        lightDis.b = min(lightDis.b, rc);
}

// The bending can: a thick ring through the origin cut by a tilted plane.
// Straight (sin l = 0) the ring is unbounded and the can is left out.
float can(vec3 p, float r)
{
    float l = sin(5.0 * iTime) / 2.0;
    float s = sin(l);
    if (s == 0.0)
        return r;
    float R = 2.0 / s;
    vec3 q = p;
    q.x -= R;
    q.xz = rot(q.xz, l);
    float rc = length(vec2(length(q.xz) - abs(R), p.y)) - 0.5;
    rc = max(rc, q.z);
    if (q.z < -0.1)
        return nearest(r, rc, 1);
    return nearest(r, rc, 2);
}

// Four of the twelve poles: the corners of a square turned by `angle`,
// each ending at a height that ripples around the ring.
float poles(vec3 p, float angle, float ripple)
{
    vec3 q = p;
    q.xy = rot(q.xy, angle);
    q.xy = abs(q.xy) - 3.0;
    q.z -= ripple;
    if (q.z > 0.0)
        return length(q);
    return length(q.xy);
}

float light(vec3 p, float k, float frequency)
{
    float phase = iTime + k;
    vec3 centre = vec3(4.0 * sin(phase), (2.0 + k) * cos(2.0 * phase),
                       1.3 + 0.5 * sin(iTime * frequency));
    return distance(p, centre) + 0.001;
}

float map(vec3 p)
{
    float r = p.z;
    matId = 0;
    float ripple = 2.0 - sin(atan(p.x / p.y) + 3.0 * iTime);
    r = can(p, r);

    float pole = poles(p, 0.0, ripple);
    r = nearest(r, pole + 0.001, 3);
    glow(pole, vec3(1.0, 0.0, 0.0));
    pole = poles(p, PI / 6.0, ripple);
    r = nearest(r, pole + 0.001, 3);
    glow(pole, vec3(0.0, 1.0, 0.0));
    pole = poles(p, 2.0 * PI / 6.0, ripple);
    r = nearest(r, pole + 0.001, 3);
    glow(pole, vec3(0.0, 0.0, 1.0));

    vec3 channels[6];
    channels[0] = vec3(1.0, 0.0, 0.0);
    channels[1] = vec3(0.0, 1.0, 0.0);
    channels[2] = vec3(0.0, 0.0, 1.0);
    channels[3] = vec3(1.0, 1.0, 0.0);
    channels[4] = vec3(0.0, 1.0, 1.0);
    channels[5] = vec3(1.0, 0.0, 1.0);
    float frequency = 0.25;
    for (int k = 0; k < 6; k++) {
        float rc = light(p, float(k), frequency);
        r = nearest(r, rc, 3);
        glow(rc, channels[k]);
        frequency *= 2.0;
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

float occlusion(vec3 p, vec3 n)
{
    float cs = 1.0;
    for (float a = 0.01; a < 0.09; a *= 2.0)
        cs = min(cs, map(p + n * a) / a);
    return clamp(cs, 0.0, 1.0);
}

vec3 render(vec3 start, vec3 direction)
{
    vec3 sum = vec3(0.0);
    float totalDis = 0.0;
    float power = 1.0;
    for (int pass = 0; pass < 2; pass++) {
        vec3 p = start;
        float d = map(p);
        bool hit = false;
        for (int i = 0; i < 256; i++) {
            p += d * direction;
            d = map(p);
            if (d < E) {
                hit = true;
                break;
            }
        }
        totalDis += length(start - p);
        float powerm = 0.0;
        if (hit) {
            vec3 colour = vec3(0.0);
            if (matId == 0) {
                colour = texture2D(iChannel2, p.xy * 0.25).rgb;
            } else if (matId == 1) {
                colour = vec3(0.9, 0.1, 0.1);
                powerm = 0.2;
            } else if (matId == 2) {
                colour = vec3(0.5, 0.5, 0.5);
            }
            vec3 n = normalAt(p);
            float cs = occlusion(p, n);
            sum += colour * (0.5 + 0.5 * dot(n, -direction)) * (0.5 + 0.5 * n.z) *
                   (0.6 + 0.4 * cs) * clamp(32.0 / (totalDis * totalDis), 0.0, 1.0) * power;
            start = p + 4.0 * E * n;
            direction = reflect(direction, n);
        }
        sum += power * 0.1 / clamp(lightDis, 0.1, 1.0);
        lightDis = vec3(INF, INF, INF);
        power *= powerm;
        if (power < 0.01)
            break;
    }
    return sum;
}

void main()
{
    vec2 uv = 2.0 * gl_TexCoord[0].st - 1.0;
    uv.x *= iResolution.x / iResolution.y;
    vec3 direction = normalize(vec3(uv.x, uv.y, -4.0));
    vec3 eye;
    float tt = mod(iTime, 9.6);
    if (tt < 3.2) {
        // orbit around the can
        eye = vec3(0.0, -4.0, 1.5);
        direction.yz = rot(direction.yz, 0.5 * PI);
        direction.xy = rot(direction.xy, iTime);
        eye.xy = rot(eye.xy, iTime);
    } else if (tt < 6.4) {
        // track sideways, looking down
        eye = vec3(1.6 * (tt - 4.5), -5.0, 3.0);
        direction.yz = rot(direction.yz, 0.4 * PI);
    } else {
        // pull back
        eye = vec3(0.0, -1.0 - tt, 1.0);
        direction.yz = rot(direction.yz, 0.5 * PI);
    }
    gl_FragColor = vec4(render(eye, direction), 1.0);
}
)glsl";
