#pragma once
// Helpers shared by the test executables: temporary folders, child processes, bounded waits.
#include "base/TextEncoding.h" // Utf8 for readable assertion messages

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under %TEMP%, removed with everything in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::wstring& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The folder of the running test executable (its build output folder).
std::filesystem::path ExecutableFolder();

// Copies a program of the build output folder (name without folder) into `folder`, optionally renamed.
std::filesystem::path CopyProgram(const std::wstring& name, const std::filesystem::path& folder,
                                  const std::wstring& newName = L"");

// The outcome of a child process run to its end under our debugger.
struct DebuggedRun {
    DWORD exitCode = 0;
    std::vector<std::string> debugStrings; // OutputDebugStringA texts, in order
};

// The debugger loop of `process`, which this thread started as a debuggee: hands every OutputDebugStringA
// text to `onText` and returns the exit code at the exit event. Every exception but the initial
// breakpoint is left to the program. After 100 ms without an event `giveUp` is asked; once it answers
// true, the loop waits one second more for each further event and returns nothing when none comes.
std::optional<DWORD> FollowDebuggee(HANDLE process, const std::function<void(std::string&&)>& onText,
                                    const std::function<bool()>& giveUp);

// Starts `program` with `arguments` as a debuggee, collects its debug output until it exits.
// Fails the calling test (and returns exit code 0xDEAD) when it does not end within `timeout`.
DebuggedRun RunUnderDebugger(const std::filesystem::path& program, const std::wstring& arguments,
                             std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Starts `program` with `arguments` (quoted as Windows does) and returns its process information.
PROCESS_INFORMATION StartProcess(const std::filesystem::path& program, const std::wstring& arguments);

// Runs `program` to its end and returns its exit code (0xDEAD on time-out, after terminating it).
DWORD RunProcess(const std::filesystem::path& program, const std::wstring& arguments,
                 std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Polls `condition` every 10 ms until it holds or `timeout` passes; returns the last answer.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Wide text in GBK (code page 936), the log file's encoding.
std::string Gbk(const std::wstring& text);

// The lines of text written with CR LF line ends. A bare LF stays inside its line, and bytes after the
// last line end come as a last line marked "<no line end>", so that a comparison shows either.
std::vector<std::string> CrLfLines(const std::string& bytes);

// Whole file as bytes; empty when missing.
std::string ReadFileBytes(const std::filesystem::path& file);
void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes);

// Whether this is the 64-bit build of the tests (and of the programs they run), made for hosts that
// cannot run 32-bit programs. Cases of a 32-bit Brenlow beside 64-bit programs skip there.
inline constexpr bool k64BitBuild = sizeof(void*) == 8;
inline constexpr char kNeeds32BitBuild[] = "a case of the 32-bit build and a program of the other build: in "
                                           "the 64-bit build every program is 64-bit";

// Whether this process runs on 64-bit Windows, the only kind on which 64-bit programs run.
bool Is64BitWindows();
inline constexpr char kNeeds64BitWindows[] = "a 64-bit program cannot run on 32-bit Windows";
// Whether `process` is a 64-bit program (a process handle with at least limited query rights).
bool Is64BitProcess(HANDLE process);

} // namespace testsupport
