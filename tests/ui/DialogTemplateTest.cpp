// The notice templates as the built executable carries them.
#include "ui/resource.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ControlTemplate {
    DWORD id = 0;
    std::wstring className;
    std::wstring text;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD style = 0, exStyle = 0;
};

struct DialogTemplate {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu, className, caption, fontName;
    WORD pointSize = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    std::vector<ControlTemplate> controls;
};

// Reads the little-endian fields of a DLGTEMPLATEEX in order.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : start_(data), at_(data) {}

    template <typename T> T Read() {
        T value;
        memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    // A string, an ordinal (0xFFFF then the number) or nothing (0).
    std::wstring ReadNameOrOrdinal() {
        WORD first = Read<WORD>();
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Read<WORD>());
        std::wstring text;
        for (; first != 0; first = Read<WORD>())
            text += static_cast<wchar_t>(first);
        return text;
    }
    void AlignToDword() {
        while ((at_ - start_) % 4)
            ++at_;
    }
    void Skip(size_t bytes) { at_ += bytes; }

private:
    const BYTE* start_;
    const BYTE* at_;
};

// Predefined classes appear as ordinals in a template.
std::wstring ClassName(const std::wstring& name) {
    if (name == L"#128")
        return L"Button";
    if (name == L"#129")
        return L"Edit";
    if (name == L"#130")
        return L"Static";
    if (name == L"#133")
        return L"ComboBox";
    return name;
}

DialogTemplate LoadDialogTemplate(int id) {
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5)); // RT_DIALOG
    EXPECT_NE(resource, nullptr) << "no dialog template " << id;
    DialogTemplate dialog;
    if (!resource)
        return dialog;
    TemplateReader reader(static_cast<const BYTE*>(LockResource(LoadResource(nullptr, resource))));
    EXPECT_EQ(reader.Read<WORD>(), 1);      // dlgVer
    EXPECT_EQ(reader.Read<WORD>(), 0xFFFF); // signature: an extended template
    reader.Read<DWORD>();                   // helpID
    dialog.exStyle = reader.Read<DWORD>();
    dialog.style = reader.Read<DWORD>();
    const WORD count = reader.Read<WORD>();
    dialog.x = reader.Read<short>(), dialog.y = reader.Read<short>();
    dialog.cx = reader.Read<short>(), dialog.cy = reader.Read<short>();
    dialog.menu = reader.ReadNameOrOrdinal();
    dialog.className = reader.ReadNameOrOrdinal();
    dialog.caption = reader.ReadNameOrOrdinal();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Read<WORD>();
        dialog.weight = reader.Read<WORD>();
        dialog.italic = reader.Read<BYTE>();
        dialog.charset = reader.Read<BYTE>();
        dialog.fontName = reader.ReadNameOrOrdinal();
    }
    for (WORD i = 0; i < count; ++i) {
        reader.AlignToDword();
        ControlTemplate control;
        reader.Read<DWORD>(); // helpID
        control.exStyle = reader.Read<DWORD>();
        control.style = reader.Read<DWORD>();
        control.x = reader.Read<short>(), control.y = reader.Read<short>();
        control.cx = reader.Read<short>(), control.cy = reader.Read<short>();
        control.id = reader.Read<DWORD>();
        control.className = ClassName(reader.ReadNameOrOrdinal());
        control.text = reader.ReadNameOrOrdinal();
        reader.Skip(reader.Read<WORD>()); // creation data
        dialog.controls.push_back(control);
    }
    return dialog;
}

void ExpectNoticeFrame(const DialogTemplate& dialog) {
    EXPECT_EQ(dialog.style, 0x80C800C8u);
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 222);
    EXPECT_EQ(dialog.cy, 109);
    EXPECT_EQ(dialog.menu, L"");
    EXPECT_EQ(dialog.className, L"");
    EXPECT_EQ(dialog.caption, L"温馨提示");
    EXPECT_EQ(dialog.fontName, L"MS Shell Dlg");
    EXPECT_EQ(dialog.pointSize, 10);
    EXPECT_EQ(dialog.weight, 400);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.charset, 1);
}

void ExpectControl(const ControlTemplate& control, DWORD id, const wchar_t* className, const wchar_t* text,
                   short x, short y, short cx, short cy, DWORD style) {
    SCOPED_TRACE("control " + std::to_string(id));
    EXPECT_EQ(control.id, id);
    EXPECT_EQ(control.className, className);
    EXPECT_EQ(control.text, text);
    EXPECT_EQ(control.x, x);
    EXPECT_EQ(control.y, y);
    EXPECT_EQ(control.cx, cx);
    EXPECT_EQ(control.cy, cy);
    EXPECT_EQ(control.style, style);
    EXPECT_EQ(control.exStyle, 0u);
}

TEST(NoticeTemplates, TipsTemplateHasItsButtonsAndEditInTabOrder) {
    DialogTemplate dialog = LoadDialogTemplate(IDD_DIALOG_TIPS);
    ExpectNoticeFrame(dialog);
    ASSERT_EQ(dialog.controls.size(), 3u);
    ExpectControl(dialog.controls[0], IDOK, L"Button", L"仍然关闭", 43, 78, 50, 14, 0x50010001);
    ExpectControl(dialog.controls[1], IDC_EDIT_MSG, L"Edit", L"", 24, 23, 176, 53, 0x50011804);
    ExpectControl(dialog.controls[2], IDCANCEL, L"Button", L"取消", 124, 78, 50, 14, 0x50010001);
}

TEST(NoticeTemplates, ErrorTemplateHasOneButtonAndTheEdit) {
    DialogTemplate dialog = LoadDialogTemplate(IDD_DIALOG_ERRORMSG);
    ExpectNoticeFrame(dialog);
    ASSERT_EQ(dialog.controls.size(), 2u);
    ExpectControl(dialog.controls[0], IDOK, L"Button", L"确定", 85, 78, 50, 14, 0x50010001);
    ExpectControl(dialog.controls[1], IDC_EDIT_MSG, L"Edit", L"", 24, 23, 176, 53, 0x50011804);
}

} // namespace
