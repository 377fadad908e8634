// A launcher library whose factory hands out no helper.
extern "C" __declspec(dllexport) void* __cdecl GetTarnLauncherHelper() {
    return nullptr;
}
