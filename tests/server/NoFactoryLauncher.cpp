// A launcher library that lacks the factory export (it exports something else, so it still loads as a
// proper library with an export table).
extern "C" __declspec(dllexport) int __cdecl GetTarnLauncherVersion() {
    return 1;
}
