// Keys reach the SDL backend through its event queue: a press and release
// that both happen between two frames are still seen when the frame drains
// the queue, whatever the keyboard's state is by then.
#include "platform/platform.h"
#include <SDL.h>
#include <gtest/gtest.h>

namespace {

void tap(SDL_Scancode code) {
    for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
        SDL_Event event{};
        event.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.scancode = code;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
}

void drain() {
    while (platformPumpMessage()) {
    }
}

} // namespace

TEST(SdlKeys, TapsBetweenTwoFramesAreSeen) {
    ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
    const struct {
        SDL_Scancode code;
        PlatformKey key;
    } viewerKeys[] = {{SDL_SCANCODE_SPACE, PlatformKey::pause},
                      {SDL_SCANCODE_LEFT, PlatformKey::back},
                      {SDL_SCANCODE_RIGHT, PlatformKey::forward},
                      {SDL_SCANCODE_F, PlatformKey::fullscreen},
                      {SDL_SCANCODE_I, PlatformKey::overlay}};
    for (const auto& expected : viewerKeys) {
        tap(expected.code);
        drain();
        EXPECT_EQ(platformNextKey(), expected.key) << SDL_GetScancodeName(expected.code);
        EXPECT_EQ(platformNextKey(), PlatformKey::none);
    }
    EXPECT_FALSE(platformEscapePressed());
    tap(SDL_SCANCODE_ESCAPE);
    drain();
    EXPECT_TRUE(platformEscapePressed()) << "Escape pressed and released between two frames";
    SDL_Quit();
}
