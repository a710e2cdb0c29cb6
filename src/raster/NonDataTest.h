// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The non-data comparison of the area statistics, the conversion and the
// preview. The value is kept in both real widths once per operation, and a
// sample is compared with the form that matches the width of the samples.
#include <cstdint>

#include "port/WindowPort.h"

namespace skeldra {

struct NonDataTest {
    float SingleForm = 0;   // the value rounded to a 4-byte real; 0 beyond its range or when off
    double DoubleForm = 0;  // the value rounded to an 8-byte real; 0 beyond its range or when off
};

// The test for an operation that starts with the ignore box as given. When
// it is set, the non-data box is read twice, once per form, so that a bad
// entry is reported once for each; when it is clear the box is not read.
NonDataTest MakeNonDataTest(WindowPort& port, bool ignoreNonDataValue);

// The forms of one value, without reading a box: 0 for a form whose range
// the value exceeds.
float singleNonDataForm(long double value);
double doubleNonDataForm(long double value);

// Whether a sample counts as the non-data value. 8-byte samples compare with
// DoubleForm, all narrower ones (integers included) with SingleForm, exactly.
// A NaN sample equals nothing and so is never the non-data value.
inline bool IsNonDataValue(const NonDataTest& test, long double value, int32_t bytesPerSample,
                           bool ignoreNonDataValue)
{
    if (!ignoreNonDataValue) return false;
    if (bytesPerSample == 8) return value == static_cast<long double>(test.DoubleForm);
    return value == static_cast<long double>(test.SingleForm);
}

}  // namespace skeldra
