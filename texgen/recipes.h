// Recipe bookkeeping visible to tests and tools.
#pragma once

constexpr int RECIPE_COUNT = 17; // procedural recipes 0..16

// Index of the next ArtworkPoints entry a drawing step takes; each procedural
// recipe starts at its own stretch of the stream.
extern int artworkCursor;

constexpr int STARTUP_TEXTURE_COUNT = 98;

// Whether the start-up sequence builds texture id: the 81 glyphs (codes 48..122
// and space ! ' , - .) and the procedural pictures 0..16.
constexpr bool isStartupTexture(int id) {
    if (id >= 0) return id < RECIPE_COUNT;
    int code = -id;
    return (code >= 48 && code <= 122) || code == 32 || code == 33 || code == 39 || code == 44 ||
           code == 45 || code == 46;
}

// Lowest id the start-up sequence builds; it then counts up to 16.
constexpr int FIRST_STARTUP_ID = -122;
