#include "analysis/BlankFilter.h"

#include "platform/text/Gbk.h"

void RemoveBlanksAndTabs(std::string& text) {
    std::string kept;
    kept.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (gbk::IsLeadByte(byte) && i + 1 < text.size()) {
            kept += text[i];
            kept += text[++i];
        } else if (byte != ' ' && byte != '\t') {
            kept += text[i];
        }
    }
    text.swap(kept);
}
