#include "Currency.h"

#include <cmath>
#include <limits>

Currency Currency::fromDouble(double value)
{
    if (std::isnan(value))
        return Currency();
    const double scaled = std::nearbyint(value * UnitsPerDollar);
    // 2^63 is exactly representable; anything at or beyond it saturates.
    constexpr double limit = 9223372036854775808.0;
    if (scaled >= limit)
        return Currency(std::numeric_limits<qint64>::max());
    if (scaled < -limit)
        return Currency(std::numeric_limits<qint64>::min());
    return Currency(static_cast<qint64>(scaled));
}

Currency Currency::operator*(double factor) const
{
    return fromDouble(toDouble() * factor);
}
