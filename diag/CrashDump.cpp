#include "diag/CrashDump.h"

#include "base/ModulePath.h"

#include <dbghelp.h>

#include <cstdint>
#include <cstring>
#include <cwchar>

namespace {

constexpr wchar_t kDumpExtension[] = L".dmp";

// Room for the executable path plus prefix, thread id and extension.
constexpr size_t kDumpPathCapacity = kLongestPath + 64;

constexpr wchar_t kExtendedPrefix[] = L"\\\\?\\";
constexpr wchar_t kExtendedUncPrefix[] = L"\\\\?\\UNC\\";

using MiniDumpWriter = decltype(&MiniDumpWriteDump);
using SymbolsStarter = decltype(&SymInitializeW);
MiniDumpWriter writeMiniDump = nullptr; // set by LoadDumpWriter
SymbolsStarter startSymbols = nullptr;

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
    return std::wcsncmp(text, prefix, std::wcslen(prefix)) == 0;
}

// The prefix that lets a path of any length through the file API, and how much of `path` it replaces.
const wchar_t* ExtendedLengthPrefix(const wchar_t* path, size_t& replaced) {
    replaced = 0;
    if (StartsWith(path, kExtendedPrefix) || StartsWith(path, L"\\\\.\\"))
        return L""; // already free of the limit
    if (StartsWith(path, L"\\\\")) {
        replaced = 2; // \\server\share becomes \\?\UNC\server\share
        return kExtendedUncPrefix;
    }
    return kExtendedPrefix;
}

struct DumpPaths {
    wchar_t executable[kLongestPath];
    wchar_t dump[kDumpPathCapacity];
};

void WriteDumpFile(const wchar_t* path, EXCEPTION_POINTERS* exception, DWORD threadId) {
    if (!writeMiniDump)
        return;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    // dbghelp first reads every module's symbols of a process it does not know yet, which under Wine
    // includes Wine's own libraries and takes seconds; told of the process without them, it writes the
    // dump at once (0.07 s against 3 s under Wine).
    if (startSymbols)
        startSymbols(GetCurrentProcess(), nullptr, FALSE);
    MINIDUMP_EXCEPTION_INFORMATION information{};
    information.ThreadId = threadId;
    information.ExceptionPointers = exception;
    information.ClientPointers = TRUE;
    writeMiniDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, &information, nullptr,
                  nullptr);
    CloseHandle(file);
}

// The jump written over the start of SetUnhandledExceptionFilter. In a 32-bit process a 5-byte relative
// jump reaches every address; in a 64-bit one a relative jump reaches only 2 GiB, so the jump goes
// through the absolute address stored right behind it.
#if defined(__i386__)
struct FilterJump {
    unsigned char bytes[5] = {0xE9}; // jmp rel32
    explicit FilterJump(uintptr_t from, uintptr_t to) {
        auto displacement = static_cast<uint32_t>(to - from - sizeof bytes);
        std::memcpy(bytes + 1, &displacement, sizeof displacement);
    }
};
#elif defined(__x86_64__)
struct FilterJump {
    unsigned char bytes[14] = {0xFF, 0x25}; // jmp [rip+0], then the 8-byte address
    explicit FilterJump(uintptr_t, uintptr_t to) { std::memcpy(bytes + 6, &to, sizeof to); }
};
#else
#error "the filter lock knows x86 and x64 only"
#endif

} // namespace

void WriteCrashDump(EXCEPTION_POINTERS* exception, DWORD threadId) {
    // From the system rather than the heap, which may be what broke. Fresh pages come zeroed.
    void* memory = VirtualAlloc(nullptr, sizeof(DumpPaths), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!memory)
        return;
    auto* paths = static_cast<DumpPaths*>(memory);
    if (GetModulePath(nullptr, paths->executable, kLongestPath) != 0 &&
        FormatCrashDumpPath(paths->executable, threadId, paths->dump, kDumpPathCapacity))
        WriteDumpFile(paths->dump, exception, threadId);
    VirtualFree(memory, 0, MEM_RELEASE);
}

bool LoadDumpWriter() {
    if (writeMiniDump)
        return true;
    // The system's copy only: a library imported by name is looked for beside the program first. Never
    // freed: the filter calls into it.
    HMODULE dbghelp = LoadLibraryExW(L"dbghelp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!dbghelp)
        return false;
    FARPROC entry = GetProcAddress(dbghelp, "MiniDumpWriteDump");
    writeMiniDump = reinterpret_cast<MiniDumpWriter>(reinterpret_cast<void*>(entry));
    entry = GetProcAddress(dbghelp, "SymInitializeW");
    startSymbols = reinterpret_cast<SymbolsStarter>(reinterpret_cast<void*>(entry));
    return writeMiniDump != nullptr;
}

bool FormatCrashDumpPath(const wchar_t* executablePath, DWORD threadId, wchar_t* dumpPath, size_t capacity) {
    auto id = static_cast<unsigned long long>(threadId);
    // A negative length or one of `capacity` or more means the name was cut.
    int length = std::swprintf(dumpPath, capacity, L"%ls%llu%ls", executablePath, id, kDumpExtension);
    if (length >= 0 && length < MAX_PATH && static_cast<size_t>(length) < capacity)
        return true;
    size_t replaced = 0;
    const wchar_t* prefix = ExtendedLengthPrefix(executablePath, replaced);
    length = std::swprintf(dumpPath, capacity, L"%ls%ls%llu%ls", prefix, executablePath + replaced, id,
                           kDumpExtension);
    if (length >= 0 && static_cast<size_t>(length) < capacity)
        return true;
    if (capacity > 0)
        dumpPath[0] = L'\0';
    return false;
}

LPTOP_LEVEL_EXCEPTION_FILTER WINAPI IgnoreSetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER) {
    return nullptr;
}

void LockUnhandledExceptionFilter() {
    HMODULE kernel32 = LoadLibraryW(L"kernel32.dll"); // kept loaded: the patch lives in it
    if (!kernel32)
        return;
    FARPROC entry = GetProcAddress(kernel32, "SetUnhandledExceptionFilter");
    if (!entry)
        return;
    auto from = reinterpret_cast<uintptr_t>(entry);
    FilterJump jump(from, reinterpret_cast<uintptr_t>(&IgnoreSetUnhandledExceptionFilter));
    // WriteProcessMemory writes through the page's read-only protection itself.
    WriteProcessMemory(GetCurrentProcess(), reinterpret_cast<void*>(from), jump.bytes, sizeof jump.bytes,
                       nullptr);
}
