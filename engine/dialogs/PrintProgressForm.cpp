#include "PrintProgressForm.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

PrintProgressForm::PrintProgressForm(Job job, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_job(std::move(job))
{
    setObjectName(QStringLiteral("PrintProgressForm"));
    setModal(true);
    setFixedSize(toPixelsX(WidthTwips), toPixelsY(HeightTwips));
}

int PrintProgressForm::barWidthTwips(float fraction)
{
    if (!std::isfinite(fraction))
        return 0;
    const float clamped = std::clamp(fraction, 0.0f, 1.0f);
    // nearbyint follows the default rounding mode: halves to even.
    return static_cast<int>(std::nearbyint(double(TrackWidthTwips) * double(clamped)));
}

void PrintProgressForm::setProgress(float fraction)
{
    const int twips = barWidthTwips(fraction);
    if (twips == m_barTwips)
        return;
    m_barTwips = twips;
    update();
}

void PrintProgressForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    // Started from the event loop, so the box is painted before the first record is printed.
    QTimer::singleShot(0, this, [this] {
        if (!m_job)
            return;
        m_running = true;
        m_job(*this);
        m_running = false;
    });
}

void PrintProgressForm::reject()
{
    // Escape or a close request would hide the box while the job goes on printing, and let
    // the user reach the other windows in the middle of it.
    if (m_running)
        return;
    QDialog::reject();
}

void PrintProgressForm::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(QPen(palette().windowText().color(), 1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const int margin = toPixelsX((WidthTwips - TrackWidthTwips) / 2);
    const QRect textRect(margin, toPixelsY(240), width() - 2 * margin, toPixelsY(360));
    painter.drawText(textRect, Qt::AlignCenter, QStringLiteral("Printing in Progress..."));

    const QRect track(
        margin, toPixelsY(780), toPixelsX(TrackWidthTwips), toPixelsY(TrackHeightTwips));
    painter.drawRect(track.adjusted(0, 0, -1, -1));
    if (m_barTwips > 0) {
        const QRect bar(track.left() + 1, track.top() + 1,
            std::min(toPixelsX(m_barTwips), track.width() - 2), track.height() - 2);
        painter.fillRect(bar, palette().highlight());
    }
}

int PrintProgressForm::toPixelsX(int twips) const { return qRound(twips * logicalDpiX() / 1440.0); }

int PrintProgressForm::toPixelsY(int twips) const { return qRound(twips * logicalDpiY() / 1440.0); }
