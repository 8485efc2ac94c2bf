#include "UnitConverter.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
// Pixels are those of the screen; without one, the usual 96 dpi.
double screenDpi(UnitConverter::Axis axis)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const double dpi = axis == UnitConverter::Axis::Horizontal ? screen->logicalDotsPerInchX()
                                                                   : screen->logicalDotsPerInchY();
        if (dpi > 0)
            return dpi;
    }
    return 96.0;
}
} // namespace

double UnitConverter::twipsPerUnit(qint16 unit, Axis axis)
{
    switch (unit) {
    case Point:
        return 20.0;
    case Pixel:
        return 1440.0 / screenDpi(axis);
    case Character:
        return axis == Axis::Horizontal ? 120.0 : 240.0;
    case Inch:
        return 1440.0;
    case Millimetre:
        return 1440.0 / 25.4;
    case Centimetre:
        return 14400.0 / 25.4;
    default: // 0 and 1: twips
        return 1.0;
    }
}

double UnitConverter::convert(double value, qint16 fromUnit, qint16 toUnit, Axis axis)
{
    if (fromUnit == toUnit)
        return value;
    return value * twipsPerUnit(fromUnit, axis) / twipsPerUnit(toUnit, axis);
}
