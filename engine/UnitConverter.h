#pragma once

#include <QtGlobal>

// Converts report positions between unit codes, always through twips. Only the pixel (3) and
// character (4) codes differ between the two directions.
class UnitConverter
{
public:
    enum class Axis { Horizontal, Vertical };

    static constexpr qint16 Twip0 = 0;
    static constexpr qint16 Twip = 1;
    static constexpr qint16 Point = 2;
    static constexpr qint16 Pixel = 3;
    static constexpr qint16 Character = 4;
    static constexpr qint16 Inch = 5;
    static constexpr qint16 Millimetre = 6;
    static constexpr qint16 Centimetre = 7;

    static bool isValidUnit(qint16 unit) { return unit >= 0 && unit <= 7; }
    // Twips in one unit of the code along the axis.
    static double twipsPerUnit(qint16 unit, Axis axis);
    static double convert(double value, qint16 fromUnit, qint16 toUnit, Axis axis);
    static double toTwips(double value, qint16 unit, Axis axis)
    {
        return value * twipsPerUnit(unit, axis);
    }
    static double fromTwips(double twips, qint16 unit, Axis axis)
    {
        return twips / twipsPerUnit(unit, axis);
    }
};
