#include "DocumentsFolder.h"

#include <gtest/gtest.h>

namespace testsupport {

namespace {

constexpr wchar_t kShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr wchar_t kPersonal[] = L"Personal";

HKEY OpenShellFolders() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kShellFoldersKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot open the shell folders key";
    return key;
}

} // namespace

ScopedDocumentsFolder::ScopedDocumentsFolder(const std::filesystem::path& folder) {
    HKEY key = OpenShellFolders();
    if (!key)
        return;
    DWORD size = 0;
    hadValue_ = RegQueryValueExW(key, kPersonal, nullptr, &oldType_, nullptr, &size) == ERROR_SUCCESS;
    if (hadValue_) {
        oldData_.resize(size);
        RegQueryValueExW(key, kPersonal, nullptr, &oldType_, oldData_.data(), &size);
    }
    std::wstring value = folder.wstring();
    if (RegSetValueExW(key, kPersonal, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot set the Personal shell folder";
    RegCloseKey(key);
}

ScopedDocumentsFolder::~ScopedDocumentsFolder() {
    HKEY key = OpenShellFolders();
    if (!key)
        return;
    if (hadValue_)
        RegSetValueExW(key, kPersonal, 0, oldType_, oldData_.data(), static_cast<DWORD>(oldData_.size()));
    else
        RegDeleteValueW(key, kPersonal);
    RegCloseKey(key);
}

} // namespace testsupport
