// Text into the current layer through the platform's text service.
#include "platform/text.h"
#include "texgen/ops.h"

void renderText(const char* text, uint16_t height, const char* face) {
    // The service writes every pixel of the canvas.
    platformRenderText(text, height, face, reinterpret_cast<uint8_t*>(overwrittenLayer()));
}

void renderSymbol(uint8_t code) {
    char text[2] = {char(code), 0};
    renderText(text, 1024, "Webdings");
}
