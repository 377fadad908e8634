#include "DocumentsFolder.h"

namespace testsupport {

ScopedDocumentsFolder::ScopedDocumentsFolder(const std::filesystem::path& folder)
    : personal_(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", L"Personal",
                REG_EXPAND_SZ, folder.wstring()) {}

} // namespace testsupport
