#pragma once

#include <vector>

// Groups of the analysis window's controls that tests look at together.

// The five send controls, in the order a run of automatic sending disables them.
extern const std::vector<int> kSendControls;
// "OPEN" and the six line lists: enabled exactly while the port is closed, and
// disabled in this order when it opens.
extern const std::vector<int> kLineControls;
