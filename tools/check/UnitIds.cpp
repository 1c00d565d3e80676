#include "tools/check/UnitIds.h"

const char kUnitIdPrompt[] = "unit id (Enter to test, Ctrl-D to end):";

std::string NextUnitId(std::string line, std::string& lastId) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    if (!line.empty()) {
        lastId = line;
    }
    return lastId;
}
