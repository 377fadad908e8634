#pragma once
// Brenlow's main window driven from outside, as a user's clicks would: start a server, force-close one,
// close the program with its servers.
#include "BenchSupport.h"

namespace bench {

inline constexpr wchar_t kBrenlowCaption[] = L"Brenlow";

class BrenlowWindow {
public:
    BrenlowWindow(const Program& brenlow, HWND main);

    int Rows() const;
    // Picks entry `index` of the configurations and presses Start; true once its row is there.
    bool StartServer(int index);
    // Presses the force-close button of row `row` and confirms the warning.
    bool ForceClose(int row);
    // Waits until the list holds `rows` rows (the sweep runs every 2 s).
    bool WaitForRows(int rows) const;
    // Closes the program, confirming the question that comes while servers run; true once the program
    // and every server have ended.
    bool CloseWithServers();

private:
    // Waits for the notice, presses `button` in it and waits until it has gone.
    bool AnswerNotice(int button);

    const Program& brenlow_;
    HWND main_, combo_, start_, list_;
};

} // namespace bench
