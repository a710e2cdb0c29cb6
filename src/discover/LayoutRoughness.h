// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// How rough a complete layout reads: what tells a layout read right from
// one that is a few samples askew, a multiple of the record length, or a
// wrong encoding, once all of them look plausible on their own.
#include "discover/CandidateLayout.h"
#include "discover/FileSample.h"

namespace skeldra {

// Mean change to the next line (counted twice) and to the next sample,
// relative to the spread of the values, over line pairs spread through
// every band, the roughest quarter of pairs left out; plus a penalty for
// implausible reals and samples beyond the end of the file. About 0.05 for
// an image read right, 0.3 and more for one read wrong, 10 for a layout
// that cannot be read.
double layoutRoughness(FileSample& file, const CandidateLayout& layout);

}  // namespace skeldra
