#include "CrashDumps.h"

#include "TestSupport.h"

#include <dbghelp.h>

#include <cstdio>

namespace testsupport {

namespace {

struct FatalErrorSearch {
    DWORD processId;
    HWND box = nullptr;
};

BOOL CALLBACK MatchFatalErrorBox(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<FatalErrorSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window) ||
        !FindWindowExW(window, nullptr, L"Static", L"Fatal Error"))
        return TRUE;
    search->box = window;
    return FALSE;
}

} // namespace

HWND FindFatalErrorBox(DWORD processId) {
    FatalErrorSearch search{processId};
    EnumWindows(MatchFatalErrorBox, reinterpret_cast<LPARAM>(&search));
    return search.box;
}

DumpFacts ReadDump(const std::filesystem::path& file) {
    DumpFacts facts;
    std::wstring extended = L"\\\\?\\" + file.wstring();
    HANDLE handle =
        CreateFileW(extended.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return facts;
    HANDLE mapping = CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    void* base = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
    MINIDUMP_DIRECTORY* entry = nullptr;
    void* stream = nullptr;
    ULONG size = 0;
    if (base && MiniDumpReadDumpStream(base, ExceptionStream, &entry, &stream, &size) &&
        size >= sizeof(MINIDUMP_EXCEPTION_STREAM)) {
        auto* exception = static_cast<MINIDUMP_EXCEPTION_STREAM*>(stream);
        facts.readable = true;
        facts.type = static_cast<MINIDUMP_HEADER*>(base)->Flags;
        facts.threadId = exception->ThreadId;
        facts.exceptionCode = exception->ExceptionRecord.ExceptionCode;
    }
    if (base)
        UnmapViewOfFile(base);
    if (mapping)
        CloseHandle(mapping);
    CloseHandle(handle);
    return facts;
}

void KeepDumpForReading(const std::filesystem::path& dump, const std::wstring& name,
                        const DumpReading& expected) {
    std::filesystem::path kept = ExecutableFolder() / L"kept-dumps" / name;
    std::filesystem::remove_all(kept);
    std::filesystem::create_directories(kept);
    std::filesystem::copy_file(dump, kept / dump.filename());
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(expected.exceptionCode));
    WriteFileBytes(kept / L"expected.txt", "program=" + Utf8(expected.program) + "\ncode=" + code +
                                               "\nfunction=" + expected.function + "\n");
}

} // namespace testsupport
