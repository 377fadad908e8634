#pragma once
// A value under HKEY_CURRENT_USER set for the length of a test, for this process and those it starts.
#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

// Sets the value while the object lives, then restores it exactly as it was (or removes it, when there
// was none).
class ScopedUserRegistryValue {
public:
    ScopedUserRegistryValue(const std::wstring& key, const std::wstring& name, DWORD type,
                            const std::wstring& text);
    ScopedUserRegistryValue(const std::wstring& key, const std::wstring& name, DWORD number);
    ~ScopedUserRegistryValue();
    ScopedUserRegistryValue(const ScopedUserRegistryValue&) = delete;
    ScopedUserRegistryValue& operator=(const ScopedUserRegistryValue&) = delete;

private:
    void Set(DWORD type, const void* data, DWORD size);

    std::wstring key_, name_;
    bool hadValue_ = false;
    DWORD oldType_ = 0;
    std::vector<BYTE> oldData_;
};

} // namespace testsupport
