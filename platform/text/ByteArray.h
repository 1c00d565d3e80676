#pragma once

#include <vector>

// Bytes as the parser, the send workers and the serial control pass them on.
using ByteArray = std::vector<unsigned char>;
