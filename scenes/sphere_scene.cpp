// The checkered ball: 200 flat patches in perspective over the current picture.
#include "frame/intro_state.h"
#include "scenes/scene_data.h"
#include "scenes/scenes.h"

#include <GL/glu.h>
#include <cmath>

static constexpr double ballPi = 3.141592653589;

SpherePoint spherePoint(int i, int j) {
    const double around = i * ballPi * 2 / sphereSegments;
    const double down = j * ballPi / sphereRings;
    return {std::sin(around) * std::sin(down), std::cos(around) * std::sin(down),
            std::cos(down) - 0.5};
}

bool spherePatchIsRed(int i, int j) {
    return i % 2 == j % 2;
}

static void corner(int i, int j, float s, float t) {
    const SpherePoint p = spherePoint(i, j);
    glTexCoord2f(s, t);
    glVertex3f(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
}

static void drawPatch(int i, int j) {
    if (spherePatchIsRed(i, j))
        glColor3f(1.0f, 0.0f, 0.0f);
    else
        glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    corner(i, j, 0.0f, 0.0f);
    corner(i, j + 1, 0.0f, 1.0f);
    corner(i + 1, j + 1, 1.0f, 1.0f);
    corner(i + 1, j, 1.0f, 0.0f);
    glEnd();
}

// Ball placement: 10 units ahead, swinging, bobbing and spinning with t.
static void placeBall(double t) {
    const float aspect =
        static_cast<float>(intro.screenWidth) / static_cast<float>(intro.screenHeight);
    gluPerspective(45.0, aspect, 0.1, 100.0);
    glTranslatef(0.0f, 0.0f, -10.0f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(static_cast<float>(6 * std::sin(t)), 0.0f,
                 static_cast<float>(2 * std::cos(4 * t)));
    glRotatef(15.0f, 0.0f, 1.0f, 0.0f);
    glRotatef(static_cast<float>(180 * t), 0.0f, 0.0f, 1.0f);
}

void SphereScene() {
    PictureScene();
    glEnable(GL_DEPTH_TEST);
    glClear(GL_DEPTH_BUFFER_BIT);
    placeBall(intro.sceneTime);
    for (int i = 0; i < sphereSegments; ++i)
        for (int j = 0; j < sphereRings; ++j)
            drawPatch(i, j);
    glDisable(GL_DEPTH_TEST);
    glColor3f(1.0f, 1.0f, 1.0f);
    glLoadIdentity();
}
