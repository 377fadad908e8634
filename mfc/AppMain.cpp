// The program's entry point. Kept in its own file so that only programs that need it (the application,
// not test executables with their own main) link it from the library.
#include "afxwin.h"

extern "C" int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow) {
    // Returning ends the process through the C runtime's exit, which destroys the static objects.
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
