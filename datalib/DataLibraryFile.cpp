#include "datalib/DataLibraryFile.h"

#include "platform/text/Gbk.h"

const char* const kDataLibraryFile = ".\\Quorvix.ini";

const char* const kExpectedSection1 = "Current Data Term1";
const char* const kExpectedSection2 = "Current Data Term2";
const char* const kExpectedSection3 = "Current Data Term3";
const char* const kSendSection1 = "Send Data Term1";
const char* const kSendSection2 = "Send Data Term2";
const char* const kSendSection3 = "Send Data Term3";

namespace {

constexpr const char* kDataKey = "Data";
constexpr const char* kMemoKey = "Memo";

struct EntryLayout {
    const char* const* section;
    std::string DataLibraryTexts::*data;
    std::string DataLibraryTexts::*memo;
};

// In the order the library is read.
const EntryLayout kEntries[] = {
    {&kExpectedSection1, &DataLibraryTexts::m_strExpected1, &DataLibraryTexts::m_strExpectedMemo1},
    {&kExpectedSection2, &DataLibraryTexts::m_strExpected2, &DataLibraryTexts::m_strExpectedMemo2},
    {&kExpectedSection3, &DataLibraryTexts::m_strExpected3, &DataLibraryTexts::m_strExpectedMemo3},
    {&kSendSection1, &DataLibraryTexts::m_strSend1, &DataLibraryTexts::m_strSendMemo1},
    {&kSendSection2, &DataLibraryTexts::m_strSend2, &DataLibraryTexts::m_strSendMemo2},
    {&kSendSection3, &DataLibraryTexts::m_strSend3, &DataLibraryTexts::m_strSendMemo3},
};

}  // namespace

std::string DataLibraryEmptyText() {
    return gbk::Text("数据空");
}

void LoadDataLibrary(DataLibraryTexts& texts, const std::string& fileName) {
    const std::string empty = DataLibraryEmptyText();
    for (const EntryLayout& entry : kEntries) {
        texts.*entry.data = GetPrivateProfileStringA(*entry.section, kDataKey, empty, fileName);
        texts.*entry.memo = GetPrivateProfileStringA(*entry.section, kMemoKey, empty, fileName);
    }
}

std::string DataLibrarySection(DataLibraryKind kind, int number) {
    if (number < 1 || number > 3) {
        return std::string();
    }
    // The expected entries come first in the layout, then the send entries.
    const size_t at = static_cast<size_t>(number - 1) + (kind == DataLibraryKind::Send ? 3 : 0);
    return *kEntries[at].section;
}

DataLibraryData ReadDataLibraryData(DataLibraryKind kind, int number, const std::string& fileName) {
    DataLibraryData result;
    const std::string section = DataLibrarySection(kind, number);
    if (section.empty()) {
        return result;
    }
    // A value is one line, so a line break can only be the default: the
    // dialog's own read then tells a present value, even an empty one or
    // "数据空", from an absent one.
    const std::string absent = "\n";
    std::string value = GetPrivateProfileStringA(section, kDataKey, absent, fileName);
    if (value != absent) {
        result.status = DataLibraryData::Present;
        result.value = std::move(value);
        return result;
    }
    const FileContent file = ReadProfileFile(fileName);
    if (file.status == FileContent::Missing) {
        result.status = DataLibraryData::MissingFile;
    } else if (file.status == FileContent::Failed) {
        result.status = DataLibraryData::Unreadable;
        result.reason = file.reason;
    }
    return result;
}

ProfileWriteResult SaveDataLibraryEntry(const std::string& section, const std::string& memo,
                                        const std::string& data) {
    for (const auto& [key, value] : {std::pair{kMemoKey, &memo}, std::pair{kDataKey, &data}}) {
        if (std::string why = WhyProfileWriteRefused(section, key, *value); !why.empty()) {
            return ProfileWriteResult{false, std::move(why)};
        }
    }
    ProfileWriteResult result =
        WritePrivateProfileStringA(section, kMemoKey, memo, kDataLibraryFile);
    if (!result) {
        return result;
    }
    return WritePrivateProfileStringA(section, kDataKey, data, kDataLibraryFile);
}
