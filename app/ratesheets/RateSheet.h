#pragma once

#include "rateadjust/RateGridColumns.h"
#include "ratesheets/RateSheetCsv.h"

#include <QString>
#include <QVariant>
#include <QVector>

// One reason a rate sheet is refused, where a clerk finds it in the spreadsheet.
struct RateSheetProblem
{
    int line = 0; // the file's line, the header being line 1
    int position = -1; // the field's place in its record, from 0; -1: the whole line
    QString column; // the caption over that field, as the header writes it
    QString text; // the field as the sheet holds it
    QString reason; // what is wrong with it, as the end of a sentence about the text

    // "line 1500, column D (LTL): "abc" is not an amount"
    QString toText() const;
    // Spreadsheet column letters: 0 is A, 25 Z, 26 AA.
    static QString columnLetters(int position);

    friend bool operator==(const RateSheetProblem &, const RateSheetProblem &) = default;
};

// A carrier's rates of one kind as a sheet gives them, checked against the rate grid's columns:
// each row a destination, with a value (a rate, or null for no rate) for every rate column the
// sheet has. Columns the sheet leaves out are not part of it.
class RateSheet
{
public:
    struct Row
    {
        int line = 0;
        QString destination; // as written, blanks included
        QVector<QVariant> rates; // one per rateColumns(): qint64 ten-thousandths, or null
    };

    // Reads and checks a sheet. On any problem, problems() lists them all and rows() is empty.
    static RateSheet parse(const QByteArray &bytes, RateKind kind);
    static RateSheet parse(const RateSheetCsv::Reading &reading, RateKind kind);

    bool ok() const { return m_problems.isEmpty(); }
    const QVector<RateSheetProblem> &problems() const { return m_problems; }
    RateKind kind() const { return m_kind; }
    // The grid columns (indexes into RateGridColumns::columns(kind)) the sheet gives rates for.
    const QVector<int> &rateColumns() const { return m_rateColumns; }
    const QVector<Row> &rows() const { return m_rows; }
    // Where the destination names stand: the field's place and its caption as written.
    int destinationPosition() const { return m_destinationPosition; }
    QString destinationCaption() const { return m_destinationCaption; }

    // An amount as spreadsheets write one: "11.07", "1 234.56 $", "# ##0.00$" style, blanks
    // (also no-break ones) anywhere, "$" before or after. Empty text is no rate (null). Returns
    // the reason it is not a rate, empty when *rate was set.
    static QString readRate(const QString &text, QVariant *rate);

    // The key a name shares with the same name in other capitals, blanks at its ends included
    // (DestinationName::writtenKey); names of one destination share the key of their trimmed
    // text (DestinationName::key).
    static QString destinationKey(const QString &name);

private:
    RateKind m_kind = RateKind::Weight;
    QVector<int> m_rateColumns;
    QVector<Row> m_rows;
    QVector<RateSheetProblem> m_problems;
    int m_destinationPosition = -1;
    QString m_destinationCaption;
};
