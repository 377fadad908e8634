#pragma once
// Brenlow's main window driven from outside, as a user's clicks would: start a server, force-close one,
// close the program with its servers. A step that does not come about fails the measure.
#include "BenchSupport.h"

namespace bench {

inline constexpr wchar_t kBrenlowCaption[] = L"Brenlow";

class BrenlowWindow {
public:
    BrenlowWindow(const Program& brenlow, HWND main);

    // The list's rows; -1 when the window does not answer.
    int Rows() const;
    // Picks entry `index` of the configurations and presses Start, and waits for its row.
    void StartServer(int index);
    // Presses the force-close button of row `row` and confirms the warning.
    void ForceClose(int row);
    // Waits until the list holds `rows` rows (the sweep runs every 2 s).
    void WaitForRows(int rows) const;
    // Closes the program, confirming the question that comes while servers run; true once the program
    // and every server have ended. Fails nothing, so that a measure's clean-up may call it.
    bool CloseWithServers();

private:
    // Waits for the notice, presses `button` in it and waits until it has gone.
    bool AnswerNotice(int button);

    const Program& brenlow_;
    HWND main_, combo_, start_, list_;
};

} // namespace bench
