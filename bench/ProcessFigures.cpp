#include "ProcessFigures.h"

#include "base/TextEncoding.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace bench {

double CommittedPrivateMebibytes(HANDLE process) {
    SIZE_T bytes = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (auto* address = static_cast<BYTE*>(nullptr);
         VirtualQueryEx(process, address, &region, sizeof region) == sizeof region;
         address = static_cast<BYTE*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            bytes += region.RegionSize;
        if (static_cast<BYTE*>(region.BaseAddress) + region.RegionSize < address)
            break; // wrapped around the top of the address space
    }
    return bytes / (1024.0 * 1024.0);
}

namespace {

// NtQuerySystemInformation's SystemHandleInformation: one entry per open handle in the system.
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
struct SystemHandleEntry {
    ULONG ownerProcessId;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    void* object;
    ULONG access;
};
struct SystemHandles {
    ULONG count;
    SystemHandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

struct OwnedWindows {
    DWORD processId;
    int count;
};

BOOL CALLBACK CountOwnedWindow(HWND window, LPARAM data) {
    auto* owned = reinterpret_cast<OwnedWindows*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == owned->processId) {
        ++owned->count;
        EnumChildWindows(window, CountWindow, reinterpret_cast<LPARAM>(&owned->count)); // all descendants
    }
    return TRUE;
}

// Whole file as bytes, or what could be read of it: a process under /proc may end while it is read,
// and the C++ streams would throw for that.
std::string ReadAll(const fs::path& file) {
    std::string bytes;
    FILE* in = _wfopen(file.c_str(), L"rb");
    if (!in)
        return bytes;
    char chunk[4096];
    for (size_t read; (read = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
        bytes.append(chunk, read);
    std::fclose(in);
    return bytes;
}

} // namespace

int HandleCount(DWORD processId) {
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    std::vector<BYTE> buffer(1 << 20);
    ULONG needed = 0;
    LONG status;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                           &needed)) == kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status < 0)
        return -1;
    const auto* handles = reinterpret_cast<const SystemHandles*>(buffer.data());
    int count = 0;
    for (ULONG i = 0; i < handles->count; ++i)
        count += handles->entries[i].ownerProcessId == processId;
    return count;
}

int WindowCount(DWORD processId) {
    OwnedWindows owned{processId, 0};
    EnumWindows(CountOwnedWindow, reinterpret_cast<LPARAM>(&owned));
    return owned.count;
}

LinuxProcess::LinuxProcess(const fs::path& exe) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(L"Z:\\proc", error)) {
        const std::wstring name = entry.path().filename().wstring();
        if (name.find_first_not_of(L"0123456789") != std::wstring::npos)
            continue;
        std::string commandLine = ReadAll(entry.path() / L"cmdline");
        std::string program = commandLine.substr(0, commandLine.find('\0'));
        if (!lstrcmpiW(FromUtf8(program).c_str(), exe.c_str())) {
            matches_++;
            folder_ = entry.path();
        }
    }
}

// /proc/<pid>/task/<tid>/schedstat begins with the thread's time on a CPU in nanoseconds; the process
// figure in /proc/<pid>/stat counts in ticks of 10 ms, too coarse for a program that idles.
double LinuxProcess::CpuSeconds() const {
    unsigned long long nanoseconds = 0;
    std::error_code error;
    for (const auto& thread : fs::directory_iterator(folder_ / L"task", error)) {
        unsigned long long onCpu = 0;
        std::istringstream(ReadAll(thread.path() / L"schedstat")) >> onCpu;
        nanoseconds += onCpu;
    }
    return nanoseconds / 1e9;
}

namespace {

// The sum of the `keys` fields ("Private_Dirty:     1234 kB") of a smaps file, in MiB. With a
// `mapping`, only the fields of the mapping whose header line ends with that name count.
double SumOfFields(const std::string& smaps, std::initializer_list<const char*> keys,
                   const char* mapping = nullptr) {
    std::istringstream lines(smaps);
    std::string line;
    unsigned long long kilobytes = 0;
    bool counting = !mapping;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string key;
        unsigned long long value = 0;
        if (!(words >> key))
            continue;
        if (key.find('-') != std::string::npos && key.back() != ':') { // a mapping's header line
            counting = !mapping || line.ends_with(mapping);
            continue;
        }
        if (counting && words >> value && std::find(keys.begin(), keys.end(), key) != keys.end())
            kilobytes += value;
    }
    return kilobytes / 1024.0;
}

} // namespace

double LinuxProcess::PrivateResidentMebibytes() const {
    return SumOfFields(ReadAll(folder_ / L"smaps_rollup"), {"Private_Clean:", "Private_Dirty:"});
}

double LinuxProcess::UnixHeapMebibytes() const {
    return SumOfFields(ReadAll(folder_ / L"smaps"), {"Size:"}, "[heap]");
}

} // namespace bench
