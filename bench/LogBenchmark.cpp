// Throughput of WriteLog into a real log file, and how many bytes each write call hands to the C runtime
// (the stream's buffer decides that: lines must not reach the system one by one).
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "diag/LogFile.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>

namespace {

constexpr int kLines = 200000;
constexpr int kRounds = 3;
// 58 bytes of message after a header of about 42: lines of about 100 bytes.
constexpr char kMessage[] = "[TarnLauncherWrapper]benchmark line with some ordinary text";

using CrtWrite = int(__cdecl*)(int, const void*, unsigned);
CrtWrite realWrite = nullptr;
long long writeCalls = 0;
long long writeBytes = 0;

int __cdecl CountingWrite(int fd, const void* data, unsigned size) {
    ++writeCalls;
    writeBytes += size;
    return realWrite(fd, data, size);
}

// Points every import of `target` in our own executable at `replacement`.
bool RedirectImport(void* target, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* nt =
        reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    bool redirected = false;
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name; ++module) {
        for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk); thunk->u1.Function;
             ++thunk) {
            if (thunk->u1.Function != reinterpret_cast<DWORD_PTR>(target))
                continue;
            DWORD protection;
            VirtualProtect(&thunk->u1.Function, sizeof(DWORD_PTR), PAGE_READWRITE, &protection);
            thunk->u1.Function = reinterpret_cast<DWORD_PTR>(replacement);
            VirtualProtect(&thunk->u1.Function, sizeof(DWORD_PTR), protection, &protection);
            redirected = true;
        }
    }
    return redirected;
}

std::filesystem::path LogFilePath() {
    std::wstring path;
    GetLogFilePath(path);
    return path;
}

} // namespace

void RunLogBenchmark() {
    void* crtWrite = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"msvcrt.dll"), "_write"));
    realWrite = reinterpret_cast<CrtWrite>(crtWrite);
    bool counting = realWrite && RedirectImport(crtWrite, reinterpret_cast<void*>(&CountingWrite));
    std::filesystem::path file = LogFilePath();
    std::error_code ignored;

    long long bytesInFile = 0;
    double seconds = MedianSeconds(kRounds, [&] {
        std::filesystem::remove(file, ignored);
        writeCalls = writeBytes = 0;
        OpenLogFile();
        for (int i = 0; i < kLines; ++i)
            WriteLog(4, kMessage);
        CloseLogFile();
        bytesInFile = static_cast<long long>(std::filesystem::file_size(file, ignored));
    });
    std::filesystem::remove(file, ignored);

    std::printf("log: %d lines of about 100 bytes through WriteLog, median of %d rounds\n", kLines, kRounds);
    std::printf("log:   %.0f lines per second (%.2f s)\n", kLines / seconds, seconds);
    std::printf("log:   file size %lld bytes (CR LF line ends)\n", bytesInFile);
    if (counting)
        std::printf("log:   %lld write calls to the C runtime, %.0f bytes per call on average\n", writeCalls,
                    writeCalls ? static_cast<double>(writeBytes) / writeCalls : 0.0);
    else
        std::printf("log:   write calls not counted: the C runtime's _write import was not found\n");
}
