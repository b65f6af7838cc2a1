// What Windows reads from scriblet.exe without starting it: the version
// information that Explorer's Properties show, and the application manifest
// that decides where the program may write.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "res/product.h"
#include "res/version.h"
#include "tests/driver/scriblet_driver.h"

namespace scriblet::e2e {
namespace {

std::string line(const std::string& text, bool last) {
    return last ? text.substr(text.rfind('\n') + 1) : text.substr(0, text.find('\n'));
}

TEST(ProgramFile, VersionInformationNamesTheProductItsMakerAndTheProjectVersion) {
    const std::string program = programPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    ASSERT_NE(0u, size) << "scriblet.exe has no version information";
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(program.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(VS_FFI_SIGNATURE, fixed->dwSignature);
    const DWORD high = MAKELONG(SCRIBLET_VERSION_MINOR, SCRIBLET_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, SCRIBLET_VERSION_PATCH);
    EXPECT_EQ(std::make_pair(high, low), std::make_pair(fixed->dwFileVersionMS, fixed->dwFileVersionLS));
    EXPECT_EQ(std::make_pair(high, low), std::make_pair(fixed->dwProductVersionMS, fixed->dwProductVersionLS));
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);

    // Explorer reads the strings of the first translation: US English, Unicode.
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(1200, translation[1]);
    auto value = [&](const char* name) -> std::string {
        char path[64];
        wsprintfA(path, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], name);
        char* text = nullptr;
        UINT chars = 0;
        if (!VerQueryValueA(info.data(), path, reinterpret_cast<void**>(&text), &chars) || !text) return "(none)";
        return text;
    };
    // The maker and the copyright are the about box's first and last lines.
    const std::string about = SCRIBLET_ABOUT_TEXT;
    const std::pair<const char*, std::string> kStrings[] = {
        {"ProductName", "Scriblet"},
        {"OriginalFilename", "scriblet.exe"},
        {"CompanyName", line(about, false)},
        {"LegalCopyright", line(about, true) + " " + line(about, false)},
        {"FileVersion", SCRIBLET_VERSION_TEXT},
        {"ProductVersion", SCRIBLET_VERSION_TEXT},
    };
    for (const auto& [name, expected] : kStrings) EXPECT_EQ(expected, value(name)) << name;
    EXPECT_NE(std::string::npos, value("FileDescription").find("Scriblet")) << value("FileDescription");
}

TEST(ProgramFile, ManifestRunsAsInvokerOnVistaToWindows11WithTheClassicLook) {
    HMODULE program = LoadLibraryExA(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    // The loader reads the manifest of an exe from resource type 24, id 1.
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(nullptr, found) << "scriblet.exe has no application manifest";
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(program, found)));
    const std::string manifest(bytes, SizeofResource(program, found));
    FreeLibrary(program);

    // asInvoker: no file virtualization, so a save that may not write fails
    // visibly instead of landing in a per-user store.
    EXPECT_NE(std::string::npos, manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"));
    const char* const kSupportedOs[] = {
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
    };
    for (const char* id : kSupportedOs) {
        EXPECT_NE(std::string::npos, manifest.find(std::string("<supportedOS Id=\"") + id + "\"/>")) << id;
    }
    // The window keeps its classic controls and is scaled by the system.
    for (const char* absent : {"<dependency", "Common-Controls", "<dpiAware", "<gdiScaling"}) {
        EXPECT_EQ(std::string::npos, manifest.find(absent)) << absent;
    }
}

}  // namespace
}  // namespace scriblet::e2e
