#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

// Which rates of a carrier a grid shows.
enum class RateKind { Weight, Pallet };

struct RateGridColumn
{
    QString caption; // what the grid's header shows
    QString field; // the column of the stored query behind it
};

// The one definition of the rate grids' columns and of how a rate is written and read as text.
// The rate window shows them; anything that writes or reads a carrier's rates as text (an export,
// an import) takes the same columns in the same order, so the two never disagree.
namespace RateGridColumns {

// The stored query that reads and writes a carrier's rates of that kind: ModifTarifPoids2 or
// ModifTarifPal2, with the parameter [prmNoTrans].
QString queryName(RateKind kind);
QString carrierParameter(); // "[prmNoTrans]"

// Every column in grid order, "Destination" first; the others hold rates.
QVector<RateGridColumn> columns(RateKind kind);
constexpr int DestinationColumn = 0;

// Width of each rate column in twips (1/1440 inch): 800 for the weight grid, 750 for pallets.
int rateColumnTwips(RateKind kind);

// A stored rate (ten-thousandths, or null for no rate) as the grids show it, "# ##0.00$";
// no rate shows as empty text.
QString displayText(const QVariant &stored);
// The same rate as the cell's editor offers it: digits and a period, every decimal kept
// ("1234.5678", "8.50"), so saving it unchanged changes nothing.
QString editText(const QVariant &stored);

// Reads a typed rate. Empty text (blanks aside) is no rate: a null value. Otherwise the text must
// be digits with at most one period, and at least one digit; decimals past the fourth round to
// the nearest ten-thousandth, halves to even. False (value untouched) for anything else or a rate
// too large to hold.
bool parseRate(const QString &text, QVariant *stored);

} // namespace RateGridColumns
