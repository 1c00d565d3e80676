#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>

#include "platform/profile/AtomicFile.h"
#include "platform/profile/PrivateProfile.h"
#include "platform/profile/ProfileCache.h"
#include "platform/text/Gbk.h"
#include "support/AsNobody.h"
#include "support/TempDir.h"

namespace {

const char* const kFile = ".\\Quorvix.ini";
const std::string kDefault = "<default>";

std::string Read(const std::string& section, const std::string& key) {
    return GetPrivateProfileStringA(section, key, kDefault, kFile);
}

using PrivateProfile = TempDirFixture;

TEST_F(PrivateProfile, Reading) {
    const std::string yu = gbk::Text("語");     // second byte 'Z'
    const std::string yuLower = "\xD5\x7A";     // the same first byte, second byte 'z'
    const std::string jie = gbk::Text("誡");    // second byte ']'
    const std::string zhong = gbk::Text("腫");  // second byte '['
    const std::string longValue(300, 'x');
    struct Case {
        const char* what;
        std::string content;
        std::string section;
        std::string key;
        std::string expected;
    };
    const Case cases[] = {
        {"CRLF", "[s]\r\nk=v\r\n", "s", "k", "v"},
        {"CR only", "[s]\rk=v\rj=w\r", "s", "j", "w"},
        {"LF only", "[s]\nk=v\nj=w\n", "s", "j", "w"},
        {"no final line end", "[s]\r\nk=v", "s", "k", "v"},
        {"case of names", "[Current Data Term1]\r\nDATA=x\r\n", "current data TERM1", "data", "x"},
        {"blanks and tabs", " \t[ s ] \r\n \t k \t= \t v  w \t\r\n", "s", "k", "v  w"},
        {"double quotes", "[s]\r\nk=\" v \"\r\n", "s", "k", " v "},
        {"single quotes", "[s]\r\nk='v'\r\n", "s", "k", "v"},
        {"one pair only", "[s]\r\nk=\"\"v\"\"\r\n", "s", "k", "\"v\""},
        {"quotes that differ", "[s]\r\nk=\"v'\r\n", "s", "k", "\"v'"},
        {"a lone quote", "[s]\r\nk=\"\r\n", "s", "k", "\""},
        {"quotes inside", "[s]\r\nk=a\"b\"\r\n", "s", "k", "a\"b\""},
        {"comment", "[s]\r\n;k=c\r\n  ; k=d\r\nk=v\r\n", "s", "k", "v"},
        {"only a comment", "[s]\r\n;k=c\r\n", "s", "k", kDefault},
        {"line without =", "[s]\r\nk\r\n", "s", "k", kDefault},
        {"before the first section", "k=v\r\n[s]\r\n", "s", "k", kDefault},
        {"first section wins", "[s]\r\na=1\r\n[S]\r\na=2\r\nb=3\r\n", "s", "a", "1"},
        {"no merging of sections", "[s]\r\na=1\r\n[s]\r\nb=3\r\n", "s", "b", kDefault},
        {"first key wins", "[s]\r\na=1\r\nA=2\r\n", "s", "a", "1"},
        {"empty value", "[s]\r\nk=\r\n", "s", "k", ""},
        {"missing section", "[t]\r\nk=v\r\n", "s", "k", kDefault},
        {"missing key", "[s]\r\nj=v\r\n", "s", "k", kDefault},
        {"header with a note", "[s] ; note\r\nk=v\r\n", "s", "k", "v"},
        {"GBK section", "[" + yu + "]\r\nk=v\r\n", yu, "k", "v"},
        {"GBK second byte not folded", "[" + yu + "]\r\nk=v\r\n", yuLower, "k", kDefault},
        {"GBK key not folded", "[s]\r\n" + yu + "=v\r\n", "s", yuLower, kDefault},
        {"GBK ']' second byte", "[" + jie + "]\r\nk=v\r\n", jie, "k", "v"},
        {"GBK ']' then a note", "[" + jie + "] ;n\r\nk=v\r\n", jie, "k", "v"},
        {"GBK '[' second byte", "[" + zhong + "]\r\nk=v\r\n", zhong, "k", "v"},
        {"longer than 259 bytes", "[s]\r\nk=" + longValue + "\r\n", "s", "k", longValue},
        {"ends inside a character", "[s]\r\nk=ab\xD5\r\n", "s", "k", "ab\xD5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("Quorvix.ini", c.content);
        EXPECT_EQ(Read(c.section, c.key), c.expected);
    }
}

TEST_F(PrivateProfile, MissingFileGivesTheDefault) {
    EXPECT_EQ(Read("s", "k"), kDefault);
}

TEST_F(PrivateProfile, WritingKeepsEveryOtherLine) {
    const std::string chinese = gbk::Text("中文");
    struct Case {
        const char* what;
        std::optional<std::string> before;  // nullopt: no file
        std::string section, key, value;
        std::string after;
    };
    const Case cases[] = {
        {"new file", std::nullopt, "App", "key", "string", "[App]\r\nkey=string\r\n"},
        {"new key after the last key", "[a]\r\nx=1\r\n\r\n;c\r\n[b]\r\ny=2\r\n", "a", "z", "3",
         "[a]\r\nx=1\r\nz=3\r\n\r\n;c\r\n[b]\r\ny=2\r\n"},
        {"new key in an empty section", "[a]\r\n[b]\r\n", "a", "k", "v", "[a]\r\nk=v\r\n[b]\r\n"},
        {"new key after a last line without end", "[a]\r\nx=1", "a", "y", "2",
         "[a]\r\nx=1\r\ny=2\r\n"},
        {"new section at the end", "[a]\r\nx=1\r\n", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
        {"new section after a last line without end", "[a]\r\nx=1", "b", "k", "v",
         "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
        {"replaced in place, casing kept", ";head\r\n[A]\r\n  KEY = old \r\nodd line\r\nz=1\r\n",
         "a", "key", "new", ";head\r\n[A]\r\nKEY=new\r\nodd line\r\nz=1\r\n"},
        {"LF file, replaced", "[a]\nx=1\ny=2\n", "a", "x", "9", "[a]\nx=9\ny=2\n"},
        {"CR file, new key", "[a]\rx=1\r", "a", "y", "2", "[a]\rx=1\ry=2\r\n"},
        {"first of duplicates", "[a]\r\nx=1\r\n[a]\r\nx=2\r\n", "A", "X", "9",
         "[a]\r\nx=9\r\n[a]\r\nx=2\r\n"},
        {"GBK bytes unchanged", std::nullopt, chinese, chinese, chinese + "\xD5",
         "[" + chinese + "]\r\n" + chinese + "=" + chinese + "\xD5\r\n"},
        {"blanks kept by quotes", std::nullopt, "a", "k", " v\t", "[a]\r\nk=\" v\t\"\r\n"},
        {"quotes kept by quotes", std::nullopt, "a", "k", "'q'", "[a]\r\nk=\"'q'\"\r\n"},
        {"empty value", std::nullopt, "a", "k", "", "[a]\r\nk=\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unlink("Quorvix.ini");
        if (c.before) {
            WriteFile("Quorvix.ini", *c.before);
        }
        const ProfileWriteResult result =
            WritePrivateProfileStringA(c.section, c.key, c.value, kFile);
        EXPECT_TRUE(result) << result.reason;
        EXPECT_EQ(ReadFile("Quorvix.ini"), c.after);
    }
}

TEST_F(PrivateProfile, ReadsBackWhatItWrites) {
    const std::string values[] = {
        "plain",
        " leading",
        "trailing\t",
        "\"quoted\"",
        "'single'",
        "\"",
        "'",
        "\"\"",
        "",
        "a=b;c",
        ";x",
        "[x]",
        std::string(1000, 'y'),
        gbk::Text("中文"),
        gbk::Text("中") + "\xD5",
    };
    for (const std::string& value : values) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(WritePrivateProfileStringA("s", "k", value, kFile));
        EXPECT_EQ(Read("s", "k"), value);
    }
    // The other key written along the way is untouched by all of that.
    ASSERT_TRUE(WritePrivateProfileStringA("t", "k", "other", kFile));
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "last", kFile));
    EXPECT_EQ(Read("t", "k"), "other");
}

TEST_F(PrivateProfile, LineBreaksAndNulAreRefused) {
    const std::string before = "[s]\r\nk=v\r\n";
    struct Case {
        std::string section, key, value;
    };
    const Case cases[] = {
        {"s", "k", "a\r\n[evil]"},          {"s", "k", "a\nb=c"}, {"s", "k", "a\rb"},
        {"s", "k", std::string("a\0b", 3)}, {"s\r\n", "k", "v"},  {"s", "k\nx", "v"},
        {"s", std::string("k\0", 2), "v"},
    };
    WriteFile("Quorvix.ini", before);
    for (const Case& c : cases) {
        const ProfileWriteResult result =
            WritePrivateProfileStringA(c.section, c.key, c.value, kFile);
        EXPECT_FALSE(result);
        EXPECT_FALSE(result.reason.empty());
    }
    EXPECT_EQ(ReadFile("Quorvix.ini"), before);
    EXPECT_EQ(Entries(dir()), std::vector<std::string>{"Quorvix.ini"});
}

TEST_F(PrivateProfile, SomethingElseInThePlaceOfTheFileFails) {
    struct Case {
        const char* what;
        int (*make)(const char*);
        const char* reason;
    };
    const Case cases[] = {
        // Renaming a file over a folder fails even for root.
        {"folder", [](const char* p) { return mkdir(p, 0755); }, "Quorvix.ini: Is a directory"},
        {"pipe", [](const char* p) { return mkfifo(p, 0644); }, "Quorvix.ini: Invalid argument"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all("Quorvix.ini");
        ASSERT_EQ(c.make("Quorvix.ini"), 0);
        const ProfileWriteResult result = WritePrivateProfileStringA("s", "k", "v", kFile);
        EXPECT_FALSE(result);
        EXPECT_NE(result.reason.find(c.reason), std::string::npos) << result.reason;
        EXPECT_EQ(Entries(dir()), std::vector<std::string>{"Quorvix.ini"});
        EXPECT_EQ(Read("s", "k"), kDefault);
    }
}

// The system's word for this user decides: a file the user may not write is
// refused whatever its folder allows, and a writable file in a folder that
// takes no new file is rewritten in place.
TEST_F(PrivateProfile, PermissionsDecideWhetherAndHowTheFileIsWritten) {
    if (RanAgainAsNobody()) {
        return;
    }
    const std::string before = "[s]\r\nk=v\r\n[t]\r\nk=w\r\n";
    const std::string after = "[s]\r\nk=new\r\n[t]\r\nk=w\r\n";
    constexpr mode_t kNoFile = 0;
    struct Case {
        const char* what;
        mode_t fileMode;
        mode_t folderMode;
        bool throughLink;    // named by a link outside the folder
        const char* reason;  // nullptr: written
    };
    const Case cases[] = {
        {"writable file and folder", 0644, 0755, false, nullptr},
        {"read-only file", 0444, 0755, false, "Quorvix.ini: Permission denied"},
        {"read-only file through a link", 0444, 0755, true, "Quorvix.ini: Permission denied"},
        {"writable file, read-only folder", 0644, 0555, false, nullptr},
        {"writable file through a link, read-only folder", 0600, 0555, true, nullptr},
        {"read-only file and folder", 0444, 0555, false, "Quorvix.ini: Permission denied"},
        {"unreadable file", 0200, 0755, false, "Quorvix.ini: Permission denied"},
        {"no file, read-only folder", kNoFile, 0555, false, "Quorvix.ini: Permission denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(std::filesystem::create_directory("lib"));
        if (c.fileMode != kNoFile) {
            WriteFile("lib/Quorvix.ini", before);
            chmod("lib/Quorvix.ini", c.fileMode);
        }
        if (c.throughLink) {
            ASSERT_EQ(symlink("lib/Quorvix.ini", "Quorvix.ini"), 0);
        }
        chmod("lib", c.folderMode);
        const ProfileWriteResult result = WritePrivateProfileStringA(
            "s", "k", "new", c.throughLink ? kFile : ".\\lib\\Quorvix.ini");
        chmod("lib", 0755);
        if (c.reason) {
            EXPECT_FALSE(result);
            EXPECT_NE(result.reason.find(c.reason), std::string::npos) << result.reason;
        } else {
            EXPECT_TRUE(result) << result.reason;
        }
        if (c.fileMode == kNoFile) {
            EXPECT_EQ(Entries("lib"), std::vector<std::string>{});
        } else {
            struct stat st {};
            ASSERT_EQ(stat("lib/Quorvix.ini", &st), 0);
            EXPECT_EQ(st.st_mode & 07777, c.fileMode) << "permissions kept";
            chmod("lib/Quorvix.ini", 0644);
            EXPECT_EQ(ReadFile("lib/Quorvix.ini"), c.reason ? before : after);
            EXPECT_EQ(Entries("lib"), std::vector<std::string>{"Quorvix.ini"});
        }
        unlink("Quorvix.ini");
        std::filesystem::remove_all("lib");
    }
}

TEST_F(PrivateProfile, AWriteCutShortLeavesTheOldFile) {
    if (RanAgainAsNobody()) {
        return;
    }
    // A file size limit makes the write fail part way, as a full disk would.
    const std::string before = "[s]\r\nk=v\r\n";
    for (mode_t folderMode : {0755, 0555}) {
        SCOPED_TRACE(folderMode == 0755 ? "replaced" : "rewritten in place");
        ASSERT_TRUE(std::filesystem::create_directory("lib"));
        WriteFile("lib/Quorvix.ini", before);
        chmod("lib", folderMode);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 4096;
        signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const ProfileWriteResult result =
            WritePrivateProfileStringA("s", "k", std::string(10000, 'x'), ".\\lib\\Quorvix.ini");
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, SIG_DFL);
        chmod("lib", 0755);
        EXPECT_FALSE(result);
        EXPECT_NE(result.reason.find("File too large"), std::string::npos) << result.reason;
        EXPECT_EQ(ReadFile("lib/Quorvix.ini"), before);
        EXPECT_EQ(Entries("lib"), std::vector<std::string>{"Quorvix.ini"});
        std::filesystem::remove_all("lib");
    }
}

TEST_F(PrivateProfile, ReplacingKeepsPermissionsAndFollowsLinks) {
    std::filesystem::create_directory("real");
    WriteFile("real/lib.ini", "[s]\r\nk=v\r\n");
    chmod("real/lib.ini", 0640);
    std::filesystem::create_symlink("real/lib.ini", "Quorvix.ini");
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "new", kFile));
    EXPECT_TRUE(std::filesystem::is_symlink("Quorvix.ini"));
    EXPECT_EQ(ReadFile("real/lib.ini"), "[s]\r\nk=new\r\n");
    struct stat st {};
    ASSERT_EQ(stat("real/lib.ini", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries("real"), std::vector<std::string>{"lib.ini"});
}

TEST_F(PrivateProfile, TheFileIsLookedUpInTheCurrentDirectoryOfEachCall) {
    std::filesystem::create_directories("a/sub");
    std::filesystem::create_directory("b");
    std::filesystem::current_path("a");
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "in a", kFile));
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "in sub", ".\\sub\\Quorvix.ini"));
    std::filesystem::current_path("../b");
    EXPECT_EQ(Read("s", "k"), kDefault);
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "in b", kFile));
    std::filesystem::current_path("../a");
    EXPECT_EQ(Read("s", "k"), "in a");
    EXPECT_EQ(ReadFile("sub/Quorvix.ini"), "[s]\r\nk=in sub\r\n");
    EXPECT_EQ(ReadFile("../b/Quorvix.ini"), "[s]\r\nk=in b\r\n");
}

// The file's modification time, set to a second of its own.
void SetModified(const char* path, time_t seconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path, times, 0), 0) << path;
}

time_t ModifiedOf(const char* path) {
    struct stat st {};
    stat(path, &st);
    return st.st_mtim.tv_sec;
}

// A read after a change sees the change. Run through the program's reads,
// where a change soon after the last one is found by comparing contents, and
// through a cache that trusts the file's stamp at once, where the stamp must
// tell: the file starts with an old modification time, so a write moves it.
TEST_F(PrivateProfile, AReadSeesTheFileAsItIsNow) {
    const std::string first = "[s]\r\nk=v\r\n";
    struct Case {
        const char* what;
        std::function<void()> change;
        std::string expected;
        bool stampMayStay;  // only contents tell
    };
    const Case cases[] = {
        {"longer", [] { WriteFile("Quorvix.ini", "[s]\r\nk=longer\r\n"); }, "longer", false},
        {"the same size", [] { WriteFile("Quorvix.ini", "[s]\r\nk=V\r\n"); }, "V", false},
        {"the same size and time",
         [] {
             const time_t old = ModifiedOf("Quorvix.ini");
             WriteFile("Quorvix.ini", "[s]\r\nk=T\r\n");
             SetModified("Quorvix.ini", old);
         },
         "T", true},
        {"replaced by rename, same size and time",
         [] {
             WriteFile("new.ini", "[s]\r\nk=R\r\n");
             SetModified("new.ini", ModifiedOf("Quorvix.ini"));
             ASSERT_EQ(rename("new.ini", "Quorvix.ini"), 0);
         },
         "R", false},
        {"removed", [] { unlink("Quorvix.ini"); }, kDefault, false},
        {"another current directory, same size and time",
         [] {
             std::filesystem::create_directory("other");
             WriteFile("other/Quorvix.ini", "[s]\r\nk=o\r\n");
             SetModified("other/Quorvix.ini", ModifiedOf("Quorvix.ini"));
             std::filesystem::current_path("other");
         },
         "o", false},
        {"written by us, same size",
         [] { ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "w", kFile)); }, "w", false},
    };
    ProfileCache trusting(-std::chrono::hours(1));
    const auto trustingRead = [&] {
        return trusting.FindValue("./Quorvix.ini", "s", "k").value_or(kDefault);
    };
    for (bool stampsOnly : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (stampsOnly ? ", stamps trusted" : ""));
            if (stampsOnly && c.stampMayStay) {
                continue;
            }
            std::filesystem::current_path(dir());
            std::filesystem::remove_all("other");
            WriteFile("Quorvix.ini", first);
            SetModified("Quorvix.ini", 1000000000);
            const auto read = [&] { return stampsOnly ? trustingRead() : Read("s", "k"); };
            ASSERT_EQ(read(), "v");
            ASSERT_EQ(read(), "v");
            c.change();
            EXPECT_EQ(read(), c.expected);
        }
    }
}

// A read while timestamps cannot yet be trusted compares the file with the
// kept content piece by piece.
TEST_F(PrivateProfile, FileHoldsComparesEveryByte) {
    const std::string large(200 * 1024 + 7, 'a');  // several pieces, the last one short
    std::string lastByte = large;
    lastByte.back() = 'b';
    std::string atPieceEnd = large;
    atPieceEnd[64 * 1024 - 1] = 'c';
    struct Case {
        const char* what;
        std::string inFile;
        std::string kept;
        bool same;
    };
    const Case cases[] = {
        {"same", large, large, true},
        {"empty", "", "", true},
        {"last byte differs", lastByte, large, false},
        {"byte at the end of a piece differs", atPieceEnd, large, false},
        {"file longer", large + "x", large, false},
        {"file shorter", large.substr(1), large, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("f", c.inFile);
        FileStamp stamp;
        EXPECT_EQ(FileHolds("f", c.kept, stamp), c.same);
        EXPECT_EQ(stamp, StampOf("f"));
    }
    FileStamp stamp;
    EXPECT_FALSE(FileHolds("missing", "", stamp));
}

}  // namespace
