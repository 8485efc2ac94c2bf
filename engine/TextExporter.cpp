#include "TextExporter.h"

#include "ReportReader.h"
#include "UnitConverter.h"
#include "VellumError.h"

#include <QIODevice>

#include <cmath>

using namespace ReportFormat;

namespace {
constexpr char lineEnd[] = "\r\n";
constexpr qsizetype flushThreshold = 64 * 1024;
} // namespace

TextExporter::TextExporter(qint16 scaleMode)
    : m_scaleMode(scaleMode)
{
}

int TextExporter::columnOf(double x, qint16 scaleMode)
{
    const double characters = UnitConverter::convert(
        x, scaleMode, UnitConverter::Character, UnitConverter::Axis::Horizontal);
    // Ties go to even, as the default rounding mode does.
    const double column = std::nearbyint(characters * 1.2);
    return int(qBound(-1.0e6, column, 1.0e6));
}

void TextExporter::replay(const Record &record)
{
    switch (record.keyword()) {
    case Keyword::TextOut: {
        const double y = record.textY();
        if (y > m_lastY) {
            m_out.append('\r');
            m_out.append(lineEnd);
            m_lineLength = 0;
        }
        // Pad with blanks up to column n. A text that starts left of where the line already
        // reached goes on a new line, padded to its column, so no text runs into another.
        const int column = columnOf(record.textX(), m_scaleMode);
        if (m_lineLength > 0 && m_lineLength > column - 1) {
            m_out.append(lineEnd);
            m_lineLength = 0;
        }
        const qsizetype padding = m_lineLength < column - 1 ? column - 1 - m_lineLength : 0;
        m_out.append(padding, ' ');
        const QByteArray text = trimmedField(record.bytes.data() + TextField::Text, MaxTextChars);
        m_out.append(text);
        m_lineLength += padding + text.size();
        m_lastY = y;
        break;
    }
    case Keyword::NewPage:
        m_out.append(lineEnd);
        m_out.append(lineEnd);
        m_out.append('\f');
        m_out.append(lineEnd);
        m_lineLength = 0;
        break;
    default:
        break;
    }
}

void TextExporter::finish()
{
    m_out.append('\f');
    m_out.append(lineEnd);
    m_lineLength = 0;
}

void TextExporter::run(
    ReportReader &reader, QIODevice &out, qint16 totalPages, const std::function<void()> &yield)
{
    TextExporter exporter(reader.header().scaleMode);
    const auto flush = [&exporter, &out]() {
        QByteArray &buffer = exporter.m_out;
        const qsizetype size = buffer.size();
        if (size > 0 && out.write(buffer.constData(), size) != size)
            throw VellumError(VellumError::Kind::File, out.errorString());
        buffer.resize(0);
    };
    Record record;
    for (qint32 n = 2; n <= reader.recordCount(); ++n) {
        if (yield)
            yield();
        if (!reader.readRecord(n, record)) {
            throw VellumError(VellumError::Kind::File,
                QStringLiteral("Cannot read record %1 of the report file %2.")
                    .arg(n)
                    .arg(reader.path()));
        }
        const qint16 page = record.page();
        if (page <= 0)
            continue;
        if (page > totalPages)
            break;
        if (record.keyword() == Keyword::EndDoc)
            break;
        exporter.replay(record);
        if (exporter.m_out.size() >= flushThreshold)
            flush();
    }
    exporter.finish();
    flush();
}
