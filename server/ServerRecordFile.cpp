#include "server/ServerRecordFile.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <set>
#include <string_view>

namespace {

constexpr wchar_t kByteOrderMark = L'\xFEFF';
constexpr std::wstring_view kHeader = L"Brenlow running servers 1 ";
constexpr std::wstring_view kLineEnd = L"\r\n";
// The replacement is written under the record's name and this, and then renamed over the record.
constexpr wchar_t kReplacementSuffix[] = L".new";
// Ten records of the longest names a command line takes fit many times over; a larger file is not ours.
constexpr LONGLONG kLargestFile = 1 << 20;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

FileHandle OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
    HANDLE file =
        CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return FileHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

uint32_t Checksum(std::wstring_view text) {
    uint32_t hash = 2166136261u;
    for (wchar_t unit : text) {
        hash ^= static_cast<uint16_t>(unit);
        hash *= 16777619u;
    }
    return hash;
}

std::wstring Hexadecimal(uint32_t value) {
    wchar_t digits[9];
    std::swprintf(digits, 9, L"%08X", static_cast<unsigned>(value));
    return digits;
}

// The decimal number that `digits` is: no sign, no leading zero unless it is 0, at most `largest`.
bool ParseNumber(std::wstring_view digits, uint64_t largest, uint64_t& value) {
    if (digits.empty() || (digits[0] == L'0' && digits.size() > 1))
        return false;
    value = 0;
    for (wchar_t digit : digits) {
        if (digit < L'0' || digit > L'9' || value > (largest - (digit - L'0')) / 10)
            return false;
        value = value * 10 + (digit - L'0');
    }
    return true;
}

// Takes the number at the front of `text` and the blank that ends it.
bool TakeNumber(std::wstring_view& text, uint64_t largest, uint64_t& value) {
    size_t blank = text.find(L' ');
    if (blank == std::wstring_view::npos || !ParseNumber(text.substr(0, blank), largest, value))
        return false;
    text.remove_prefix(blank + 1);
    return true;
}

std::wstring FormatRecord(const ServerRecord& record) {
    std::wstring text = std::to_wstring(record.info.ProcessId) + L' ' +
                        std::to_wstring(record.info.Reserved) + L' ' + std::to_wstring(record.creationTime) +
                        L' ' + record.name;
    return Hexadecimal(Checksum(text)) + L' ' + text;
}

bool ParseRecord(std::wstring_view line, ServerRecord& record) {
    if (line.size() < 9 || line[8] != L' ' || line.substr(0, 8) != Hexadecimal(Checksum(line.substr(9))))
        return false;
    line.remove_prefix(9);
    uint64_t processId = 0, reserved = 0;
    if (!TakeNumber(line, UINT32_MAX, processId) || !TakeNumber(line, UINT32_MAX, reserved) ||
        !TakeNumber(line, UINT64_MAX, record.creationTime))
        return false;
    record.info = {static_cast<uint32_t>(processId), static_cast<uint32_t>(reserved)};
    record.name = line;
    return true;
}

// The file's text, or false when it cannot be read or is too large to be ours. A last odd byte, half of
// a character, is left out.
bool ReadText(HANDLE file, std::wstring& text, bool& cut) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart > kLargestFile)
        return false;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size())
        return false;
    text.assign(bytes.size() / sizeof(wchar_t), L'\0');
    bytes.copy(reinterpret_cast<char*>(text.data()), text.size() * sizeof(wchar_t));
    cut = bytes.size() % sizeof(wchar_t) != 0;
    return true;
}

// Every whole record of `text`; false when anything else was found.
bool ParseRecords(std::wstring_view text, std::vector<ServerRecord>& records) {
    if (text.empty() || text[0] != kByteOrderMark)
        return false;
    text.remove_prefix(1);
    bool whole = true;
    size_t lines = 0;
    uint64_t count = 0;
    std::set<std::wstring> names;
    for (size_t end; (end = text.find(kLineEnd)) != std::wstring_view::npos; text.remove_prefix(end + 2)) {
        std::wstring_view line = text.substr(0, end);
        if (lines++ == 0) {
            if (!line.starts_with(kHeader) || !ParseNumber(line.substr(kHeader.size()), UINT32_MAX, count))
                return false; // not ours, or another version: nothing in it can be trusted
            continue;
        }
        ServerRecord record;
        if (ParseRecord(line, record) && names.insert(record.name).second)
            records.push_back(std::move(record));
        else
            whole = false;
    }
    return whole && text.empty() && lines == count + 1;
}

// Renames the open file over `target`, through its own handle: half the cost of MoveFileExW under Wine,
// which opens the file a second time.
bool RenameOver(HANDLE file, const std::wstring& target) {
    const size_t nameBytes = target.size() * sizeof(wchar_t);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::copy_n(target.data(), target.size(), rename->FileName);
    return SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
}

ServerRecordReading ReadOneFile(const std::wstring& path, std::vector<ServerRecord>& records) {
    records.clear();
    FileHandle file = OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!file) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? ServerRecordReading::NoFile : ServerRecordReading::Unavailable;
    }
    std::wstring text;
    bool cut = false;
    if (!ReadText(file.get(), text, cut))
        return ServerRecordReading::Damaged;
    return ParseRecords(text, records) && !cut ? ServerRecordReading::Whole : ServerRecordReading::Damaged;
}

} // namespace

std::wstring ServerRecordFileName(unsigned long sessionId) {
    return L"RunningServers-" + std::to_wstring(sessionId) + L".txt";
}

std::wstring ServerRecordFileNameOfThisSession() {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return ServerRecordFileName(session);
}

ServerRecordReading ReadServerRecords(const std::wstring& path, std::vector<ServerRecord>& records) {
    // A whole replacement beside the record is newer than it: it could not be renamed over it.
    if (ReadOneFile(path + kReplacementSuffix, records) == ServerRecordReading::Whole)
        return ServerRecordReading::Whole;
    return ReadOneFile(path, records);
}

bool WriteServerRecords(const std::wstring& path, const std::vector<ServerRecord>& records) {
    if (records.empty()) {
        DeleteFileW((path + kReplacementSuffix).c_str());
        return DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    }

    std::wstring text(1, kByteOrderMark);
    text += kHeader;
    text += std::to_wstring(records.size()) + std::wstring(kLineEnd);
    for (const ServerRecord& record : records)
        text += FormatRecord(record) + std::wstring(kLineEnd);

    const std::wstring replacement = path + kReplacementSuffix;
    bool written = false;
    if (FileHandle file = OpenFile(replacement, GENERIC_WRITE | DELETE, 0, CREATE_ALWAYS)) {
        const auto size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        DWORD done = 0;
        written = WriteFile(file.get(), text.data(), size, &done, nullptr) && done == size &&
                  FlushFileBuffers(file.get());
        if (written && RenameOver(file.get(), path))
            return true;
    }
    // A whole replacement that cannot take the record's place stays beside it, for the next reading.
    if (!written)
        DeleteFileW(replacement.c_str());
    return false;
}
