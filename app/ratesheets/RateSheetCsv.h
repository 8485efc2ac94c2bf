#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QVector>

// Comma-separated text as spreadsheets write and read it: fields between double quotes when
// they hold the separator, a quote (doubled) or a line break; records ending in CR LF.
//
// Reading accepts what spreadsheets save: a byte-order mark (UTF-8, or UTF-16 from "Unicode
// text"), CR LF, LF or CR line ends, and ",", ";" or a tab as separator, whichever the header
// line uses most outside quotes.
class RateSheetCsv
{
public:
    struct Record
    {
        int line = 0; // the file's line where the record starts, 1 for the first
        QStringList fields;
    };

    struct Reading
    {
        QVector<Record> records;
        QChar separator = u',';
        // The first thing that makes the text unreadable, empty when none, and its line.
        QString problem;
        int problemLine = 0;
        bool ok() const { return problem.isEmpty(); }
    };

    static Reading read(const QByteArray &bytes);

    // One record, its fields quoted where a spreadsheet would misread them otherwise, and CR LF.
    static QString record(const QStringList &fields, QChar separator = u',');
    static QByteArray utf8Bom();

    // A spreadsheet runs a cell that begins with =, +, -, @ as a formula (a sheet passed on by
    // mail could then fetch or run things); a leading apostrophe makes it show as text. An
    // apostrophe is guarded too, so withoutFormulaGuard() gives back every name unchanged.
    static QString formulaGuarded(const QString &name);
    // The text with one leading apostrophe removed, if it has one.
    static QString withoutFormulaGuard(const QString &field);

    // The separator the header line (the text up to its first line end outside quotes) uses.
    static QChar detectSeparator(const QString &text);
};
