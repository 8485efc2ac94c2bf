#pragma once

#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <climits>

// Reads PDF files back through poppler's command-line tools, as a user's viewer would.
namespace PdfProbe {

struct Word
{
    int page = 0;
    QString text;
    double xMin = 0; // points from the paper's left edge
    double yMin = 0; // points from the paper's top edge
    double xMax = 0;
    double yMax = 0;
};

inline QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

// Every word pdftotext finds, with its page (from 1) and box.
inline QList<Word> words(const QString &path)
{
    QList<Word> found;
    QXmlStreamReader xml(
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")}));
    int page = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("page")) {
            ++page;
        } else if (xml.name() == QLatin1String("word")) {
            Word w;
            w.page = page;
            w.xMin = xml.attributes().value(QLatin1String("xMin")).toDouble();
            w.yMin = xml.attributes().value(QLatin1String("yMin")).toDouble();
            w.xMax = xml.attributes().value(QLatin1String("xMax")).toDouble();
            w.yMax = xml.attributes().value(QLatin1String("yMax")).toDouble();
            w.text = xml.readElementText();
            found.append(w);
        }
    }
    return found;
}

// A field of pdfinfo's answer ("Title", "Pages", "Page size"), blanks removed.
inline QString info(const QString &path, const QString &field)
{
    const QRegularExpressionMatch m
        = QRegularExpression(
            QStringLiteral("^%1:\\s+([^\\n]*)").arg(field), QRegularExpression::MultilineOption)
              .match(QString::fromUtf8(run(QStringLiteral("pdfinfo"), {path})));
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

inline int pages(const QString &path)
{
    bool ok = false;
    const int n = info(path, QStringLiteral("Pages")).toInt(&ok);
    return ok ? n : -1;
}

// Size of page `page` in points, from pdfinfo.
inline QSizeF pageSize(const QString &path, int page)
{
    const QString text = QString::fromUtf8(run(QStringLiteral("pdfinfo"),
        {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
            path}));
    const QRegularExpressionMatch m
        = QRegularExpression(QStringLiteral("Page\\s+%1 size:\\s+([0-9.]+) x ([0-9.]+)").arg(page))
              .match(text);
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

// Page `page` drawn by pdftoppm at `dpi`.
inline QImage pageImage(const QString &path, int page, int dpi)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
            QString::number(page), QStringLiteral("-l"), QString::number(page),
            QStringLiteral("-singlefile"), path, prefix});
    return QImage(prefix + QStringLiteral(".png"));
}

// Bounds, in points, of the ink within `area` (points) of a page drawn at `dpi`; empty when
// the area holds none.
inline QRectF inkBounds(const QImage &page, const QRectF &area, int dpi)
{
    const double scale = dpi / 72.0;
    const QRect pixels = QRectF(area.topLeft() * scale, area.bottomRight() * scale)
                             .toAlignedRect()
                             .intersected(page.rect());
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            if (qGray(page.pixel(x, y)) < 128) {
                left = qMin(left, x);
                top = qMin(top, y);
                right = qMax(right, x);
                bottom = qMax(bottom, y);
            }
        }
    }
    if (right < 0)
        return {};
    return QRectF(
        left / scale, top / scale, (right + 1 - left) / scale, (bottom + 1 - top) / scale);
}

// The folder the queue RouvelPDF writes into, from its own cups-pdf settings (written by
// scripts/pdf-printer.sh); empty when there are none.
inline QString cupsPdfFolder()
{
    QFile conf(QStringLiteral("/etc/cups/cups-pdf-rouvel.conf"));
    if (!conf.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpression out(QStringLiteral("^Out\\s+(\\S+)"));
    while (!conf.atEnd()) {
        const QRegularExpressionMatch m = out.match(QString::fromLocal8Bit(conf.readLine()));
        if (m.hasMatch())
            return m.captured(1);
    }
    return {};
}

} // namespace PdfProbe
