#pragma once

#include <string>

// Removes every blank and tab from a GBK text, in place. The text is walked
// character by character: the byte after a lead byte belongs to that
// character and is never taken for a blank or tab. Line breaks stay.
void RemoveBlanksAndTabs(std::string& text);
