// The program file carries its application manifest (resource type 24, id 1),
// read here through the system's resource functions: it declares the process
// per-monitor DPI aware, so that the system reports the screen's real size and
// does not stretch the window on scaled displays. (Wine treats every process
// as DPI aware, so the process's own awareness tells nothing there.)
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace {

// The manifest text of a program file; empty when it has none.
std::string manifestOf(const char* path) {
    HMODULE file = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!file) return {};
    std::string text;
    HRSRC found = FindResourceA(file, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    HGLOBAL loaded = found ? LoadResource(file, found) : nullptr;
    if (loaded)
        text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(file, found));
    FreeLibrary(file);
    return text;
}

} // namespace

TEST(Win32Manifest, ProgramDeclaresPerMonitorDpiAwareness) {
    const std::string manifest = manifestOf(INTRO_EXE);
    ASSERT_FALSE(manifest.empty()) << "no manifest in " << INTRO_EXE;
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos)
        << manifest;
}
