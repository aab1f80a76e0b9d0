// Can: a bending red can on a textured floor, ringed by glowing poles and
// circled by six coloured lights; three camera shots; drawn in the framed window.
#include "scenes/shaders.h"

const char canFragmentSource[] = R"glsl(
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
// What depends on iTime alone, set once per fragment by setScene: the can's
// bend l with its cosine and sine and R = 2 / sin l, and the centres of the
// six lights.
float bendCos;
float bendSin;
float bendRadius;
vec3 lightCentre[6];

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
    if (bendSin == 0.0)
        return r;
    vec3 q = p;
    q.x -= bendRadius;
    q.xz = vec2(q.x * bendCos - q.z * bendSin, q.x * bendSin + q.z * bendCos); // rot(q.xz, l)
    float rc = length(vec2(length(q.xz) - abs(bendRadius), p.y)) - 0.5;
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

vec3 lightAt(float k, float frequency)
{
    float phase = iTime + k;
    return vec3(4.0 * sin(phase), (2.0 + k) * cos(2.0 * phase),
                1.3 + 0.5 * sin(iTime * frequency));
}

void setScene()
{
    float bend = sin(5.0 * iTime) / 2.0;
    bendCos = cos(bend);
    bendSin = sin(bend);
    bendRadius = 2.0 / bendSin;
    float frequency = 0.25;
    for (int k = 0; k < 6; k++) {
        lightCentre[k] = lightAt(float(k), frequency);
        frequency *= 2.0;
    }
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
    for (int k = 0; k < 6; k++) {
        float rc = distance(p, lightCentre[k]) + 0.001;
        r = nearest(r, rc, 3);
        glow(rc, channels[k]);
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

// Everything but the floor lies below z = 3 and, above the floor, within 9
// units of the z axis: the lights' centres within 8.07 and below 1.8, the
// poles within 4.25 and below 3, and the part of the can where its distance
// can fall below E within 1.2 (its cut plane is tilted by at most 0.5).
//
// A ray that rises from z >= 4.5, or that moves away from the axis beyond 12
// units without falling, can no longer hit anything, and it passes every pole
// and light more than a unit away, where their glow is already the least: the
// rest of its march would change nothing.
bool past(vec3 p, vec3 direction)
{
    bool outward = dot(p.xy, p.xy) >= 144.0 && dot(p.xy, direction.xy) >= 0.0;
    return (p.z >= 4.5 && direction.z > 0.0) || (outward && direction.z >= 0.0);
}

// A ray moving away from the axis beyond 12 units and falling from below
// z = 1.9 keeps every pole and light farther away than the floor: map gives
// the floor or the can, and the glow changes no more.
bool farOverTheFloor(vec3 p, vec3 direction)
{
    bool outward = dot(p.xy, p.xy) >= 144.0 && dot(p.xy, direction.xy) >= 0.0;
    return outward && direction.z < 0.0 && p.z < 1.9;
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
        bool far = false;
        int i = 0;
        for (; i < 256; i++) {
            p += d * direction;
            d = map(p);
            if (d < E) {
                hit = true;
                break;
            }
            if (past(p, direction))
                break;
            if (farOverTheFloor(p, direction)) {
                far = true;
                i++;
                break;
            }
        }
        // Far out, the rest of the march needs only the floor and the can.
        if (far) {
            for (; i < 256; i++) {
                p += d * direction;
                matId = 0;
                d = can(p, p.z);
                if (d < E) {
                    hit = true;
                    break;
                }
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
    setScene();
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
