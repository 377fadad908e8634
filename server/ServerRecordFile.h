#pragma once
// The file in which Brenlow keeps its running servers across runs, so that a Brenlow started after an
// unexpected end finds them again. UTF-16 text with a byte-order mark and CR LF line ends, so that names
// keep every character exactly:
//
//   Brenlow running servers 1 <count>
//   <checksum> <process id> <reserved> <creation time> <name>      (count lines)
//
// 1 is the format's version. The checksum (8 hexadecimal digits, FNV-1a over the UTF-16 code units of
// the rest of its line) tells a damaged line; the count tells a file cut after a whole line. The
// creation time is the process's, a FILETIME as one decimal number; the name runs to the line's end.
#include "server/ServerProcessInfo.h"

#include <cstdint>
#include <string>
#include <vector>

// The record file's name for the Windows session `sessionId` ("RunningServers-<id>.txt"); the program
// keeps it beside itself. One Brenlow runs per session, so each Brenlow has a file of its own, also when
// users of two sessions (two remote desktops) start it from one folder: neither overwrites the other's
// record, nor does a clean close of one remove the other's.
std::wstring ServerRecordFileName(unsigned long sessionId);
// The file's name for the session of this process.
std::wstring ServerRecordFileNameOfThisSession();

// One server as kept across runs: enough to find its process again and to tell it from any other
// process that has its identifier by then.
struct ServerRecord {
    std::wstring name;
    ServerProcessInfo info{};
    uint64_t creationTime = 0;

    bool operator==(const ServerRecord&) const = default;
};

enum class ServerRecordReading {
    NoFile,      // nothing recorded: the normal case
    Whole,       // every record read
    Damaged,     // something could not be read (damaged, cut, another version) and was left out
    Unavailable, // the file cannot be opened now (another program holds it, it may not be read, ...)
};

// Reads the records of `path` into `records` (cleared first), every line that can be read; or, when a
// whole replacement lies beside it (`path` + ".new", which could not be renamed over it), that one's.
ServerRecordReading ReadServerRecords(const std::wstring& path, std::vector<ServerRecord>& records);

// Replaces the file with `records`: written and flushed to disk under another name first, then renamed
// over the old one, so that neither a failure nor a power cut leaves half a file. No records: no file.
// False, with the old file unchanged, when it cannot be replaced; a replacement that was written but
// could not be renamed over it (another program holds it) stays beside it, and the next reading takes
// it, so that a Brenlow ended before it can write again loses nothing.
bool WriteServerRecords(const std::wstring& path, const std::vector<ServerRecord>& records);
