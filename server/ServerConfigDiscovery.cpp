// The cluster configurations on disk: the sub-folders of <Documents>\Vornak\MoorwakeTarn that hold the
// marker file. Every failure is logged and ends in a shorter or empty list, never in an error.
#include "server/TarnLauncherWrapper.h"

#include "diag/LogFile.h"
#include "server/LogMessages.h"
#include "server/ServerNames.h"

#include <windows.h>

#include <shlobj.h>

#include <boost/filesystem.hpp>

namespace fs = boost::filesystem;

namespace {

// Starts a walk over `folder`, or logs why there is none and returns false. Opening the walk already
// finds out whether the folder exists and is one, so its status is asked only when the walk cannot
// start, to tell those cases apart; status() follows links and reports a missing path without throwing.
// Any other failure throws, as the listing and status calls do.
bool StartWalk(const fs::path& folder, fs::directory_iterator& walk) {
    boost::system::error_code error;
    walk = fs::directory_iterator(folder, error);
    if (!error)
        return true;
    fs::file_status status = fs::status(folder);
    if (!fs::exists(status)) {
        WriteLog(kServerLogLevel, kLogFolderNotFound);
        return false;
    }
    if (!fs::is_directory(status)) {
        WriteLog(kServerLogLevel, kLogPathNotFolder);
        return false;
    }
    throw fs::filesystem_error("cannot list the folder", folder, error);
}

} // namespace

std::wstring TarnLauncherWrapper::GetDocumentPath() {
    wchar_t path[MAX_PATH] = {};
    HRESULT result = SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path);
    if (FAILED(result)) { // S_FALSE counts as found
        WriteLog(kServerLogLevel, kLogGetDocumentPathFailed);
        return std::wstring();
    }
    return path;
}

bool TarnLauncherWrapper::GetAllSubDir(const std::wstring& folder, std::vector<std::wstring>& list) {
    try {
        fs::directory_iterator entry;
        if (!StartWalk(fs::path(folder), entry))
            return false;
        // An entry's status comes with the listing; only links and junctions are followed, so links to
        // folders count as folders.
        for (fs::directory_iterator end; entry != end; ++entry) {
            if (fs::is_directory(entry->status()))
                list.push_back(entry->path().wstring());
        }
        return true;
    } catch (...) {
        WriteLog(kServerLogLevel, kLogGetAllSubDirException); // what was appended so far stays
        return false;
    }
}

bool TarnLauncherWrapper::IsServerConfigDir(const std::wstring& folder) {
    try {
        fs::directory_iterator entry;
        if (!StartWalk(fs::path(folder), entry))
            return false;
        for (fs::directory_iterator end; entry != end; ++entry) {
            // Status first: an entry that cannot be read ends the walk even before the marker.
            if (fs::is_regular_file(entry->status()) &&
                entry->path().filename().wstring() == kClusterMarkerName)
                return true;
        }
        return false;
    } catch (...) {
        WriteLog(kServerLogLevel, kLogGetAllSubDirException);
        return false;
    }
}

std::vector<std::wstring> TarnLauncherWrapper::GetServerConfigList() {
    std::vector<std::wstring> names;
    try {
        std::wstring root = GetDocumentPath() + kServerConfigRootSuffix;
        std::vector<std::wstring> folders;
        GetAllSubDir(root, folders); // a partial listing is still examined
        for (const std::wstring& folder : folders) {
            if (IsServerConfigDir(folder))
                names.push_back(fs::path(folder).filename().wstring());
        }
    } catch (...) {
        WriteLog(kServerLogLevel, kLogGetServerConfigListException);
    }
    return names;
}
