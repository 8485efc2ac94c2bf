#include "SvgPicture.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

SvgPicture::SvgPicture(const QString &svgResource, int bandCount, QWidget *parent)
    : QWidget(parent)
    , m_bandCount(qMax(1, bandCount))
{
    if (!svgResource.isEmpty())
        m_renderer = new QSvgRenderer(svgResource, this);
}

void SvgPicture::setBand(int band)
{
    if (band < 0 || band >= m_bandCount || band == m_band)
        return;
    m_band = band;
    update();
}

bool SvgPicture::hasPicture() const { return m_renderer && m_renderer->isValid(); }

QImage SvgPicture::renderBand(int band, const QSize &size, qreal devicePixelRatio) const
{
    QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (!hasPicture() || band < 0 || band >= m_bandCount || size.isEmpty())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Draw the whole strip shifted so that only the wanted band falls on the image.
    const QRectF target(
        0, -band * image.height(), image.width(), qreal(image.height()) * m_bandCount);
    m_renderer->render(&painter, target);
    painter.end();
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

void SvgPicture::paintEvent(QPaintEvent *)
{
    if (!hasPicture())
        return;
    const qreal dpr = devicePixelRatioF();
    const QSize bandPixels = size() * dpr;
    if (m_sheet.isNull() || m_sheet.width() != bandPixels.width()
        || m_sheet.height() != bandPixels.height() * m_bandCount) {
        QImage sheet(bandPixels.width(), bandPixels.height() * m_bandCount,
            QImage::Format_ARGB32_Premultiplied);
        sheet.fill(Qt::transparent);
        QPainter sheetPainter(&sheet);
        sheetPainter.setRenderHint(QPainter::Antialiasing);
        m_renderer->render(&sheetPainter, QRectF(sheet.rect()));
        sheetPainter.end();
        m_sheet = QPixmap::fromImage(sheet);
    }
    QPainter painter(this);
    const QRect source(0, m_band * bandPixels.height(), bandPixels.width(), bandPixels.height());
    painter.drawPixmap(rect(), m_sheet, source);
}

void SvgPicture::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    emit clicked();
}

void SvgPicture::resizeEvent(QResizeEvent *event)
{
    m_sheet = QPixmap();
    QWidget::resizeEvent(event);
}
