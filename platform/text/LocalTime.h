#pragma once

#include <chrono>
#include <string>

// ISO-8601 local time with milliseconds and the offset from UTC, as the logs
// write it: "2025-03-14T09:26:53.589+01:00". Qt Core does the time zone, so
// it reads the same on every platform.
std::string LocalIsoTime(std::chrono::system_clock::time_point at);
