// Run-time class information, CString and archives.
#include <afxdialogex.h>
#include <gtest/gtest.h>

#include <string>

namespace {

class CNoticeLike : public CDialogEx {
    DECLARE_DYNAMIC(CNoticeLike)
public:
    CNoticeLike() : CDialogEx(0) {}
};
IMPLEMENT_DYNAMIC(CNoticeLike, CDialogEx)

TEST(RuntimeClass, NameBaseAndKind) {
    CNoticeLike notice;
    const CRuntimeClass* info = notice.GetRuntimeClass();
    EXPECT_STREQ(info->m_lpszClassName, "CNoticeLike");
    EXPECT_EQ(info->m_pBaseClass, RUNTIME_CLASS(CDialogEx));
    EXPECT_TRUE(notice.IsKindOf(RUNTIME_CLASS(CDialog)));
    EXPECT_TRUE(notice.IsKindOf(RUNTIME_CLASS(CObject)));
    CDialog plain(0);
    EXPECT_FALSE(plain.IsKindOf(RUNTIME_CLASS(CDialogEx)));
}

TEST(String, ComparisonIsOrdinalAndCaseSensitive) {
    EXPECT_EQ(CString(L"abc").Compare(L"abc"), 0);
    EXPECT_LT(CString(L"B").Compare(L"a"), 0) << "code unit order, not dictionary order";
    EXPECT_GT(CString(L"abc").Compare(L"ABC"), 0);
    EXPECT_LT(CString(L"ab").Compare(L"abc"), 0);
    EXPECT_GT(CString(L"a").Compare(nullptr), 0);
    CString name = L"服务器";
    name += L"一";
    name += nullptr;
    EXPECT_EQ(name, CString(L"服务器一"));
    EXPECT_EQ(name.GetLength(), 4);
    EXPECT_TRUE(CString(nullptr).IsEmpty());
}

// The bytes of the archive stored in `file`.
std::string Bytes(CMemFile& file) {
    std::string bytes(static_cast<size_t>(file.GetLength()), '\0');
    file.SeekToBegin();
    EXPECT_EQ(file.Read(bytes.data(), static_cast<UINT>(bytes.size())), bytes.size());
    file.SeekToBegin();
    return bytes;
}

TEST(Archive, IntegersRoundTripAsLittleEndian32Bits) {
    CMemFile memory;
    {
        CArchive out(&memory, CArchive::store);
        EXPECT_TRUE(out.IsStoring());
        out << 2 << 375 << -1;
    }
    EXPECT_EQ(Bytes(memory), std::string("\x02\0\0\0\x77\x01\0\0\xff\xff\xff\xff", 12));
    CArchive in(&memory, CArchive::load);
    EXPECT_FALSE(in.IsStoring());
    int count = 0, width = 0, minusOne = 0;
    in >> count >> width >> minusOne;
    EXPECT_EQ(count, 2);
    EXPECT_EQ(width, 375);
    EXPECT_EQ(minusOne, -1);
}

TEST(Archive, ReadingPastTheEndThrows) {
    CMemFile file;
    file.Write("\x01\0\0\0\x09\x09", 6);
    file.SeekToBegin();
    CArchive in(&file, CArchive::load);
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
}

} // namespace
