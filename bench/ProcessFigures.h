#pragma once
// What one process costs, read from outside it. Wine leaves several of the usual figures at zero for
// another process (its CPU times and private usage, its handle count, GetGuiResources); those come from
// the Linux process behind each Windows process, or from the system's list of handles, instead.
#include <windows.h>

#include <filesystem>

namespace bench {

// Committed private memory as Windows counts private bytes: the process's committed, private regions.
double CommittedPrivateMebibytes(HANDLE process);

// Handles the process holds, from the system's list of every open handle.
int HandleCount(DWORD processId);

// Windows the process owns (top-level windows and all their children): its USER objects as far as
// they can be counted from outside.
int WindowCount(DWORD processId);

// The Linux process that runs a Windows program, found by its command line, which Wine sets to the
// program's Windows path.
class LinuxProcess {
public:
    explicit LinuxProcess(const std::filesystem::path& exe);

    // Exactly one Linux process runs that program.
    bool Found() const { return matches_ == 1; }

    // Time on a CPU so far, all threads, in seconds (from the scheduler's nanosecond counts).
    double CpuSeconds() const;

    // Resident pages that no other process shares (clean and dirty), in MiB.
    double PrivateResidentMebibytes() const;

    // Size of the Linux side's own heap, in MiB: where Wine's Unix half keeps what it allocates for the
    // process, GDI and USER objects among it, out of sight of the Windows memory calls.
    double UnixHeapMebibytes() const;

private:
    std::filesystem::path folder_;
    int matches_ = 0;
};

} // namespace bench
