// The application object and the entry point, in a program of their own.
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(Application, InitInstanceReturningFalseEndsTheProcessAfterStaticDestruction) {
    testsupport::TempFolder folder;
    std::filesystem::path report = folder / L"report.txt";

    DWORD exitCode = testsupport::RunProcess(testsupport::ExecutableFolder() / L"mfc_app_exit.exe",
                                             L'"' + report.wstring() + L'"', std::chrono::seconds(60));

    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(testsupport::ReadFileBytes(report), "InitInstance of the registered application\n"
                                                  "static objects destroyed\n");
}

} // namespace
