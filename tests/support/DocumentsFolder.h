#pragma once
// Points the user's Documents folder (the Personal shell folder, which SHGetFolderPathW with
// CSIDL_PERSONAL reads) at a folder of the test's choosing, for this process and the processes it starts.
#include "RegistryValue.h"

#include <filesystem>

namespace testsupport {

// Sets HKCU\...\Explorer\User Shell Folders\Personal while the object lives, then restores the value
// exactly as it was (or removes it, when there was none).
class ScopedDocumentsFolder {
public:
    explicit ScopedDocumentsFolder(const std::filesystem::path& folder);

private:
    ScopedUserRegistryValue personal_;
};

} // namespace testsupport
