#include "platform/symbol_fallback.h"
#include <cctype>

namespace {

// Face names compare like the font services compare them: ignoring case.
bool sameFace(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(uint8_t(*a)) != std::tolower(uint8_t(*b))) return false;
    return *a == *b;
}

} // namespace

const SymbolFallback* findSymbolFallback(const char* face, uint8_t code) {
    for (const SymbolFallback& row : symbolFallbacks)
        if (row.code == code && sameFace(row.face, face)) return &row;
    return nullptr;
}
