#pragma once

#include <QtGlobal>

#include <compare>
#include <limits>

// An amount of money, a rate or a price, held as a signed count of ten-thousandths so that sums
// and comparisons are exact.
class Currency
{
public:
    constexpr Currency() = default;

    static constexpr Currency fromTenThousandths(qint64 units) { return Currency(units); }
    // Rounds to the nearest ten-thousandth (halves to even); saturates outside the range and
    // reads a NaN as zero, so no input can overflow.
    static Currency fromDouble(double value);

    constexpr qint64 tenThousandths() const { return m_units; }
    double toDouble() const { return double(m_units) / UnitsPerDollar; }
    constexpr bool isZero() const { return m_units == 0; }

    // Sums, differences and products saturate at the ends of the range instead of wrapping,
    // so a huge rate typed in a grid gives a huge price, never a negative one.
    constexpr Currency operator+(Currency other) const
    {
        qint64 sum = 0;
        if (__builtin_add_overflow(m_units, other.m_units, &sum))
            return Currency(other.m_units > 0 ? Max : Min);
        return Currency(sum);
    }
    constexpr Currency operator-(Currency other) const
    {
        qint64 difference = 0;
        if (__builtin_sub_overflow(m_units, other.m_units, &difference))
            return Currency(other.m_units < 0 ? Max : Min);
        return Currency(difference);
    }
    constexpr Currency operator-() const
    {
        return m_units == Min ? Currency(Max) : Currency(-m_units);
    }
    Currency &operator+=(Currency other) { return *this = *this + other; }
    Currency &operator-=(Currency other) { return *this = *this - other; }
    constexpr Currency operator*(qint64 factor) const
    {
        qint64 product = 0;
        if (__builtin_mul_overflow(m_units, factor, &product))
            return Currency((m_units < 0) != (factor < 0) ? Min : Max);
        return Currency(product);
    }
    // Multiplying by a fractional factor rounds the product like fromDouble.
    Currency operator*(double factor) const;

    constexpr auto operator<=>(const Currency &) const = default;

    static constexpr qint64 UnitsPerDollar = 10000;

private:
    static constexpr qint64 Max = std::numeric_limits<qint64>::max();
    static constexpr qint64 Min = std::numeric_limits<qint64>::min();

    constexpr explicit Currency(qint64 units)
        : m_units(units)
    {
    }
    qint64 m_units = 0;
};
