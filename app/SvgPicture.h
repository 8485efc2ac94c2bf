#pragma once

#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QSvgRenderer;

// A picture drawn from an SVG resource at the screen's pixel density.
// A picture of several bands stacked vertically shows one band at a time; without a resource
// it is a transparent area that only reports clicks.
class SvgPicture : public QWidget
{
    Q_OBJECT
public:
    SvgPicture(const QString &svgResource, int bandCount, QWidget *parent = nullptr);

    int bandCount() const { return m_bandCount; }
    int band() const { return m_band; }
    void setBand(int band);

    // True when the resource was given and loads as a drawable picture.
    bool hasPicture() const;

    // The band on display as painted, for checking the artwork.
    QImage renderBand(int band, const QSize &size, qreal devicePixelRatio) const;

    // Bands rendered so far at the current size and density. A band is rendered the first time
    // it is painted, never before: the first paint of a strip costs one band, not all of them.
    int renderedBandCount() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QSvgRenderer *m_renderer = nullptr;
    int m_bandCount = 1;
    int m_band = 0;
    QList<QPixmap> m_bands; // by band, null until painted
    QSize m_bandsSize; // the size and pixel density m_bands were rendered at
    qreal m_bandsRatio = 0;
};
