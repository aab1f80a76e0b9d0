/* The unpacking code against the real packed image: it gives back the program
   file byte for byte, and refuses every damaged copy of the packed image. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "size/unpack.h"

static uint8_t* readAll(const char* path, uint32_t* size) {
    FILE* f = fopen(path, "rb");
    if (!f) return NULL;
    static uint8_t* buffers[2];
    static int used;
    uint8_t* data = buffers[used++] = malloc(1u << 24);
    *size = (uint32_t)fread(data, 1, 1u << 24, f);
    fclose(f);
    return data;
}

/* A damage done to a copy of the packed image, at a place given as a fraction
   of its length (the stream starts at UNPACK_HEADER). */
typedef struct {
    const char* what;
    int kind; /* 0: flip a bit, 1: cut the end off */
    double at;
    int offset;
} Damage;

static const Damage damages[] = {
    {"magic", 0, 0, 0},
    {"declared size", 0, 0, 5},
    {"hash", 0, 0, 9},
    {"coder properties", 0, 0, 12},
    {"branch filter", 0, 0, 13},
    {"first byte of the stream", 0, 0, UNPACK_HEADER},
    {"stream near the start", 0, 0, UNPACK_HEADER + 40},
    {"stream, a quarter in", 0, 0.25, 0},
    {"stream, half way", 0, 0.5, 0},
    {"stream, three quarters in", 0, 0.75, 0},
    {"last byte of the stream", 0, 1, -1},
    {"cut to half", 1, 0.5, 0},
    {"cut by one byte", 1, 1, -1},
    {"header only", 1, 0, UNPACK_HEADER},
};

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: unpack_test PACKED PROGRAM.exe\n");
        return 2;
    }
    uint32_t packedSize, programSize;
    uint8_t* packed = readAll(argv[1], &packedSize);
    uint8_t* program = readAll(argv[2], &programSize);
    if (!packed || !program) {
        fprintf(stderr, "unpack_test: cannot read the inputs\n");
        return 2;
    }
    int failed = 0;
    uint8_t* out = calloc(1, programSize + 64);
    uint8_t* copy = malloc(packedSize);
    if (unpackedSize(packed, packedSize) != programSize ||
        unpack(packed, packedSize, out, programSize) || memcmp(out, program, programSize) != 0) {
        printf("FAIL: the packed image does not unpack to %s\n", argv[2]);
        failed = 1;
    } else {
        printf("round trip: %u bytes packed to %u\n", programSize, packedSize);
    }
    if (unpack(packed, packedSize, out, programSize - 1) == 0) {
        printf("FAIL: unpacked into a buffer shorter than the image\n");
        failed = 1;
    }
    for (size_t i = 0; i < sizeof damages / sizeof damages[0]; ++i) {
        const Damage* d = &damages[i];
        long at = (long)(d->at * packedSize) + d->offset;
        if (at >= (long)packedSize) at = packedSize - 1;
        uint32_t size = packedSize;
        memcpy(copy, packed, packedSize);
        if (d->kind == 0)
            copy[at] ^= 0x10;
        else
            size = (uint32_t)at;
        memset(out, 0, programSize);
        int refused = unpack(copy, size, out, programSize + 64) != 0;
        printf("%s: %s\n", d->what, refused ? "refused" : "ACCEPTED");
        if (!refused) failed = 1;
    }
    return failed;
}
