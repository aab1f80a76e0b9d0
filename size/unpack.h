/* The packed program image of the size build.

   Layout, all numbers little-endian:
     bytes 0-3    magic "PK64"
     bytes 4-7    size of the unpacked image in bytes
     bytes 8-11   FNV-1a hash (32 bits) of the unpacked image
     byte  12     coder properties: (pb * 5 + lp) * 9 + lc, with lc + lp <= 8
     byte  13     1 when the image went through liblzma's x86 branch filter
                  (calls and jumps with absolute targets) before coding, else 0
     bytes 14-    the range-coded stream, as liblzma's raw LZMA1 encoder
                  writes it: a zero byte and four bytes of code to start,
                  then literals, matches and repeated matches; it may end
                  with the end marker (a match at distance 2^32 - 1).

   The unpacked image is the program file's sections laid out at their
   virtual addresses from the first section on (size/pack.py). */
#ifndef SIZE_UNPACK_H
#define SIZE_UNPACK_H

#include <stdint.h>

#define UNPACK_MAGIC 0x34364B50u /* "PK64" */
#define UNPACK_HEADER 14

#ifdef __cplusplus
extern "C" {
#endif

/* The unpacked size a packed image declares; 0 when it is not one. */
uint32_t unpackedSize(const uint8_t* packed, uint32_t packedSize);

/* Unpacks into out (outSize bytes at least the declared size): 0 when the
   stream decodes to exactly the declared size and hash, 1 otherwise. */
int unpack(const uint8_t* packed, uint32_t packedSize, uint8_t* out, uint32_t outSize);

uint32_t unpackChecksum(const uint8_t* data, uint32_t size);

#ifdef __cplusplus
}
#endif

#endif
