#include "analysis/ReceiveBatch.h"

#include "analysis/BlankFilter.h"
#include "analysis/ByteText.h"
#include "analysis/Comparison.h"

bool AnalyseReceivedBytes(const std::vector<unsigned char>& bytes, bool hex,
                          const ReceiveTexts& texts) {
    // Every byte is formatted straight from the array, however many came:
    // nothing is copied into a fixed-size area first.
    for (unsigned char byte : bytes) {
        const std::string byteText = ByteText(byte, hex);
        texts.receive += byteText;
        texts.filtered += byteText;
    }

    std::string comparison = texts.filtered;
    RemoveBlanksAndTabs(comparison);
    // The member loses its blanks and tabs; its box keeps the text as typed.
    RemoveBlanksAndTabs(texts.expected);

    const bool overran = FilteredOverrunsExpected(comparison, texts.expected);
    if (overran) {
        // The bytes of this event go with the rest.
        texts.filtered.clear();
        comparison.clear();
    }
    if (ReceiveTextTooLong(texts.receive)) {
        texts.receive.clear();
    }
    texts.result = CompareResult(texts.expected, comparison);
    return overran;
}
