// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Layout discovery: given a file whose layout is unknown or doubtful, a
// ranked list of complete layouts, each with a score and the evidence for
// it. What is certain comes first (a readable label gives a candidate, the
// ASCII text at the start bounds the header); the rest is found from a few
// windows of the file: the record length from the repetition between lines,
// the sample encoding from the smoothness of neighbouring values, pads from
// byte columns unlike image data, bands from the jumps and likenesses
// between them, and the header from where image lines start. At most a few
// MiB of the file are read, whatever its size.
//
// Failure: an input that cannot be opened or read raises the I/O error.
#include <functional>
#include <string>
#include <vector>

#include "discover/CandidateLayout.h"

namespace skeldra {

struct Discovery {
    std::vector<Candidate> candidates;  // best first
    // A sentence about the whole search: what was found, or why nothing
    // plausible was.
    std::string verdict;
    bool aborted = false;
};

// Called between the steps of the search with the steps done and the total;
// returning false stops the search (Discovery::aborted).
using DiscoveryProgress = std::function<bool(int done, int total)>;

Discovery discoverLayout(const std::string& path, const DiscoveryProgress& progress = {});

}  // namespace skeldra
