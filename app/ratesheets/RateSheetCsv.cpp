#include "ratesheets/RateSheetCsv.h"

#include <QStringDecoder>

namespace {

const QChar Quote = u'"';

bool isLineEnd(QChar c) { return c == u'\n' || c == u'\r'; }

// The text, and the line of the first byte sequence that is not UTF-8 (0 when all are).
QString decodeUtf8(QByteArrayView bytes, int *badLine)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    *badLine = 0;
    if (!decoder.hasError())
        return text;
    // Line by line to say where: no byte of a multi-byte sequence is a line feed.
    int line = 1;
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QStringDecoder lineDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString ignored = lineDecoder.decode(bytes.sliced(start, end - start));
        if (lineDecoder.hasError()) {
            *badLine = line;
            break;
        }
        ++line;
        start = end + 1;
    }
    if (*badLine == 0)
        *badLine = 1;
    return text;
}

} // namespace

QByteArray RateSheetCsv::utf8Bom() { return QByteArrayLiteral("\xEF\xBB\xBF"); }

QString RateSheetCsv::formulaGuarded(const QString &name)
{
    if (name.isEmpty())
        return name;
    const QChar first = name.front();
    const bool risky
        = first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\'';
    return risky ? QChar(u'\'') + name : name;
}

QString RateSheetCsv::withoutFormulaGuard(const QString &field)
{
    return field.startsWith(u'\'') ? field.sliced(1) : field;
}

QChar RateSheetCsv::detectSeparator(const QString &text)
{
    int commas = 0;
    int semicolons = 0;
    int tabs = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == Quote) {
            quoted = !quoted;
        } else if (!quoted) {
            if (isLineEnd(c))
                break;
            commas += c == u',';
            semicolons += c == u';';
            tabs += c == u'\t';
        }
    }
    if (semicolons > commas && semicolons >= tabs)
        return u';';
    if (tabs > commas && tabs > semicolons)
        return u'\t';
    return u',';
}

RateSheetCsv::Reading RateSheetCsv::read(const QByteArray &bytes)
{
    Reading reading;
    QString text;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(
            bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
            QStringDecoder::Flag::Stateless);
        text = decoder.decode(QByteArrayView(bytes).sliced(2));
        if (decoder.hasError()) {
            reading.problem = QStringLiteral("the file is not readable UTF-16 text");
            reading.problemLine = 1;
            return reading;
        }
    } else {
        QByteArrayView body(bytes);
        if (body.startsWith(utf8Bom()))
            body = body.sliced(3);
        int badLine = 0;
        text = decodeUtf8(body, &badLine);
        if (badLine > 0) {
            reading.problem = QStringLiteral(
                "the line holds bytes that are not UTF-8 text (save the sheet as \"CSV UTF-8\")");
            reading.problemLine = badLine;
            return reading;
        }
    }

    const QChar separator = detectSeparator(text);
    reading.separator = separator;
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    // Steps over a line end (CR LF, LF or CR) at i, counting the line.
    const auto skipLineEnd = [&] {
        if (text.at(i) == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        ++i;
        ++line;
    };

    while (i < n) {
        Record record;
        record.line = line;
        for (;;) {
            QString field;
            if (i < n && text.at(i) == Quote) {
                const int opened = line;
                ++i;
                bool closed = false;
                while (i < n) {
                    const QChar c = text.at(i);
                    if (c == Quote) {
                        if (i + 1 < n && text.at(i + 1) == Quote) {
                            field += Quote;
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (isLineEnd(c)) {
                        const qsizetype from = i;
                        skipLineEnd();
                        field += text.sliced(from, i - from);
                        continue;
                    }
                    field += c;
                    ++i;
                }
                if (!closed) {
                    reading.problem = QStringLiteral("a quoted field opened here is not closed");
                    reading.problemLine = opened;
                    return reading;
                }
                if (i < n && text.at(i) != separator && !isLineEnd(text.at(i))) {
                    reading.problem = QStringLiteral("text follows the closing quote of a field");
                    reading.problemLine = line;
                    return reading;
                }
            } else {
                const qsizetype from = i;
                while (i < n && text.at(i) != separator && !isLineEnd(text.at(i)))
                    ++i;
                field = text.sliced(from, i - from);
            }
            record.fields << field;
            if (i < n && text.at(i) == separator) {
                ++i;
                continue;
            }
            if (i < n)
                skipLineEnd();
            break;
        }
        reading.records << record;
    }
    return reading;
}

QString RateSheetCsv::record(const QStringList &fields, QChar separator)
{
    QString out;
    for (qsizetype f = 0; f < fields.size(); ++f) {
        if (f > 0)
            out += separator;
        const QString &field = fields.at(f);
        // Blanks at either end are quoted too: spreadsheets drop them from a bare field.
        const bool quote = field.contains(separator) || field.contains(Quote)
            || field.contains(u'\n') || field.contains(u'\r')
            || (!field.isEmpty() && (field.front().isSpace() || field.back().isSpace()));
        if (!quote) {
            out += field;
            continue;
        }
        QString escaped = field;
        escaped.replace(Quote, QStringLiteral("\"\""));
        out += Quote + escaped + Quote;
    }
    out += QStringLiteral("\r\n");
    return out;
}
