// The program's manifest, embedded here as in the program, makes the process
// per-monitor DPI aware: the system reports the screen's real size and does
// not stretch the window on scaled displays.
#include <gtest/gtest.h>
#include <windows.h>

namespace {

using GetContext = HANDLE(WINAPI*)();
using GetAwareness = int(WINAPI*)(HANDLE);
constexpr int perMonitorAware = 2; // DPI_AWARENESS_PER_MONITOR_AWARE

} // namespace

TEST(Win32Manifest, ProcessIsPerMonitorDpiAware) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    ASSERT_NE(user32, nullptr);
    auto context = reinterpret_cast<GetContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    auto awareness = reinterpret_cast<GetAwareness>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (!context || !awareness) GTEST_SKIP() << "this system has no per-monitor DPI awareness";
    EXPECT_EQ(awareness(context()), perMonitorAware);
}
