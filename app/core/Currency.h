#pragma once

#include <QtGlobal>

#include <compare>

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

    constexpr Currency operator+(Currency other) const { return Currency(m_units + other.m_units); }
    constexpr Currency operator-(Currency other) const { return Currency(m_units - other.m_units); }
    constexpr Currency operator-() const { return Currency(-m_units); }
    Currency &operator+=(Currency other)
    {
        m_units += other.m_units;
        return *this;
    }
    Currency &operator-=(Currency other)
    {
        m_units -= other.m_units;
        return *this;
    }
    constexpr Currency operator*(qint64 factor) const { return Currency(m_units * factor); }
    // Multiplying by a fractional factor rounds the product like fromDouble.
    Currency operator*(double factor) const;

    constexpr auto operator<=>(const Currency &) const = default;

    static constexpr qint64 UnitsPerDollar = 10000;

private:
    constexpr explicit Currency(qint64 units) : m_units(units) { }
    qint64 m_units = 0;
};
