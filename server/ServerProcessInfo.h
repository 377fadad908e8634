#pragma once
#include <cstddef>
#include <cstdint>

// What the launcher library fills in for a started server. The layout is shared with a library built by
// another compiler, so it is pinned here.
struct alignas(8) ServerProcessInfo {
    uint32_t ProcessId; // Windows process identifier of the server
    uint32_t Reserved;  // filled by the library, kept and passed along, never read

    bool operator==(const ServerProcessInfo&) const = default;
};

static_assert(sizeof(ServerProcessInfo) == 8 && alignof(ServerProcessInfo) == 8);
static_assert(offsetof(ServerProcessInfo, ProcessId) == 0 && offsetof(ServerProcessInfo, Reserved) == 4);
