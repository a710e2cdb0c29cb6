#pragma once
// The record length: the bytes from one image line to the next. A line of
// an image resembles the next one more than anything else at a similar
// distance, so the lag at which a run of samples differs least from the
// bytes further on is the record length.
#include <cstdint>
#include <functional>
#include <cstddef>
#include <vector>

#include "discover/SampleCodes.h"

namespace skeldra {

struct LagFit {
    int64_t lag = 0;
    double depth = 0;  // 1 - difference at the lag / typical difference; 0..1
};

// Returns false to stop the search.
using KeepGoing = std::function<bool()>;

// Lags between minLag and maxLag, best first (local minima of the
// difference), at most `count`. Runs of codes at every byte offset are
// compared with the codes `lag` further on: where a run's offset starts a
// sample, its line's samples meet the next line's, whatever the alignment,
// and codes of samples read across their boundaries (out of range) do not
// take part.
std::vector<LagFit> recordLengths(const SampleCodes& codes, int64_t minLag, int64_t maxLag, size_t count,
                                  const KeepGoing& keepGoing);

}  // namespace skeldra
