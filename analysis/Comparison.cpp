#include "analysis/Comparison.h"

const char kGoodResult[] = "GOOD";

bool ReceiveTextTooLong(const std::string& receiveText) {
    return receiveText.size() > kLongestReceiveText;
}

bool FilteredOverrunsExpected(const std::string& strippedFiltered,
                              const std::string& strippedExpected) {
    return strippedFiltered.size() > strippedExpected.size();
}

std::string CompareResult(const std::string& strippedExpected,
                          const std::string& strippedFiltered) {
    return strippedExpected == strippedFiltered ? kGoodResult : "";
}
