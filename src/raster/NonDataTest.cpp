// SPDX-License-Identifier: BSD-3-Clause
#include "raster/NonDataTest.h"

#include <cmath>

namespace skeldra {
namespace {

// Rounds to nearest in the narrower type; a finite value that becomes an
// infinity has overflowed that type and gives 0 instead.
template <typename Real>
Real narrowOrZero(long double value)
{
    const Real narrowed = static_cast<Real>(value);
    if (std::isinf(narrowed) && std::isfinite(value)) return 0;
    return narrowed;
}

}  // namespace

float singleNonDataForm(long double value) { return narrowOrZero<float>(value); }
double doubleNonDataForm(long double value) { return narrowOrZero<double>(value); }

NonDataTest MakeNonDataTest(WindowPort& port, bool ignoreNonDataValue)
{
    NonDataTest test;
    if (!ignoreNonDataValue) return test;
    test.SingleForm = singleNonDataForm(port.ExtendedValue(Box::NonDataValue));
    test.DoubleForm = doubleNonDataForm(port.ExtendedValue(Box::NonDataValue));
    return test;
}

}  // namespace skeldra
