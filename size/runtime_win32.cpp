// The size build's own definitions of the C++ runtime pieces the program
// uses. Linked first, they keep the library's objects that hold them (and the
// exception machinery and threads library those pull in) out of the file.
#include <windows.h>

#include <chrono>

namespace std::chrono {
inline namespace _V2 {

// The performance counter, as the library's clock reads it, in nanoseconds.
steady_clock::time_point steady_clock::now() noexcept {
    LARGE_INTEGER frequency;
    LARGE_INTEGER count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    const long long seconds = count.QuadPart / frequency.QuadPart;
    const long long rest = count.QuadPart % frequency.QuadPart;
    return time_point(duration(seconds * 1000000000LL + rest * 1000000000LL / frequency.QuadPart));
}

} // namespace _V2
} // namespace std::chrono
