// The notice dialogs, shown modally and answered the way a user would.
#include "ui/resource.h"
#include "ui/Notices.h"

#include "NoticeAnswerer.h"

#include <gtest/gtest.h>

using testsupport::NoticeAction;
using testsupport::NoticeAnswerer;

namespace {

constexpr wchar_t kCaption[] = L"温馨提示";
constexpr wchar_t kForceCloseWarning[] = L"强制关闭专用服务器可能会导致部分存档丢失，建议您手动关闭";

TEST(Notices, TipsAnswerTrueOnlyForCloseAnyway) {
    struct Case {
        NoticeAction action;
        bool answer;
        const char* name;
    };
    const Case cases[] = {
        {NoticeAction::PressFirst, true, "button 仍然关闭"},
        {NoticeAction::PressSecond, false, "button 取消"},
        {NoticeAction::Escape, false, "Esc"},
        {NoticeAction::CaptionClose, false, "caption's close button"},
        {NoticeAction::AltF4, false, "Alt+F4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NoticeAnswerer answerer;
        answerer.Answer(c.action);
        EXPECT_EQ(ShowTips(kForceCloseWarning), c.answer);
        ASSERT_EQ(answerer.Seen().size(), 1u);
        const auto& seen = answerer.Seen()[0];
        EXPECT_TRUE(seen.expected);
        EXPECT_EQ(seen.caption, kCaption);
        EXPECT_EQ(seen.text, kForceCloseWarning);
        EXPECT_EQ(seen.focusId, IDOK) << "the focus starts on 仍然关闭";
        EXPECT_EQ(seen.owner, nullptr) << "no main window: the notice stands alone";
    }
}

// Template 129 gives both buttons the default style; the dialog manager keeps one of them as the dialog's
// default button, and Enter, pressed while the focus is still where it started, answers with that one.
TEST(Notices, EnterRightAfterOpeningPressesTheDefaultButton) {
    WORD defaultId = 0;
    NoticeAnswerer answerer;
    answerer.Answer(NoticeAction::Enter,
                    [&](HWND notice) { defaultId = LOWORD(SendMessageW(notice, DM_GETDEFID, 0, 0)); });
    const bool answer = ShowTips(kForceCloseWarning);
    ASSERT_EQ(answerer.Seen().size(), 1u);
    ASSERT_TRUE(defaultId == IDOK || defaultId == IDCANCEL) << defaultId;
    EXPECT_EQ(answer, defaultId == IDOK);
}

TEST(Notices, ErrorMessageShowsAnyTextUnderTheSameCaption) {
    const std::wstring longText(60, L'长');
    int lines = 0;
    DWORD editStyle = 0;
    NoticeAnswerer answerer;
    answerer.Answer(NoticeAction::PressFirst);
    answerer.Answer(NoticeAction::Escape);
    answerer.Answer(NoticeAction::CaptionClose, [&](HWND notice) {
        HWND edit = GetDlgItem(notice, IDC_EDIT_MSG);
        lines = static_cast<int>(SendMessageW(edit, EM_GETLINECOUNT, 0, 0));
        editStyle = static_cast<DWORD>(GetWindowLongW(edit, GWL_STYLE));
    });

    ShowErrorMsg(L"加载tarn_launcher.dll失败!");
    ShowErrorMsg(L"");
    ShowErrorMsg(longText.c_str());

    ASSERT_EQ(answerer.Seen().size(), 3u);
    EXPECT_EQ(answerer.Seen()[0].text, L"加载tarn_launcher.dll失败!");
    EXPECT_EQ(answerer.Seen()[1].text, L"");
    EXPECT_EQ(answerer.Seen()[2].text, longText);
    for (const auto& seen : answerer.Seen()) {
        EXPECT_TRUE(seen.expected);
        EXPECT_EQ(seen.caption, kCaption);
        EXPECT_EQ(seen.focusId, IDOK) << "the focus starts on 确定";
    }
    EXPECT_GT(lines, 1) << "a long text wraps inside the box";
    EXPECT_EQ(answerer.Pending(), 0u);

    // With no answer queued the helper still ends the notice, and says so.
    ShowErrorMsg(L"unexpected");
    ASSERT_EQ(answerer.Seen().size(), 4u);
    EXPECT_FALSE(answerer.Seen()[3].expected);
    EXPECT_EQ(editStyle & (WS_VSCROLL | WS_HSCROLL | WS_BORDER), 0u);
    EXPECT_TRUE(editStyle & ES_READONLY);
}

} // namespace
