/* The size build's printf: the C++ headers route std::fprintf to the
   standards-conforming formatter of the MinGW library (with its own floating
   point conversion, some 20 KB); the program prints only strings, which the
   system C library's formatter writes alike. */
#include <stdarg.h>
#include <stdio.h>

int __cdecl __mingw_vfprintf(FILE* stream, const char* format, va_list args) {
    return vfprintf(stream, format, args);
}
