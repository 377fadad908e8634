#pragma once
#include <windows.h>

#include <fstream>
#include <string>

// The diagnostic log: log\Quillane.txt beside the executable, appended in text mode (CR LF), GBK text,
// every line also sent to the debugger output. No failure of the log is ever reported.

// Narrow, unconverted bytes; owns the open file for the whole process.
extern std::ofstream LogStream;

// Lines below this level are dropped from both outputs.
inline constexpr int kMinLogLevel = 4;
// Size of the formatting buffer: messages keep at most kLogMessageBufferSize - 1 bytes.
inline constexpr size_t kLogMessageBufferSize = 102400;

// Builds <program folder>\log\Quillane.txt and creates the log folder when missing.
bool GetLogFilePath(std::wstring& path);
bool OpenLogFile();
void WriteLog(int level, const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
void CloseLogFile();
// Writes the buffered lines to the file when there are any. Called every two seconds while the program
// runs, so that a program ended from outside loses at most the lines of its last two seconds.
void FlushPendingLog();
// Writes the buffered lines to the file unless another write holds the log, in which case it returns at
// once: for the crash filter, which must never wait.
void FlushLogIfFree();

// The header of one line (tag, local time, thread id, level), as WriteLog writes it.
std::string FormatLogHeader(const SYSTEMTIME& time, DWORD threadId, int level);
