// The log: 200,000 lines through WriteLog into a real log file. Floor: the same lines, formatted the same
// way, handed to the debugger output and to a buffered C stream, with nothing else around them.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "diag/LogFile.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr int kLines = 200000;
constexpr int kRounds = 7;
// 58 bytes of message after a header of about 42: lines of about 100 bytes.
constexpr char kMessage[] = "[TarnLauncherWrapper]benchmark line with some ordinary text";

void WriteFloorLines(const fs::path& file) {
    FILE* out = _wfopen(file.c_str(), L"a"); // text mode: CR LF, as the log writes
    char line[256];
    for (int i = 0; i < kLines; ++i) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        int length =
            std::snprintf(line, sizeof line, "Quillane.[%04d-%02d-%02d %02d:%02d:%02d.%03d][%d][%d]%s\n",
                          now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                          now.wMilliseconds, static_cast<int>(GetCurrentThreadId()), 4, kMessage);
        OutputDebugStringA(line);
        if (out)
            std::fwrite(line, 1, length, out);
    }
    if (out)
        std::fclose(out);
}

} // namespace

void RunLogBenchmark() {
    std::wstring logFile;
    GetLogFilePath(logFile);
    const fs::path floorFile = fs::path(logFile).parent_path() / L"floor.txt";
    std::error_code ignored;
    bench::Medians seconds = bench::MedianSecondsInTurns(
        kRounds,
        [&] {
            fs::remove(logFile, ignored);
            OpenLogFile();
            for (int i = 0; i < kLines; ++i)
                WriteLog(4, kMessage);
            CloseLogFile();
        },
        [&] {
            fs::remove(floorFile, ignored);
            WriteFloorLines(floorFile);
        });
    bool sameSize = fs::file_size(logFile, ignored) == fs::file_size(floorFile, ignored);
    fs::remove(logFile, ignored);
    fs::remove(floorFile, ignored);

    bench::PrintMeasure("log", seconds.brenlow * 1e3, seconds.floor * 1e3, "ms", 0);
    if (!sameSize)
        bench::PrintNote("log: the two files differ in size");
}
