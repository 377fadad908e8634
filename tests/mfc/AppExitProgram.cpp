// A program on the layer's entry point whose InitInstance returns FALSE. It appends what happens to the
// file named on its command line, so that the test can see the order: InitInstance, then the static
// objects destroyed at exit.
#include <afxwin.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::wstring reportPath; // defined before the witness below, so destroyed after it

void Report(const char* line) {
    std::ofstream report(reportPath.c_str(), std::ios::app | std::ios::binary);
    report << line << '\n';
}

struct StaticWitness {
    ~StaticWitness() { Report("static objects destroyed"); }
} witness;

class CExitApp : public CWinApp {
public:
    BOOL InitInstance() override {
        reportPath = __wargv[1];
        Report(AfxGetApp() == this ? "InitInstance of the registered application"
                                   : "InitInstance of a stranger");
        return FALSE;
    }
};

CExitApp theApp;

} // namespace
