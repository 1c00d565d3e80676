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

void LoadDataLibrary(DataLibraryTexts& texts) {
    const std::string empty = DataLibraryEmptyText();
    for (const EntryLayout& entry : kEntries) {
        texts.*entry.data =
            GetPrivateProfileStringA(*entry.section, kDataKey, empty, kDataLibraryFile);
        texts.*entry.memo =
            GetPrivateProfileStringA(*entry.section, kMemoKey, empty, kDataLibraryFile);
    }
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
