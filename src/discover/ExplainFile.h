// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// "Explain File": where every byte of the input file goes under the layout
// in the boxes, as log lines or as one JSON object on one log line (the
// batch tool's --json). When the file's own label gives line prefixes and
// the boxes hold the layout that label gives, the prefixes are named as such.
#include "port/WindowPort.h"

namespace skeldra {

enum class AccountForm { Lines, Json };

// Ends without a word when the bits per sample are not supported (after
// ReadFormatParameters' message); the file's I/O errors end it as usual.
void ExplainFile(WindowPort& port, AccountForm form = AccountForm::Lines);

}  // namespace skeldra
