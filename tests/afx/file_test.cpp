// CFile and CMemFile: short reads at the end, what raises which exception, and a caller's block
// that must never grow or be freed.
#include <afx.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Runs f and answers the cause of the CFileException* it raised, -1 for none, -2 for another kind.
template <class F> int FileCause(F f)
{
    try {
        f();
    } catch (CFileException *e) {
        int cause = e->m_cause;
        e->Delete();
        return cause;
    } catch (CException *e) {
        e->Delete();
        return -2;
    }
    return -1;
}

template <class F> bool RaisesMemoryException(F f)
{
    try {
        f();
    } catch (CMemoryException *e) {
        e->Delete();
        return true;
    } catch (CException *e) {
        e->Delete();
    }
    return false;
}

std::u16string TempPath(const char *name)
{
    WCHAR dir[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, dir);
    std::string tag = std::string("kh-afx-") + std::to_string(GetCurrentProcessId()) + "-" + name;
    return std::u16string(dir, n) + std::u16string(tag.begin(), tag.end());
}

}  // namespace

TEST(AfxMemFile, ReadingAFixedBlockEndsWithAShortCountThenNothing)
{
    BYTE block[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    CMemFile file(block, sizeof block);
    EXPECT_EQ(10u, file.GetLength());

    BYTE out[8] = {};
    EXPECT_EQ(8u, file.Read(out, 8));
    EXPECT_EQ(7, out[7]);
    EXPECT_EQ(2u, file.Read(out, 8));   // what is left
    EXPECT_EQ(8, out[0]);
    EXPECT_EQ(9, out[1]);
    EXPECT_EQ(0u, file.Read(out, 8));
    EXPECT_EQ(10u, file.GetPosition());

    // Seeking past the end is allowed and reads nothing; before the start is a bad seek.
    EXPECT_EQ(15u, file.Seek(5, CFile::current));
    EXPECT_EQ(0u, file.Read(out, 1));
    EXPECT_EQ(CFileException::badSeek, FileCause([&] { file.Seek(-1, CFile::begin); }));
    EXPECT_EQ(15u, file.GetPosition());
    EXPECT_EQ(3u, file.Seek(-7, CFile::end));
    EXPECT_EQ(1u, file.Read(out, 1));
    EXPECT_EQ(3, out[0]);
}

TEST(AfxMemFile, WritingPastAFixedBlockRaisesAndLeavesTheBlockAlone)
{
    BYTE block[4] = {1, 2, 3, 4};
    {
        CMemFile file(block, sizeof block);
        file.Seek(2, CFile::begin);
        BYTE two[2] = {9, 9};
        file.Write(two, 2);   // fits exactly
        EXPECT_TRUE(RaisesMemoryException([&] { file.Write(two, 1); }));
        EXPECT_EQ(4u, file.GetLength());
        EXPECT_TRUE(RaisesMemoryException([&] { file.SetLength(5); }));
    }   // the file's end must not free the caller's block (a sanitizer build catches it)
    EXPECT_EQ(1, block[0]);
    EXPECT_EQ(9, block[3]);
}

TEST(AfxMemFile, AnOwnBlockGrowsAndAGapReadsAsZeros)
{
    CMemFile file(16);
    std::vector<BYTE> data(100);
    for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE(i + 1);
    file.Write(data.data(), 50);
    file.Write(data.data() + 50, 50);
    EXPECT_EQ(100u, file.GetLength());
    file.Seek(120, CFile::begin);
    BYTE last = 0xEE;
    file.Write(&last, 1);
    EXPECT_EQ(121u, file.GetLength());

    file.SeekToBegin();
    std::vector<BYTE> back(130, 0x55);
    EXPECT_EQ(121u, file.Read(back.data(), 130));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin()));
    for (int i = 100; i < 120; ++i) EXPECT_EQ(0, back[i]) << "gap byte " << i;
    EXPECT_EQ(0xEE, back[120]);

    BYTE *pDetached = file.Detach();
    ASSERT_NE(nullptr, pDetached);
    EXPECT_EQ(1, pDetached[0]);
    EXPECT_EQ(0u, file.GetLength());
    free(pDetached);   // the block is the caller's after Detach
}

TEST(AfxMemFile, AGrowingCallerBlockIsCopiedNotReallocated)
{
    BYTE block[4] = {7, 7, 7, 7};
    CMemFile file;
    file.Attach(block, sizeof block, 8);
    EXPECT_EQ(0u, file.GetLength());   // a block that may grow starts empty
    BYTE bytes[6] = {1, 2, 3, 4, 5, 6};
    file.Write(bytes, 6);
    EXPECT_EQ(6u, file.GetLength());
    EXPECT_EQ(7, block[0]);            // the caller's block was not written past or reused
    file.SeekToBegin();
    BYTE back[6] = {};
    EXPECT_EQ(6u, file.Read(back, 6));
    EXPECT_EQ(6, back[5]);
}

TEST(AfxFile, ReadsWritesSeeksAndReportsMissingFiles)
{
    std::u16string path = TempPath("cfile.bin");
    {
        CFile file;
        CFileException error;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite, &error));
        file.Write("hello world", 11);
        EXPECT_EQ(11u, file.GetLength());
        EXPECT_EQ(6u, file.Seek(6, CFile::begin));
        char buf[16] = {};
        EXPECT_EQ(5u, file.Read(buf, 16));
        EXPECT_STREQ("world", buf);
        EXPECT_EQ(0u, file.Read(buf, 16));
        EXPECT_EQ(CFileException::badSeek, FileCause([&] { file.Seek(-20, CFile::current); }));
        file.SetLength(5);
        EXPECT_EQ(5u, file.GetLength());
    }
    {
        CFile file(path.c_str(), CFile::modeRead);
        char buf[16] = {};
        EXPECT_EQ(5u, file.Read(buf, 16));
        EXPECT_STREQ("hello", buf);
        file.Close();
        EXPECT_EQ(CFile::hFileNull, file.m_hFile);
    }
    EXPECT_TRUE(DeleteFileW(path.c_str()));

    CFile missing;
    CFileException error;
    EXPECT_FALSE(missing.Open(path.c_str(), CFile::modeRead, &error));
    EXPECT_EQ(CFileException::fileNotFound, error.m_cause);
    EXPECT_EQ(LONG(ERROR_FILE_NOT_FOUND), error.m_lOsError);
    EXPECT_EQ(CFileException::fileNotFound, FileCause([&] { CFile opened(path.c_str(), CFile::modeRead); }));
}

TEST(AfxFileException, EndOfFileCarriesItsCauseAndMessage)
{
    try {
        AfxThrowFileException(CFileException::endOfFile, -1, TEXT("Wait.gif"));
        FAIL() << "nothing raised";
    } catch (CException *e) {
        ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(CFileException)));
        EXPECT_EQ(CFileException::endOfFile, static_cast<CFileException *>(e)->m_cause);
        WCHAR text[128];
        EXPECT_TRUE(e->GetErrorMessage(text, 128));
        CString message(text);
        EXPECT_GE(message.Find(TEXT("Wait.gif")), 0);
        e->Delete();
    }
}
