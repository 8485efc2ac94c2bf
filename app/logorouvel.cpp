#include "logorouvel.h"

#include "ModMAJ.h"
#include "SvgPicture.h"
#include "entreval.h"
#include "frmChgTarif.h"
#include "frmMAJtrans.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace {
const QSize windowSize(640, 400);
const QRect logoRect(28, 22, 380, 130);
const QRect smallPictureRect(470, 22, 140, 130);
const QRect animationRect(28, 170, 584, 117);
const QRect clickAreaRect(28, 300, 584, 40);
const QRect footerRect(28, 350, 584, 32);
} // namespace

logorouvel::logorouvel(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("logorouvel"));
    setWindowTitle(QStringLiteral("Shipping management"));
    setFixedSize(windowSize);

    m_logo = new SvgPicture(QStringLiteral(":/art/logo.svg"), 1, this);
    m_logo->setObjectName(QStringLiteral("logo"));
    m_logo->setGeometry(logoRect);
    m_logo->setToolTip(QStringLiteral("Press any key..."));

    m_smallPicture = new SvgPicture(QStringLiteral(":/art/small.svg"), 1, this);
    m_smallPicture->setObjectName(QStringLiteral("smallPicture"));
    m_smallPicture->setGeometry(smallPictureRect);

    m_animation = new SvgPicture(QStringLiteral(":/art/strip.svg"), frameCount, this);
    m_animation->setObjectName(QStringLiteral("animation"));
    m_animation->setGeometry(animationRect);
    m_animation->setToolTip(QStringLiteral("Press any key..."));

    // Transparent: it lies over the invitation painted on the background.
    m_clickArea = new SvgPicture(QString(), 1, this);
    m_clickArea->setObjectName(QStringLiteral("clickArea"));
    m_clickArea->setGeometry(clickAreaRect);
    m_clickArea->setToolTip(QStringLiteral("APPUYEZ SUR UNE TOUCHE..."));

    connect(m_logo, &SvgPicture::clicked, this, &logorouvel::dismiss);
    connect(m_clickArea, &SvgPicture::clicked, this, &logorouvel::dismiss);
    // Clicks on the animation and the small picture stop there and do nothing.

    // Load: centred on the screen, frame 0 on display, and the ticks go on from frame 3.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    m_animating = true;
    showFrame(0);
    m_frameNo = 2;
    // The main, carrier and rate windows load after the first paint (see paintEvent).

    // Key preview: a key counts wherever the focus is inside this window.
    qApp->installEventFilter(this);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("animationTimer"));
    m_timer->setInterval(tickMilliseconds);
    connect(m_timer, &QTimer::timeout, this, &logorouvel::tick);
    m_timer->start();
}

logorouvel::~logorouvel() { qApp->removeEventFilter(this); }

int logorouvel::shownFrame() const { return m_animation->band(); }

QWidget *logorouvel::mainWindow()
{
    loadWindows();
    return m_main.get();
}

QWidget *logorouvel::carrierWindow()
{
    loadWindows();
    return m_carriers.get();
}

QWidget *logorouvel::rateWindow()
{
    loadWindows();
    return m_rates.get();
}

void logorouvel::loadWindows()
{
    if (m_main || m_unloaded)
        return;
    // Their own load steps run now, while the user looks at the splash.
    m_main = std::make_unique<entreval>();
    m_carriers = std::make_unique<frmMAJtrans>();
    m_rates = std::make_unique<frmChgTarif>();
}

bool logorouvel::isCharacterKey(int key, const QString &text)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Backspace:
        return true;
    default:
        break;
    }
    // Letters, digits, space and punctuation type a printable character; modifiers, arrows,
    // function keys and control combinations type nothing printable.
    return !text.isEmpty() && text.at(0).isPrint();
}

void logorouvel::tick()
{
    if (!m_animating)
        return;
    ++m_frameNo;
    if (m_frameNo == frameCount)
        m_frameNo = 0;
    showFrame(m_frameNo);
}

void logorouvel::dismiss()
{
    if (m_dismissed)
        return;
    m_dismissed = true;
    m_animating = false;
    m_timer->stop();
    qApp->removeEventFilter(this);
    // A key or a click may come before the build that follows the first paint.
    loadWindows();
    // The main window shows before the splash goes, so the program never has no window on
    // screen.
    if (m_main) {
        m_main->show();
        m_main->raise();
        m_main->activateWindow();
    }
    close();
}

bool logorouvel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && !m_dismissed && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == this) {
        const auto *keyEvent = static_cast<QKeyEvent *>(event);
        if (isCharacterKey(keyEvent->key(), keyEvent->text())) {
            dismiss();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void logorouvel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0.0, QColor(0x0f, 0x2a, 0x4a));
    sky.setColorAt(1.0, QColor(0x1d, 0x4e, 0x7e));
    painter.fillRect(rect(), sky);

    // A thin amber rule under the pictures, the colour of the logo's cab.
    painter.fillRect(QRect(28, 160, 584, 3), QColor(0xf2, 0xa5, 0x1a));

    QFont invitation = font();
    invitation.setFamily(QStringLiteral("Liberation Sans"));
    invitation.setPointSize(13);
    invitation.setBold(true);
    painter.setFont(invitation);
    painter.setPen(QColor(0xff, 0xe0, 0xa0));
    painter.drawText(clickAreaRect, Qt::AlignCenter, QStringLiteral("Press any key to begin"));

    QFont footer = invitation;
    footer.setPointSize(9);
    footer.setBold(false);
    painter.setFont(footer);
    painter.setPen(QColor(0xc8, 0xd6, 0xe6));
    painter.drawText(footerRect, Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("Best rate by weight and by pallet  \u2022  Bills of lading"));
    painter.drawText(footerRect, Qt::AlignRight | Qt::AlignVCenter,
        QStringLiteral("rouvel %1").arg(QStringLiteral(ROUVEL_VERSION)));

    // Queued, the build waits until this paint has reached the screen.
    if (!m_loadPosted) {
        m_loadPosted = true;
        QMetaObject::invokeMethod(this, &logorouvel::loadWindows, Qt::QueuedConnection);
    }
}

void logorouvel::mousePressEvent(QMouseEvent *event)
{
    // Clicks on the logo and the click area arrive through their own signals; what reaches
    // here fell on the background.
    if (event->button() == Qt::LeftButton)
        dismiss();
}

void logorouvel::closeEvent(QCloseEvent *event)
{
    event->accept();
    // Closed by the dismissal, the splash just goes away. The user's close box takes the
    // loaded windows with it and ends the program.
    if (m_dismissed || !event->spontaneous())
        return;
    m_animating = false;
    m_timer->stop();
    qApp->removeEventFilter(this);
    unloadWindows();
    ModMAJ::endProgram();
}

void logorouvel::showFrame(int frame) { m_animation->setBand(frame); }

void logorouvel::unloadWindows()
{
    m_unloaded = true;
    m_rates.reset();
    m_carriers.reset();
    m_main.reset();
}
