#pragma once

#include <chrono>
#include <optional>
#include <string>

// Values as the results database and the pending file hold them, the same on
// SQLite and PostgreSQL, so that one SQL text reads both.

// ISO-8601 UTC with milliseconds, "2025-03-14T08:26:53.589Z": in this form
// text order is time order, which is what the queries compare.
std::string StoredTime(std::chrono::system_clock::time_point at);
// The same text read back; nothing for any other form.
std::optional<std::chrono::system_clock::time_point> ReadStoredTime(const std::string& text);

// A text as UTF-8 the logs write (see ToUtf8), with NUL characters, which
// PostgreSQL refuses in text, as U+FFFD.
std::string StoredText(const std::string& text);
