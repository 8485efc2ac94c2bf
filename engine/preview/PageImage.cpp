#include "PageImage.h"

#include <QPainter>

PageImage::PageImage(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageImage::setImage(const QImage &image)
{
    m_image = image;
    update();
}

void PageImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    // The image carries the screen's pixel ratio, so it lands one image pixel per screen pixel.
    painter.drawImage(QPointF(0, 0), m_image);
}
