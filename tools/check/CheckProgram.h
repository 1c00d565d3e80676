#pragma once

#include <string>
#include <vector>

// The check program from its command line to its exit code: options, plan,
// results log, the port opened through the serial control, the units and the
// summary. Needs a QCoreApplication; prints to standard output and error.
// A usage, port or file error before the first unit prints one line on
// standard error and returns 3.
int RunCheckProgram(const std::vector<std::string>& arguments);
