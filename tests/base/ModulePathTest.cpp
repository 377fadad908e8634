// The executable's folder, read through the real call at each path length that matters.
#include "base/ModulePath.h"

#include <windows.h>

#include <winternl.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Wine cannot start a program from a path longer than MAX_PATH (CreateProcessW fails with error 2), so
// the main module's name in the loader's list is lengthened in place for the length cases; the real
// GetModuleFileNameW then reports it, cutting it at the buffer's size as it does for any long path.
class ScopedModuleFileName {
public:
    explicit ScopedModuleFileName(std::wstring name) : name_(std::move(name)) {
        PROCESS_BASIC_INFORMATION process{};
        NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &process, sizeof process,
                                  nullptr);
        PEB_LDR_DATA* loader = process.PebBaseAddress->Ldr;
        LIST_ENTRY* head = &loader->InMemoryOrderModuleList;
        for (LIST_ENTRY* link = head->Flink; link != head; link = link->Flink) {
            auto* module = CONTAINING_RECORD(link, LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks);
            if (module->DllBase == GetModuleHandleW(nullptr))
                entry_ = &module->FullDllName;
        }
        if (!entry_)
            return;
        saved_ = *entry_;
        entry_->Buffer = name_.data();
        entry_->Length = static_cast<USHORT>(name_.size() * sizeof(wchar_t));
        entry_->MaximumLength = static_cast<USHORT>(entry_->Length + sizeof(wchar_t));
    }
    ~ScopedModuleFileName() {
        if (entry_)
            *entry_ = saved_;
    }
    bool active() const { return entry_ != nullptr; }

private:
    std::wstring name_;
    UNICODE_STRING* entry_ = nullptr;
    UNICODE_STRING saved_{};
};

// A program path of exactly `length` characters.
std::wstring ProgramPathOfLength(size_t length) {
    std::wstring path = L"D:\\Games\\Host";
    while (path.size() + 1 + 200 + 12 < length)
        path += L"\\" + std::wstring(200, L'd');
    path += L"\\" + std::wstring(length - path.size() - 1 - 11, L'n') + L"Brenlow.exe";
    return path;
}

TEST(ModuleDirectory, IsTheProgramsFolderUpTo519CharactersAndNothingBeyond) {
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring folder = L"<untouched>";
    ASSERT_TRUE(GetModuleDirectory(folder));
    EXPECT_EQ(folder, std::filesystem::path(program).parent_path().wstring());

    std::wstring longest = ProgramPathOfLength(519);
    ASSERT_EQ(longest.size(), 519u);
    {
        ScopedModuleFileName name(longest);
        ASSERT_TRUE(name.active());
        EXPECT_TRUE(GetModuleDirectory(folder));
    }
    EXPECT_EQ(folder, longest.substr(0, longest.rfind(L'\\')));

    for (size_t length : {520, 521, 1000}) {
        ScopedModuleFileName name(ProgramPathOfLength(length));
        folder = L"<untouched>";
        EXPECT_FALSE(GetModuleDirectory(folder)) << length;
        EXPECT_EQ(folder, L"<untouched>") << length;
    }

    // Only the backslash separates: with none, the whole path comes back with false.
    ScopedModuleFileName name(L"D:/Games/Host/Brenlow.exe");
    EXPECT_FALSE(GetModuleDirectory(folder));
    EXPECT_EQ(folder, L"D:/Games/Host/Brenlow.exe");
}

} // namespace
