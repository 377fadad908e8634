// Brenlow's resources, read back from an executable built with them.
#include "ui/resource.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <vector>

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

// The processor architecture of the common-controls assembly: the program's own.
constexpr const char* kArchitecture = sizeof(void*) == 8 ? "amd64" : "x86";

fs::path Probe() {
    return ExecutableFolder() / L"resource_probe.exe";
}

class ResourceTest : public ::testing::Test {
protected:
    HMODULE module =
        LoadLibraryExW(Probe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);

    void SetUp() override { ASSERT_NE(module, nullptr) << "cannot open " << Utf8(Probe().wstring()); }
    void TearDown() override { FreeLibrary(module); }

    std::string Resource(const wchar_t* type, int id) {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
        if (!found)
            return {};
        auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
        return std::string(bytes, SizeofResource(module, found));
    }
};

class VersionResourceTest : public ::testing::Test {
protected:
    std::vector<char> block;

    void SetUp() override {
        DWORD size = GetFileVersionInfoSizeW(Probe().c_str(), nullptr);
        ASSERT_GT(size, 0u);
        block.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(Probe().c_str(), 0, size, block.data()));
    }

    template <typename T> const T* Value(const std::wstring& path, UINT* length = nullptr) {
        void* value = nullptr;
        UINT size = 0;
        if (!VerQueryValueW(block.data(), path.c_str(), &value, &size))
            return nullptr;
        if (length)
            *length = size;
        return static_cast<const T*>(value);
    }
};

TEST_F(VersionResourceTest, CarriesVersion1_0_0_1OfAnApplication) {
    auto* fixed = Value<VS_FIXEDFILEINFO>(L"\\");
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    UINT length = 0;
    auto* translation = Value<WORD>(L"\\VarFileInfo\\Translation", &length);
    ASSERT_NE(translation, nullptr);
    ASSERT_EQ(length, 4u) << "exactly one language";
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);
}

TEST_F(VersionResourceTest, StringsReadBackExactly) {
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"FileDescription", L"专用服务器启动工具"},
        {L"FileVersion", L"1.0.0.1"},
        {L"InternalName", L"Brenlow.exe"},
        {L"OriginalFilename", L"Brenlow.exe"},
        {L"ProductName", L"Brenlow"},
        {L"ProductVersion", L"1.0.0.1"},
    };
    for (const auto& [name, text] : expected) {
        auto* value = Value<wchar_t>(std::wstring(L"\\StringFileInfo\\040904B0\\") + name);
        ASSERT_NE(value, nullptr) << Utf8(name);
        EXPECT_EQ(std::wstring(value), text) << Utf8(name);
    }
}

TEST_F(ResourceTest, ManifestAsksForCommonControls6AsInvokerAndDpiAwareness) {
    std::string manifest = Resource(RT_MANIFEST, 1);
    ASSERT_FALSE(manifest.empty());
    std::string architecture = std::string("processorArchitecture=\"") + kArchitecture + "\"";
    for (const char* part :
         {R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")", architecture.c_str(),
          R"(publicKeyToken="6595b64144ccf1df" language="*")",
          R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)", ">true</dpiAware>"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

// The side-by-side store hands out the version 6 library only for a manifest that names it exactly.
// (Wine makes every process DPI-aware, so the other settings show no effect here.)
TEST(ManifestEffect, TheProgramGetsCommonControls6) {
    DebuggedRun run = RunUnderDebugger(Probe(), L"");
    ASSERT_EQ(run.debugStrings.size(), 1u);
    std::string controls = run.debugStrings[0];
    for (char& c : controls)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(controls.find(std::string("\\winsxs\\") + kArchitecture +
                            "_microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
              std::string::npos)
        << controls;
}

TEST_F(ResourceTest, IconGroup128HoldsOne128x128ImageOf32BitsWithTransparency) {
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
    struct Group {
        WORD reserved, type, count;
        GroupEntry entries[1];
    };
#pragma pack(pop)
    std::string groupBytes = Resource(RT_GROUP_ICON, IDR_MAINFRAME);
    ASSERT_EQ(groupBytes.size(), sizeof(Group));
    auto* group = reinterpret_cast<const Group*>(groupBytes.data());
    EXPECT_EQ(group->type, 1);
    ASSERT_EQ(group->count, 1);
    const GroupEntry& entry = group->entries[0];
    EXPECT_EQ(entry.width, 128);
    EXPECT_EQ(entry.height, 128);
    EXPECT_EQ(entry.bitCount, 32);

    std::string image = Resource(RT_ICON, entry.id);
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER) + 128 * 128 * 4);
    auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
    EXPECT_EQ(header->biWidth, 128);
    EXPECT_EQ(header->biHeight, 2 * 128) << "colour and mask";
    ASSERT_EQ(header->biBitCount, 32);
    // Alpha of the colour pixels: a real drawing is clear in places and solid in others.
    const auto* pixels = reinterpret_cast<const BYTE*>(image.data() + header->biSize);
    int clear = 0, solid = 0;
    for (int pixel = 0; pixel < 128 * 128; ++pixel) {
        BYTE alpha = pixels[pixel * 4 + 3];
        clear += alpha == 0;
        solid += alpha == 255;
    }
    EXPECT_GT(clear, 128 * 8);
    EXPECT_GT(solid, 128 * 64);

    HICON icon =
        CreateIconFromResourceEx(reinterpret_cast<BYTE*>(image.data()), static_cast<DWORD>(image.size()),
                                 TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
    EXPECT_NE(icon, nullptr) << "the system must accept the image as an icon";
    DestroyIcon(icon);
}

TEST_F(ResourceTest, CarriesTheThreeDialogTemplates) {
    for (int id : {IDD_BRENLOW_DIALOG, IDD_DIALOG_TIPS, IDD_DIALOG_ERRORMSG})
        EXPECT_FALSE(Resource(RT_DIALOG, id).empty()) << id;
}

} // namespace
