#pragma once

#include "ReportFormat.h"

#include <QByteArray>

#include <functional>

class QIODevice;
class ReportReader;

// The text replay of a report: 8-bit text with CR LF line ends, each text placed at a column
// of its x position, a form-feed line per page break.
class TextExporter
{
public:
    explicit TextExporter(qint16 scaleMode);

    // Appends the replay of one record to the output buffer (TEXTOUT and NEWPAGE only).
    void replay(const ReportFormat::Record &record);
    // The closing form feed.
    void finish();

    QByteArray &output() { return m_out; }

    // Character column (from 1) of an x position in the report unit.
    static int columnOf(double x, qint16 scaleMode);

    // Exports records 2 and up of pages 1 to totalPages into the device, stopping at ENDDOC.
    // yield runs between records so windows stay alive. Write errors throw VellumError (file)
    // with the device's error string, which names the file and the cause.
    static void run(ReportReader &reader, QIODevice &out, qint16 totalPages,
        const std::function<void()> &yield = {});

private:
    qint16 m_scaleMode;
    double m_lastY = 0.0;
    qsizetype m_lineLength = 0; // characters written on the current line
    QByteArray m_out;
};
