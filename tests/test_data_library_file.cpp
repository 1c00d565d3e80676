#include <gtest/gtest.h>

#include "datalib/DataLibraryFile.h"
#include "platform/text/Gbk.h"
#include "support/TempDir.h"

namespace {

using DataLibraryFile = TempDirFixture;
using Member = std::string DataLibraryTexts::*;

TEST_F(DataLibraryFile, EachValueReachesItsOwnText) {
    struct Expect {
        Member member;
        std::string inFile;
    };
    const std::string empty = gbk::Text("数据空");
    const Expect expects[] = {
        {&DataLibraryTexts::m_strExpected1, "e1"},
        {&DataLibraryTexts::m_strExpected2, "e2"},
        {&DataLibraryTexts::m_strExpected3, "e3"},
        {&DataLibraryTexts::m_strExpectedMemo1, "em1"},
        {&DataLibraryTexts::m_strExpectedMemo2, "em2"},
        {&DataLibraryTexts::m_strExpectedMemo3, "em3"},
        {&DataLibraryTexts::m_strSend1, "s1"},
        {&DataLibraryTexts::m_strSend2, "s2"},
        {&DataLibraryTexts::m_strSend3, "s3"},
        {&DataLibraryTexts::m_strSendMemo1, "sm1"},
        {&DataLibraryTexts::m_strSendMemo2, "sm2"},
        {&DataLibraryTexts::m_strSendMemo3, "sm3"},
    };
    DataLibraryTexts texts;
    for (const Expect& e : expects) {
        texts.*e.member = "stale";
    }
    LoadDataLibrary(texts);
    for (const Expect& e : expects) {
        EXPECT_EQ(texts.*e.member, empty);
    }
    WriteFile("Quorvix.ini", kFullLibrary);
    LoadDataLibrary(texts);
    for (const Expect& e : expects) {
        EXPECT_EQ(texts.*e.member, e.inFile);
    }
}

TEST_F(DataLibraryFile, ANewFileListsMemoBeforeData) {
    ASSERT_TRUE(SaveDataLibraryEntry(kSendSection2, "m", ""));
    ASSERT_TRUE(SaveDataLibraryEntry(kExpectedSection1, gbk::Text("备注"), "41 42"));
    EXPECT_EQ(ReadFile("Quorvix.ini"),
              "[Send Data Term2]\r\nMemo=m\r\nData=\r\n"
              "[Current Data Term1]\r\nMemo=" +
                  gbk::Text("备注") + "\r\nData=41 42\r\n");
    DataLibraryTexts texts;
    LoadDataLibrary(texts);
    EXPECT_EQ(texts.m_strSend2, "") << "an empty value is not the default";
    EXPECT_EQ(texts.m_strExpected2, gbk::Text("数据空"));
}

TEST_F(DataLibraryFile, SavingAnEntryChangesOnlyItsSection) {
    WriteFile("Quorvix.ini", kFullLibrary);
    ASSERT_TRUE(SaveDataLibraryEntry(kSendSection2, "new memo", "new data"));
    std::string expected = kFullLibrary;
    expected.replace(expected.find("Memo=sm2\r\nData=s2"), 17, "Memo=new memo\r\nData=new data");
    EXPECT_EQ(ReadFile("Quorvix.ini"), expected);
}

TEST_F(DataLibraryFile, SavingWhatNoFileGaveStoresDataEmpty) {
    DataLibraryTexts texts;
    LoadDataLibrary(texts);
    ASSERT_TRUE(
        SaveDataLibraryEntry(kExpectedSection3, texts.m_strExpectedMemo3, texts.m_strExpected3));
    const std::string empty = gbk::Text("数据空");
    EXPECT_EQ(ReadFile("Quorvix.ini"),
              "[Current Data Term3]\r\nMemo=" + empty + "\r\nData=" + empty + "\r\n");
}

TEST_F(DataLibraryFile, ARefusedEntryWritesNeitherValue) {
    WriteFile("Quorvix.ini", kFullLibrary);
    const ProfileWriteResult result = SaveDataLibraryEntry(kSendSection1, "fine", "two\r\nlines");
    EXPECT_FALSE(result);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_EQ(ReadFile("Quorvix.ini"), kFullLibrary);
}

TEST_F(DataLibraryFile, EachLoadSeesTheFileAsItIsNow) {
    WriteFile("Quorvix.ini", kFullLibrary);
    DataLibraryTexts texts;
    LoadDataLibrary(texts);
    ASSERT_EQ(texts.m_strSend2, "s2");

    // Another program edits the file, keeping its size.
    std::string edited = kFullLibrary;
    edited.replace(edited.find("Data=s2"), 7, "Data=X2");
    WriteFile("Quorvix.ini", edited);
    LoadDataLibrary(texts);
    EXPECT_EQ(texts.m_strSend2, "X2");
    EXPECT_EQ(texts.m_strSend3, "s3");

    ASSERT_TRUE(SaveDataLibraryEntry(kSendSection3, "sm3", "saved"));
    LoadDataLibrary(texts);
    EXPECT_EQ(texts.m_strSend3, "saved");
    EXPECT_EQ(texts.m_strSend2, "X2");
}

TEST_F(DataLibraryFile, AnEntryIsPresentMissingOrUnreadable) {
    using Status = DataLibraryData::Status;
    struct Case {
        const char* name;
        std::string content;  // empty: no file
        DataLibraryKind kind;
        int number;
        Status status;
        std::string value;
    };
    const std::string empty = gbk::Text("数据空");
    const Case cases[] = {
        {"no file", "", DataLibraryKind::Expected, 1, Status::MissingFile, ""},
        {"expected 3", kFullLibrary, DataLibraryKind::Expected, 3, Status::Present, "e3"},
        {"send 2", kFullLibrary, DataLibraryKind::Send, 2, Status::Present, "s2"},
        {"empty value", "[Send Data Term1]\r\nData=\r\n", DataLibraryKind::Send, 1, Status::Present,
         ""},
        {"the default's text stored", "[Send Data Term1]\r\nData=" + empty + "\r\n",
         DataLibraryKind::Send, 1, Status::Present, empty},
        {"memo only", "[Send Data Term1]\r\nMemo=m\r\n", DataLibraryKind::Send, 1,
         Status::MissingEntry, ""},
        {"no section", kFullLibrary.substr(0, 40), DataLibraryKind::Send, 3, Status::MissingEntry,
         ""},
        {"number 4", kFullLibrary, DataLibraryKind::Send, 4, Status::MissingEntry, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove("Quorvix.ini");
        if (!c.content.empty()) {
            WriteFile("Quorvix.ini", c.content);
        }
        const DataLibraryData data = ReadDataLibraryData(c.kind, c.number);
        EXPECT_EQ(data.status, c.status);
        EXPECT_EQ(data.value, c.value);
    }

    // Another file by name, and one that is there but cannot be read.
    std::filesystem::create_directory("sub");
    WriteFile("sub/lib.ini", "[Current Data Term2]\r\nData=AA BB\r\n");
    EXPECT_EQ(ReadDataLibraryData(DataLibraryKind::Expected, 2, "sub/lib.ini").value, "AA BB");
    DataLibraryTexts texts;
    LoadDataLibrary(texts, "sub\\lib.ini");
    EXPECT_EQ(texts.m_strExpected2, "AA BB");
    const DataLibraryData folder = ReadDataLibraryData(DataLibraryKind::Expected, 2, "sub");
    EXPECT_EQ(folder.status, DataLibraryData::Unreadable);
    EXPECT_NE(folder.reason.find("sub"), std::string::npos) << folder.reason;
}

}  // namespace
