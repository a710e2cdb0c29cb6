// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// How texts of the operations are shown on screen.
#include <QString>
#include <string>

// Bytes of the input file are taken one to one as characters, file paths are
// in the system's UTF-8: text that is UTF-8 is shown as such, any other text
// byte for byte.
QString displayText(const std::string& text);

// Control characters as visible symbols (a CR as "␍", the other C0 controls
// and DEL as their control pictures, C1 controls and the Unicode line and
// paragraph separators as U+FFFD), so that one log line is one line on screen.
QString withControlPictures(QString text);
