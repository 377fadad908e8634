#pragma once
// Points the user's Documents folder (the Personal shell folder, which SHGetFolderPathW with
// CSIDL_PERSONAL reads) at a folder of the test's choosing, for this process and the processes it starts.
#include <windows.h>

#include <filesystem>
#include <vector>

namespace testsupport {

// Sets HKCU\...\Explorer\User Shell Folders\Personal while the object lives, then restores the value
// exactly as it was (or removes it, when there was none).
class ScopedDocumentsFolder {
public:
    explicit ScopedDocumentsFolder(const std::filesystem::path& folder);
    ~ScopedDocumentsFolder();
    ScopedDocumentsFolder(const ScopedDocumentsFolder&) = delete;
    ScopedDocumentsFolder& operator=(const ScopedDocumentsFolder&) = delete;

private:
    bool hadValue_ = false;
    DWORD oldType_ = 0;
    std::vector<BYTE> oldData_;
};

} // namespace testsupport
