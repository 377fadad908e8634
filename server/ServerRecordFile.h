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

// The record file's name; the program keeps it beside itself.
inline constexpr wchar_t kServerRecordFileName[] = L"RunningServers.txt";

// One server as kept across runs: enough to find its process again and to tell it from any other
// process that has its identifier by then.
struct ServerRecord {
    std::wstring name;
    ServerProcessInfo info{};
    uint64_t creationTime = 0;

    bool operator==(const ServerRecord&) const = default;
};

enum class ServerRecordReading {
    NoFile,  // nothing recorded: the normal case
    Whole,   // every record read
    Damaged, // something could not be read (damaged, cut, another version, unreadable) and was left out
};

// Reads the records of `path` into `records` (cleared first), every line that can be read.
ServerRecordReading ReadServerRecords(const std::wstring& path, std::vector<ServerRecord>& records);

// Replaces the file with `records`: written and flushed to disk under another name first, then renamed
// over the old one, so that neither a failure nor a power cut leaves half a file. No records: no file.
// False, with the old file unchanged, when it cannot be written.
bool WriteServerRecords(const std::wstring& path, const std::vector<ServerRecord>& records);
