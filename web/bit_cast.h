// Included before every source of the web build: the C++ library of the
// packaged Emscripten predates std::bit_cast, which the compiler itself can
// do. Nothing changes where the library has it.
#pragma once
#include <bit>

#ifndef __cpp_lib_bit_cast
namespace std {
template <class To, class From> constexpr To bit_cast(const From& from) noexcept {
    static_assert(sizeof(To) == sizeof(From));
    return __builtin_bit_cast(To, from);
}
} // namespace std
#endif
