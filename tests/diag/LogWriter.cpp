// Child program for the log tests: runs the log operations named on its command line, in order, so that
// each test controls the executable's folder, the process and what reaches the file and the debugger.
//   open | close | log:<level>:<text> | big:<bytes> | wait:<event name>
#include "diag/LogFile.h"

#include <windows.h>

#include <cstdlib>
#include <string>

int wmain(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i) {
        std::wstring op = argv[i];
        if (op == L"open") {
            OpenLogFile();
        } else if (op == L"close") {
            CloseLogFile();
        } else if (op.rfind(L"log:", 0) == 0) {
            size_t colon = op.find(L':', 4);
            int level = std::stoi(op.substr(4, colon - 4));
            std::wstring text = op.substr(colon + 1);
            WriteLog(level, "%s", std::string(text.begin(), text.end()).c_str());
        } else if (op.rfind(L"big:", 0) == 0) {
            std::string text(std::stoul(op.substr(4)), 'x');
            text.back() = 'E'; // the end that truncation must drop
            WriteLog(4, "%s", text.c_str());
        } else if (op.rfind(L"wait:", 0) == 0) {
            HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, op.substr(5).c_str());
            WaitForSingleObject(go, 60000);
            CloseHandle(go);
        }
    }
    return LogStream.is_open() ? 1 : 0; // tells the test whether the file was left open
}
