// Run-time class information, CString and archives.
#include "TestSupport.h"

#include <afxdialogex.h>
#include <gtest/gtest.h>

namespace {

class CNoticeLike : public CDialogEx {
    DECLARE_DYNAMIC(CNoticeLike)
};
IMPLEMENT_DYNAMIC(CNoticeLike, CDialogEx)

TEST(RuntimeClass, NameBaseSchemaAndKind) {
    CNoticeLike notice;
    CRuntimeClass* info = notice.GetRuntimeClass();
    EXPECT_STREQ(info->m_lpszClassName, "CNoticeLike");
    EXPECT_EQ(info->m_wSchema, 0xFFFFu);
    EXPECT_EQ(info->m_pBaseClass, RUNTIME_CLASS(CDialogEx));
    EXPECT_EQ(info->CreateObject(), nullptr) << "dynamic type information only";
    EXPECT_TRUE(notice.IsKindOf(RUNTIME_CLASS(CDialog)));
    EXPECT_TRUE(notice.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(notice.IsKindOf(RUNTIME_CLASS(CButton)));
    EXPECT_FALSE(notice.IsSerializable());
    CWnd* asWindow = &notice;
    EXPECT_EQ(DYNAMIC_DOWNCAST(CDialog, asWindow), &notice);
    EXPECT_EQ(DYNAMIC_DOWNCAST(CButton, asWindow), nullptr);
}

TEST(String, FormattingTakesWideStringsAndGrows) {
    CString text;
    text.Format(L"%s-%d-%04d", L"名称", -3, 42);
    EXPECT_EQ(text, L"名称--3-0042");
    EXPECT_EQ(text.GetLength(), 10);

    CString name(L'x', 300);
    text.Format(L"<%s>", name.GetString());
    EXPECT_EQ(text.GetLength(), 302) << "longer than the first buffer";
    text.AppendFormat(L"%c%u", L'!', 7u);
    EXPECT_EQ(text.Right(3), L">!7");
}

TEST(String, ComparisonIsOrdinalAndCaseSensitive) {
    EXPECT_EQ(CString(L"abc").Compare(L"abc"), 0);
    EXPECT_LT(CString(L"B").Compare(L"a"), 0) << "code unit order, not dictionary order";
    EXPECT_GT(CString(L"abc").Compare(L"ABC"), 0);
    EXPECT_EQ(CString(L"abc").CompareNoCase(L"ABC"), 0);
    EXPECT_LT(CString(L"ab").Compare(L"abc"), 0);
    EXPECT_TRUE(CString(L"服务器") == L"服务器");
    EXPECT_TRUE(CString() == L"");
}

TEST(String, PiecesSearchAndBuffers) {
    CString text(L"  名称,375;状态,225  ");
    text.Trim();
    EXPECT_EQ(text, L"名称,375;状态,225");
    EXPECT_EQ(text.Find(L','), 2);
    EXPECT_EQ(text.Find(L',', 3), 9) << "the first ',' at or after the start";
    EXPECT_EQ(text.Find(L';', 7), -1);
    EXPECT_EQ(text.Find(L"状态"), 7);
    EXPECT_EQ(text.Left(2), L"名称");
    EXPECT_EQ(text.Mid(3, 3), L"375");
    EXPECT_EQ(text.Mid(100), L"");
    EXPECT_EQ(text.Left(-1), L"");
    EXPECT_EQ(text.Replace(L"5", L"55"), 2);
    EXPECT_EQ(text, L"名称,3755;状态,2255");

    CString buffer;
    wcscpy(buffer.GetBuffer(16), L"written");
    buffer.ReleaseBuffer();
    EXPECT_EQ(buffer.GetLength(), 7);
    EXPECT_EQ(buffer, L"written");
}

TEST(Archive, IntegersRoundTripThroughMemoryAndFile) {
    CMemFile memory;
    {
        CArchive out(&memory, CArchive::store);
        out << 3 << -1 << static_cast<DWORD>(0xA0B0C0D0) << static_cast<LONG>(120);
    }
    memory.SeekToBegin();
    CArchive in(&memory, CArchive::load);
    int count = 0, minusOne = 0;
    DWORD pattern = 0;
    LONG width = 0;
    in >> count >> minusOne >> pattern >> width;
    EXPECT_EQ(count, 3);
    EXPECT_EQ(minusOne, -1);
    EXPECT_EQ(pattern, 0xA0B0C0D0u);
    EXPECT_EQ(width, 120);

    testsupport::TempFolder folder;
    std::filesystem::path path = folder / L"widths.bin";
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        CArchive out(&file, CArchive::store);
        out << 2 << 375;
    }
    EXPECT_EQ(testsupport::ReadFileBytes(path), std::string("\x02\0\0\0\x77\x01\0\0", 8))
        << "32-bit little-endian integers, nothing else";
}

TEST(Archive, ReadingPastTheEndThrowsAndWrongDirectionIsRefused) {
    BYTE bytes[6] = {1, 0, 0, 0, 9, 9};
    CMemFile fixed(bytes, sizeof bytes);
    CArchive in(&fixed, CArchive::load);
    int first = 0, second = 0;
    in >> first;
    EXPECT_EQ(first, 1);
    int cause = -1;
    try {
        in >> second;
    } catch (CArchiveException* e) {
        cause = e->m_cause;
        e->Delete();
    }
    EXPECT_EQ(cause, CArchiveException::endOfFile) << "two bytes left are no integer";

    bool refused = false;
    try {
        in << 5;
    } catch (CArchiveException* e) {
        refused = e->m_cause == CArchiveException::readOnly;
        e->Delete();
    }
    EXPECT_TRUE(refused);

    bool full = false;
    CMemFile noGrowth(bytes, sizeof bytes);
    noGrowth.SeekToEnd();
    try {
        noGrowth.Write("x", 1);
    } catch (CMemoryException* e) {
        full = true;
        e->Delete();
    }
    EXPECT_TRUE(full) << "a caller's fixed buffer does not grow";
}

} // namespace
