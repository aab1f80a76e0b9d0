// Light balls: soft white balls rising in columns, full screen.
#include "scenes/shaders.h"

const char ballsFragmentSource[] = R"glsl(
uniform float iTime;
uniform vec2 iResolution;

float rand(vec2 n)
{
    return fract(sin(dot(n, vec2(12.9898, 4.1414))) * 43758.5453);
}

// Brightness that the ball of one column and layer gives at uv; `speed` is
// rand(vec2(x, -0.1)), the same for every layer of the column.
float ball(vec2 uv, float x, float speed, float layer)
{
    float d = 1.0 / 64.0;
    float w = 8.0;
    float y = mod(iTime + 4.0 * rand(vec2(x, 0.5 + layer / 16.0)), 4.0);
    float rad = d * (w + 0.5) * clamp(0.5 * y + 0.5, 0.1, 1.0);
    float cy = (0.5 + 0.5 * speed) * y - 1.0;
    float p = clamp((rad - distance(uv, vec2(x, cy))) / rad, 0.0, 1.0);
    float h = rand(vec2(x, -0.1 * layer)) * y - 1.0;
    return p * clamp(1.0 - abs(h), 0.0, 1.0);
}

void main()
{
    vec2 uv = 2.0 * gl_FragCoord.xy / iResolution - 1.0;
    uv.x *= iResolution.x / iResolution.y;
    float d = 1.0 / 64.0;
    // The 17 columns around the fragment's own and their rising speeds.
    float column[17];
    float speed[17];
    for (int a = 0; a < 17; a++) {
        column[a] = floor(uv.x / d) * d + d / 2.0 + float(a - 8) * d;
        speed[a] = rand(vec2(column[a], -0.1));
    }
    float r = 0.0;
    for (int b = 0; b < 6; b++) {
        for (int a = 0; a < 17; a++)
            r += ball(uv, column[a], speed[a], float(b));
    }
    r = 1.0 - 1.0 / (1.0 + r);
    r *= min(1.0, (iTime - 0.5) / 6.0);
    gl_FragColor = vec4(r, r, r, 1.0);
}
)glsl";
