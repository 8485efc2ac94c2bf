#include "PageRenderer.h"

#include "ProcessPrinter.h"
#include "ReportReader.h"
#include "TextMeasurer.h"
#include "UnitConverter.h"
#include "VellumError.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImageReader>
#include <QPainter>
#include <QPen>
#include <QPrinter>

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ReportFormat;
using Axis = UnitConverter::Axis;

namespace {

VellumError pictureError(const QString &path, const QString &why)
{
    return VellumError(
        VellumError::Kind::Picture, QStringLiteral("Cannot load the picture %1: %2").arg(path, why));
}

} // namespace

QImage PageRenderer::loadPicture(const QString &path)
{
    // A report loaded from elsewhere can name anything: a FIFO or a device would block the
    // preview or the print run for ever, so only a regular file is read, and opening does not
    // wait.
    if (path.isEmpty() || path.contains(QChar(0)))
        throw pictureError(path, QStringLiteral("the path is not a file name."));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw pictureError(path, qt_error_string());
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw pictureError(path, QStringLiteral("it is not a regular file."));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw pictureError(path, file.errorString());
    }
    QImageReader reader(&file, QFileInfo(path).suffix().toLatin1());
    QImage image = reader.read();
    if (image.isNull())
        throw pictureError(path, reader.errorString());
    return image;
}

PageRenderer::Target PageRenderer::Target::preview(double zoom, double devicePixelsPerTwip)
{
    Target t;
    t.zoom = zoom;
    t.devicePixelsPerTwipX = devicePixelsPerTwip;
    t.devicePixelsPerTwipY = devicePixelsPerTwip;
    return t;
}

PageRenderer::Target PageRenderer::Target::printer(const QPrinter &printer)
{
    Target t;
    t.devicePixelsPerTwipX = printer.resolution() / 1440.0;
    t.devicePixelsPerTwipY = printer.resolution() / 1440.0;
    const ProcessPrinter::Offsets offsets = ProcessPrinter::printableOffsets(printer);
    t.originXTwips = offsets.leftTwips;
    t.originYTwips = offsets.topTwips;
    return t;
}

PageRenderer::PageRenderer(const Header &header, const Target &target)
    : m_header(header)
    , m_target(target)
{
    m_font = TextMeasurer::twipsFont(QStringLiteral("Arial"), 8, false, false, false);
    m_ascentTwips = QFontMetricsF(m_font).ascent();
}

double PageRenderer::xTwips(double reportX) const
{
    return UnitConverter::toTwips(reportX * m_target.zoom, m_header.scaleMode, Axis::Horizontal)
        - m_target.originXTwips;
}

double PageRenderer::yTwips(double reportY) const
{
    return UnitConverter::toTwips(reportY * m_target.zoom, m_header.scaleMode, Axis::Vertical)
        - m_target.originYTwips;
}

double PageRenderer::widthTwips(double reportWidth) const
{
    return UnitConverter::toTwips(
        reportWidth * m_target.zoom, m_header.scaleMode, Axis::Horizontal);
}

double PageRenderer::heightTwips(double reportHeight) const
{
    return UnitConverter::toTwips(reportHeight * m_target.zoom, m_header.scaleMode, Axis::Vertical);
}

QSizeF PageRenderer::naturalSizeTwips(const QImage &image)
{
    // Hundredths of a millimetre from the picture's own resolution, 96 dpi when it has none.
    const auto hundredthsMm = [](int pixels, int dotsPerMetre) {
        const double dpm = dotsPerMetre > 0 ? dotsPerMetre : 96.0 / 0.0254;
        return std::round(pixels / dpm * 100000.0);
    };
    return QSizeF(hundredthsMm(image.width(), image.dotsPerMeterX()),
        hundredthsMm(image.height(), image.dotsPerMeterY()));
}

void PageRenderer::startWithFont(const Record &record)
{
    if (record.keyword() != Keyword::SetFont)
        return;
    // The zoomed size keeps whole points only.
    const double points = std::floor(record.fontSize() * m_target.zoom);
    m_font = TextMeasurer::twipsFont(
        record.fontName(), points, record.bold(), record.italic(), record.underline());
    m_ascentTwips = QFontMetricsF(m_font).ascent();
}

void PageRenderer::applyFont(QPainter &painter, const Record &record)
{
    startWithFont(record);
    painter.setFont(m_font);
}

PageRenderer::Step PageRenderer::replay(QPainter &painter, const Record &record)
{
    switch (record.keyword()) {
    case Keyword::SetFont:
        applyFont(painter, record);
        return Step::Drawn;
    case Keyword::TextOut: {
        const QString text = record.text();
        if (!text.isEmpty()) {
            painter.setFont(m_font);
            // The record holds the text's top-left corner; QPainter draws from the baseline.
            painter.drawText(
                QPointF(xTwips(record.textX()), yTwips(record.textY()) + m_ascentTwips), text);
        }
        return Step::Drawn;
    }
    case Keyword::LineOut:
        painter.setPen(QPen(Qt::black, 0));
        painter.drawLine(QPointF(xTwips(record.x1()), yTwips(record.y1())),
            QPointF(xTwips(record.x2()), yTwips(record.y2())));
        return Step::Drawn;
    case Keyword::BoxOut:
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(QPointF(xTwips(record.x1()), yTwips(record.y1())),
            QPointF(xTwips(record.x2()), yTwips(record.y2())))
                             .normalized());
        return Step::Drawn;
    case Keyword::ImageOut: {
        const QImage image = loadPicture(record.imagePath());
        const QSizeF natural = naturalSizeTwips(image);
        const double w = record.imageWidth() == 0.0 ? natural.width() * m_target.zoom
                                                    : widthTwips(record.imageWidth());
        const double h = record.imageHeight() == 0.0 ? natural.height() * m_target.zoom
                                                     : heightTwips(record.imageHeight());
        painter.drawImage(QRectF(xTwips(record.x1()), yTwips(record.y1()), w, h), image);
        return Step::Drawn;
    }
    case Keyword::NewPage:
        return Step::PageEnd;
    case Keyword::EndDoc:
        return Step::DocumentEnd;
    case Keyword::Unknown:
        break;
    }
    return Step::Skipped;
}

void PageRenderer::preparePainter(QPainter &painter) const
{
    painter.scale(m_target.devicePixelsPerTwipX, m_target.devicePixelsPerTwipY);
    painter.setFont(m_font);
}

qint32 PageRenderer::replayPage(QPainter &painter, ReportReader &reader, qint32 firstRecord)
{
    painter.save();
    preparePainter(painter);
    Record record;
    qint32 n = qMax(firstRecord, 2);
    try {
        for (; n <= reader.recordCount(); ++n) {
            if (!reader.readRecord(n, record))
                break;
            const Step step = replay(painter, record);
            if (step == Step::PageEnd || step == Step::DocumentEnd) {
                ++n;
                break;
            }
        }
    } catch (...) {
        painter.restore();
        throw;
    }
    painter.restore();
    return n;
}

QImage PageRenderer::pagePicture(
    ReportReader &reader, qint32 firstRecord, qint32 paperWidthTwips, qint32 paperHeightTwips)
{
    const QSize pixels(
        qMax(1, qRound(paperWidthTwips * m_target.zoom * m_target.devicePixelsPerTwipX)),
        qMax(1, qRound(paperHeightTwips * m_target.zoom * m_target.devicePixelsPerTwipY)));
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    replayPage(painter, reader, firstRecord);
    return image;
}
