#pragma once
// Every message the server manager logs. The Chinese ones are GBK (code page 936) bytes, because the log
// file is GBK text; the wide text stands beside each for readers and for the tests.

// The level each of them is logged at, the lowest one the log keeps.
inline constexpr int kServerLogLevel = 4;

// 找不到指定目录,请检查该目录是否存在
inline constexpr char kLogFolderNotFound[] =
    "\xD5\xD2\xB2\xBB\xB5\xBD\xD6\xB8\xB6\xA8\xC4\xBF\xC2\xBC\x2C\xC7"
    "\xEB\xBC\xEC\xB2\xE9\xB8\xC3\xC4\xBF\xC2\xBC\xCA\xC7\xB7\xF1\xB4"
    "\xE6\xD4\xDA";
// 指定路径不是目录
inline constexpr char kLogPathNotFolder[] =
    "\xD6\xB8\xB6\xA8\xC2\xB7\xBE\xB6\xB2\xBB\xCA\xC7\xC4\xBF\xC2\xBC";

inline constexpr char kLogGetAllSubDirException[] = "[TarnLauncherWrapper]GetAllSubDir exceptions";
inline constexpr char kLogGetDocumentPathFailed[] = "[TarnLauncherWrapper]GetDocumentPath failed";
inline constexpr char kLogGetServerConfigListException[] =
    "[TarnLauncherWrapper]GetAllSubDir GetServerConfigList";
inline constexpr char kLogIsProcessRunningException[] = "[TarnLauncherWrapper]IsProcessRunning exception";
inline constexpr char kLogLauncherNotLoaded[] = "[TarnLauncherWrapper]g_tarndll_inst is null";
inline constexpr char kLogServerRecordsDamaged[] =
    "[TarnLauncherWrapper]AdoptRecordedServers dropped records that could not be read";
inline constexpr char kLogServerRecordsUnwritable[] =
    "[TarnLauncherWrapper]SaveRecords cannot write the records";
inline constexpr char kLogServerRecordsUnavailable[] =
    "[TarnLauncherWrapper]AdoptRecordedServers cannot open the records now";
