#include "RegistryValue.h"

#include <gtest/gtest.h>

namespace testsupport {

namespace {

HKEY OpenUserKey(const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &opened, nullptr) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot open HKCU key " << testing::PrintToString(key);
    return opened;
}

} // namespace

ScopedUserRegistryValue::ScopedUserRegistryValue(const std::wstring& key, const std::wstring& name,
                                                 DWORD type, const std::wstring& text)
    : key_(key), name_(name) {
    Set(type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

ScopedUserRegistryValue::ScopedUserRegistryValue(const std::wstring& key, const std::wstring& name,
                                                 DWORD number)
    : key_(key), name_(name) {
    Set(REG_DWORD, &number, sizeof number);
}

void ScopedUserRegistryValue::Set(DWORD type, const void* data, DWORD size) {
    HKEY key = OpenUserKey(key_);
    if (!key)
        return;
    DWORD oldSize = 0;
    hadValue_ = RegQueryValueExW(key, name_.c_str(), nullptr, &oldType_, nullptr, &oldSize) == ERROR_SUCCESS;
    if (hadValue_) {
        oldData_.resize(oldSize);
        RegQueryValueExW(key, name_.c_str(), nullptr, &oldType_, oldData_.data(), &oldSize);
    }
    if (RegSetValueExW(key, name_.c_str(), 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot set " << testing::PrintToString(name_);
    RegCloseKey(key);
}

ScopedUserRegistryValue::~ScopedUserRegistryValue() {
    HKEY key = OpenUserKey(key_);
    if (!key)
        return;
    if (hadValue_)
        RegSetValueExW(key, name_.c_str(), 0, oldType_, oldData_.data(), static_cast<DWORD>(oldData_.size()));
    else
        RegDeleteValueW(key, name_.c_str());
    RegCloseKey(key);
}

} // namespace testsupport
