#include "SvgPicture.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>

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

int SvgPicture::renderedBandCount() const
{
    if (m_bandsSize != size())
        return 0;
    return int(std::count_if(
        m_bands.cbegin(), m_bands.cend(), [](const QPixmap &band) { return !band.isNull(); }));
}

void SvgPicture::paintEvent(QPaintEvent *)
{
    if (!hasPicture() || size().isEmpty())
        return;
    const qreal dpr = devicePixelRatioF();
    if (m_bandsSize != size() || m_bandsRatio != dpr) {
        m_bands = QList<QPixmap>(m_bandCount);
        m_bandsSize = size();
        m_bandsRatio = dpr;
    }
    // The animation comes back to each band every few ticks: keep what was rendered.
    QPixmap &band = m_bands[m_band];
    if (band.isNull())
        band = QPixmap::fromImage(renderBand(m_band, size(), dpr));
    QPainter painter(this);
    painter.drawPixmap(rect(), band);
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
