// Scenes drawn with a GLSL program over one quad.
#include "frame/gl_entries.h"
#include "frame/intro_state.h"
#include "scenes/scene_data.h"
#include "scenes/scenes.h"

#include <algorithm>

// Makes currentProgram current and feeds it this frame's uniforms; the
// locations are looked up by name every time.
static void bindCurrentProgram() {
    const GLuint program = intro.currentProgram;
    callUseProgram(program);
    callUniform2f(callGetUniformLocation(program, "iResolution"),
                  static_cast<float>(static_cast<uint32_t>(intro.screenWidth)),
                  static_cast<float>(static_cast<uint32_t>(intro.screenHeight)));
    callUniform1f(callGetUniformLocation(program, "iTime"), static_cast<float>(intro.sceneTime));
}

void ShaderScene() {
    bindCurrentProgram();
    bindPicture(1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, 1.0f);
    glEnd();
    callUseProgram(0);
}

void FramedShaderScene() {
    bindCurrentProgram();
    bindPicture(1); // the can's floor samples it
    glColor3f(1.0f, 1.0f, 1.0f);
    // A slightly skewed window in the upper half; t grows upward.
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-0.44f, 0.77f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-0.44f, 0.2f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(0.27f, 0.17f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(0.27f, 0.76f);
    glEnd();
    callUseProgram(0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    intro.pictureTexture = 16;
    intro.pictureFit = 1;
    PictureScene(); // the frame picture, transparent over the window
}

void BallsScene() {
    intro.currentProgram = intro.ballsProgram;
    ShaderScene();
    bindPicture(4);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float level = 0.02f * static_cast<float>(std::clamp(intro.sceneTime - 2.0, 0.0, 1.0));
    glColor3f(level, level, level);
    const auto half = static_cast<float>(static_cast<double>(intro.screenHeight) /
                                         static_cast<double>(intro.screenWidth));
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-half, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-half, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(half, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(half, 1.0f);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}
