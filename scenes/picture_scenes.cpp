// The flat scenes: pictures, the opening scroller, captions, greetings, the end.
#include "frame/gl_entries.h"
#include "frame/intro_state.h"
#include "scenes/greetings_names.h"
#include "scenes/scene_data.h"
#include "scenes/scenes.h"
#include "scenes/text.h"

const char scrollerText[] = "GREATINGS TO EVERYONE AT STONEFAIR 2018. I CAN'T TELL YOU HOW IT "
                            "BEGAN, BUT i CAN TELL YOU HOW IT BEGAN FOR ME.";
const char endText[] = "THE END";

const char* greetingsLine(int i) {
    constexpr int firstName = 2;
    constexpr int nameCount = 31;
    if (i == 0) return "GREATINGS TO:";
    if (i >= firstName && i < firstName + nameCount) return greetingsNames[i - firstName];
    if (i == greetingsLineCount - 2) return "AND ALL OTHER";
    if (i == greetingsLineCount - 1) return "ALCOHOLICS";
    return "";
}

void bindPicture(int n) {
    callActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, intro.textures.numbered[n]);
}

static void enableTextBlending() {
    callActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// The screen size as the unsigned numbers the system reports.
static double screenRatio(int numerator, int denominator) {
    return static_cast<double>(static_cast<uint32_t>(numerator)) /
           static_cast<double>(static_cast<uint32_t>(denominator));
}

PictureQuad pictureQuad(int fit, int screenWidth, int screenHeight) {
    PictureQuad quad{1.0, 1.0};
    if (fit == 2)
        quad.right = 2 * screenRatio(screenHeight, screenWidth) - 1; // square, left edge
    else if (fit == 1)
        quad.bottomT = screenRatio(screenHeight, screenWidth); // full width, square pixels
    return quad;
}

void PictureScene() {
    bindPicture(intro.pictureTexture);
    const PictureQuad quad = pictureQuad(intro.pictureFit, intro.screenWidth, intro.screenHeight);
    const auto right = static_cast<float>(quad.right);
    const auto bottomT = static_cast<float>(quad.bottomT);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, 1.0f);
    glTexCoord2f(0.0f, bottomT);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, bottomT);
    glVertex2f(right, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(right, 1.0f);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void ScrollerScene() {
    callUseProgram(0);
    glClear(GL_COLOR_BUFFER_BIT);
    bindPicture(0);
    glColor3f(1.0f, 1.0f, 1.0f);
    glLoadIdentity();
    // Picture 0 repeated one and a half times across, its bottom tenth cut.
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, 1.0f);
    glTexCoord2f(0.0f, 0.9f);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.5f, 0.9f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.5f, 0.0f);
    glVertex2f(1.0f, 1.0f);
    glEnd();

    glColor3f(1.0f, 1.0f, 1.0f);
    glLoadIdentity();
    glTranslatef(0.0f, -0.4f, 0.0f);
    glScalef(0.2f, 0.2f, 0.2f);
    drawWaveText(scrollerText, 8 * intro.sceneTime - 6, 0.5);
}

// A caption line centred as the captions are: half a cell left of centre.
static void drawCaptionLine(const char* text, double y) {
    int length = 0;
    while (text[length] != 0)
        ++length;
    drawTextLine(text, -length * 0.05 / 2, y, 0.025);
}

void CaptionScene() {
    enableTextBlending();
    if (intro.captionLine1 != nullptr) // no caption set yet: nothing to show
        drawCaptionLine(intro.captionLine1, 0.1);
    if (intro.captionLine2 != nullptr) drawCaptionLine(intro.captionLine2, -0.3);
}

void GreetingsScene() {
    intro.pictureFit = 2;
    intro.pictureTexture = 3;
    PictureScene();
    enableTextBlending();
    for (int i = 0; i < greetingsLineCount; ++i)
        drawTextLine(greetingsLine(i), 0.2, 2.5 * intro.sceneTime - 2 - 0.3 * i, 0.03);
}

void EndScene() {
    enableTextBlending();
    drawTextLine(endText, -0.5, 0.0, 0.05);
}
