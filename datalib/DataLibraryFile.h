#pragma once

#include <string>

#include "platform/profile/PrivateProfile.h"

// The data library file: three expected-receive entries and three send
// entries, each a text with a memo, in ".\Quorvix.ini" of the current
// directory.

extern const char* const kDataLibraryFile;

extern const char* const kExpectedSection1;
extern const char* const kExpectedSection2;
extern const char* const kExpectedSection3;
extern const char* const kSendSection1;
extern const char* const kSendSection2;
extern const char* const kSendSection3;

// What a missing file, section or key reads as: "数据空" (GBK).
std::string DataLibraryEmptyText();

// The twelve texts of the library, as the data library dialog holds them.
struct DataLibraryTexts {
    std::string m_strExpected1;
    std::string m_strExpected2;
    std::string m_strExpected3;
    std::string m_strExpectedMemo1;
    std::string m_strExpectedMemo2;
    std::string m_strExpectedMemo3;
    std::string m_strSend1;
    std::string m_strSend2;
    std::string m_strSend3;
    std::string m_strSendMemo1;
    std::string m_strSendMemo2;
    std::string m_strSendMemo3;
};

// Replaces all twelve texts with the file's values, section by section, each
// section's "Data" before its "Memo". `fileName` is taken as the private-profile
// functions take it.
void LoadDataLibrary(DataLibraryTexts& texts, const std::string& fileName = kDataLibraryFile);

// The two kinds of entry, each numbered 1 to 3.
enum class DataLibraryKind { Expected, Send };

// The section that holds an entry; empty for a number other than 1 to 3.
std::string DataLibrarySection(DataLibraryKind kind, int number);

// One entry's "Data" as a program other than the dialog needs it: the dialog
// shows "数据空" for anything absent, a script must tell absence from a value.
struct DataLibraryData {
    enum Status {
        Present,       // `value` holds the text, exactly as the dialog reads it
        MissingEntry,  // the file is there but has no such section or key
        MissingFile,   // there is no such file
        Unreadable,    // the file cannot be read: `reason` says why (GBK)
    };
    Status status = MissingEntry;
    std::string value;
    std::string reason;
};

// Reads the "Data" of one entry (number 1 to 3; another number is a missing
// entry) with the dialog's read.
DataLibraryData ReadDataLibraryData(DataLibraryKind kind, int number,
                                    const std::string& fileName = kDataLibraryFile);

// Writes one entry: "Memo" first, then "Data". Texts that cannot be stored
// are refused before either is written, so an entry is never half refused.
ProfileWriteResult SaveDataLibraryEntry(const std::string& section, const std::string& memo,
                                        const std::string& data);
