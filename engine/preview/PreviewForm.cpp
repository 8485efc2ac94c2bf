#include "PreviewForm.h"

#include "FindForm.h"
#include "FindState.h"
#include "PageImage.h"
#include "PageRenderer.h"
#include "PrintJobs.h"
#include "ProcessPrinter.h"
#include "VellumError.h"
#include "VellumPrinter.h"

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>

#include <cmath>

namespace {

const char *const ZoomEntries[]
    = {"50%", "60%", "70%", "80%", "90%", "100%", "125%", "150%", "200%"};

// The busy pointer for the length of a step.
class BusyCursor
{
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

enum class Glyph { Print, Find, Save };

// Small drawn pictures for the tool buttons, so the library ships no image files.
QIcon glyphIcon(Glyph glyph, qreal ratio)
{
    const int size = 24;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    switch (glyph) {
    case Glyph::Print:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 3, 10, 7));
        p.setBrush(QColor(150, 150, 150));
        p.drawRoundedRect(QRectF(3, 9, 18, 8), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 14, 10, 7));
        break;
    case Glyph::Find:
        p.setBrush(QColor(220, 235, 250));
        p.drawEllipse(QRectF(3, 3, 12, 12));
        p.setPen(QPen(QColor(40, 40, 40), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 14), QPointF(20, 20));
        break;
    case Glyph::Save:
        p.setBrush(QColor(70, 100, 170));
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 3, 10, 7));
        p.drawRect(QRectF(6, 13, 12, 8));
        break;
    }
    return QIcon(pixmap);
}

} // namespace

PreviewForm::PreviewForm(VellumPrinter &engine, QWidget *parent)
    : QDialog(parent)
    , m_engine(&engine)
{
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Preview Form"));
    setModal(true);
    buildControls();
    // The window sees every key before its controls.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

PreviewForm::~PreviewForm() { m_pager.close(); }

int PreviewForm::px(double twips) const { return int(std::lround(twips * logicalDpiX() / 1440.0)); }

qint32 PreviewForm::twips(int pixels) const
{
    return qint32(std::lround(pixels * 1440.0 / logicalDpiX()));
}

void PreviewForm::buildControls()
{
    const auto place = [this](QWidget *w, int left, int top, int width, int height) {
        w->setGeometry(px(left), px(top), px(width), px(height));
    };
    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("Panel"));
    m_panel->setAutoFillBackground(true);

    m_pageScroll = new QScrollBar(Qt::Horizontal, m_panel);
    m_pageScroll->setObjectName(QStringLiteral("PageScroll"));
    m_pageScroll->setTracking(false);
    m_pageScroll->setRange(1, 1);
    place(m_pageScroll, 120, 120, 1275, 315);

    // The designed widths fit the original font; a wider font keeps its text whole.
    const auto label = [this, &place](const QString &text, int left, int width) {
        auto *l = new QLabel(text, m_panel);
        place(l, left, 150, width, 255);
        if (l->sizeHint().width() > l->width())
            l->resize(l->sizeHint().width(), l->height());
        return l;
    };
    label(QStringLiteral("Page"), 1560, 400);
    m_curPage = label(QString(), 1980, 400);
    m_curPage->setObjectName(QStringLiteral("CurPage"));
    label(QStringLiteral("of"), 2385, 160);
    m_numPages = label(QString(), 2565, 600);
    m_numPages->setObjectName(QStringLiteral("NumPages"));
    QLabel *zoomLabel = label(QStringLiteral("Zoom"), 3360, 450);

    m_zoomList = new QComboBox(m_panel);
    m_zoomList->setObjectName(QStringLiteral("ZoomList"));
    for (const char *entry : ZoomEntries)
        m_zoomList->addItem(QLatin1String(entry));
    m_zoomList->setCurrentIndex(-1);
    place(m_zoomList, 3840, 100, 1100, 360);
    if (zoomLabel->geometry().right() >= m_zoomList->x())
        zoomLabel->move(m_zoomList->x() - zoomLabel->width() - 2, zoomLabel->y());

    const qreal ratio = devicePixelRatioF();
    const auto tool
        = [this, &place, ratio](const char *name, Glyph glyph, const QString &tip, int left) {
              auto *b = new QToolButton(m_panel);
              b->setObjectName(QLatin1String(name));
              b->setIcon(glyphIcon(glyph, ratio));
              b->setToolTip(tip);
              b->setAutoRaise(false);
              place(b, left, 80, 375, 375);
              b->setIconSize(b->size() - QSize(6, 6));
              return b;
          };
    m_printBtn = tool("PrintBtn", Glyph::Print, QStringLiteral("Print Report"), 5280);
    m_findBtn = tool("FindBtn", Glyph::Find, QStringLiteral("Find Text"), 5700);
    m_saveBtn = tool("SaveBtn", Glyph::Save, QStringLiteral("Print To File"), 6120);

    m_closeBtn = new QPushButton(QStringLiteral("&Close"), m_panel);
    m_closeBtn->setObjectName(QStringLiteral("CloseBtn"));
    m_closeBtn->setAutoDefault(false);
    place(m_closeBtn, 7080, 80, 1095, 375);

    m_pageImg = new PageImage(this);
    m_pageImg->setObjectName(QStringLiteral("PageImg"));
    m_hScroll = new QScrollBar(Qt::Horizontal, this);
    m_hScroll->setObjectName(QStringLiteral("HScroll"));
    m_vScroll = new QScrollBar(Qt::Vertical, this);
    m_vScroll->setObjectName(QStringLiteral("VScroll"));
    m_cover = new QPushButton(this);
    m_cover->setObjectName(QStringLiteral("Cover"));
    m_cover->setFlat(true);
    m_cover->setAutoDefault(false);
    m_cover->setFocusPolicy(Qt::NoFocus);
    m_cover->setAutoFillBackground(true);
    // The page slides under the panel and the bars when it is scrolled.
    m_panel->raise();
    m_hScroll->raise();
    m_vScroll->raise();
    m_cover->raise();
    m_hScroll->hide();
    m_vScroll->hide();
    m_cover->hide();

    connect(m_pageScroll, &QScrollBar::sliderMoved, this,
        [this](int value) { m_curPage->setText(QStringLiteral(" %1").arg(value)); });
    connect(m_pageScroll, &QScrollBar::valueChanged, this, [this](int value) {
        showPage(qint16(value));
        focusPage();
    });
    connect(m_zoomList, &QComboBox::currentIndexChanged, this, &PreviewForm::applyZoom);
    connect(m_hScroll, &QScrollBar::valueChanged, this, [this] {
        placePicture();
        if (!m_placing)
            focusPage();
    });
    connect(m_vScroll, &QScrollBar::valueChanged, this, [this] {
        placePicture();
        if (!m_placing)
            focusPage();
    });
    connect(m_cover, &QPushButton::clicked, this, &PreviewForm::focusPage);
    connect(m_closeBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_printBtn, &QToolButton::clicked, this, &PreviewForm::printCommand);
    connect(m_findBtn, &QToolButton::clicked, this, &PreviewForm::findCommand);
    connect(m_saveBtn, &QToolButton::clicked, this, &PreviewForm::saveCommand);
}

bool PreviewForm::load()
{
    if (!m_engine) {
        m_error = QStringLiteral("No report is open.");
        return false;
    }
    if (!m_pager.open(m_engine->PrintFile())) {
        m_error = m_pager.errorString();
        return false;
    }
    const ProcessPrinter::PaperSize paper
        = ProcessPrinter::paperSize(m_pager.reader().header().orientation);
    m_paperWidthTwips = paper.widthTwips;
    m_paperHeightTwips = paper.heightTwips;
    m_pageImg->resize(px(m_paperWidthTwips * m_zoom), px(m_paperHeightTwips * m_zoom));
    return true;
}

void PreviewForm::applyWindowStyle(bool sizable, const QString &title)
{
    if (sizable) {
        setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
        setWindowTitle(title);
        setWindowState(Qt::WindowNoState);
        // Wide enough for the tool panel, and most of the screen for the page.
        if (const QScreen *s = screen()) {
            const QRect area = s->availableGeometry();
            const QSize size(std::max(px(8625 + 400), area.width() * 3 / 4), area.height() * 7 / 8);
            setGeometry(QStyle::alignedRect(
                Qt::LeftToRight, Qt::AlignCenter, size.boundedTo(area.size()), area));
        }
    } else {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        setWindowTitle(QString());
        // Without a window manager a maximised state alone may not size the window.
        if (const QScreen *s = screen())
            setGeometry(s->availableGeometry());
        setWindowState(Qt::WindowMaximized);
    }
}

bool PreviewForm::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && m_engine)
        m_saveBtn->setVisible(m_engine->ShowPreviewSave());
    return QDialog::event(event);
}

void PreviewForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_engine)
        m_saveBtn->setVisible(m_engine->ShowPreviewSave());
    if (!m_activated)
        firstActivation();
}

void PreviewForm::firstActivation()
{
    m_activated = true;
    m_pager.refresh();
    m_pager.setTotalPages(m_engine ? m_engine->TotalPages() : qint16(0));
    m_numPages->setText(QStringLiteral(" %1").arg(m_pager.totalPages()));
    arrangeScrollBars();
    {
        const QSignalBlocker block(m_pageScroll);
        m_pageScroll->setRange(1, std::max<int>(1, m_pager.totalPages()));
        m_pageScroll->setValue(1);
    }
    const QString wanted = QStringLiteral("%1%").arg(m_engine ? m_engine->ZoomPercent() : 0);
    int index = m_zoomList->findText(wanted);
    if (index < 0)
        index = m_zoomList->findText(QStringLiteral("100%"));
    if (m_zoomList->currentIndex() == index)
        applyZoom(index);
    else
        m_zoomList->setCurrentIndex(index);
    focusPage();
}

void PreviewForm::applyZoom(int index)
{
    if (index < 0)
        return;
    m_zoom = m_zoomList->itemText(index).chopped(1).toDouble() / 100.0;
    showPage(qint16(m_pageScroll->value()));
    focusPage();
}

void PreviewForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    m_panel->setGeometry(0, 0, width(), px(PanelHeightTwips));
    if (m_activated && m_pager.currentPage() >= 1) {
        showPage(m_pager.currentPage());
        focusPage();
    } else {
        arrangeScrollBars();
    }
}

void PreviewForm::arrangeScrollBars()
{
    const int h = m_hScroll->sizeHint().height();
    const int w = m_vScroll->sizeHint().width();
    const int panel = px(PanelHeightTwips);
    const int hWidth = m_layout.hScroll.length > 0 ? px(m_layout.hScroll.length) : width() - w;
    const int vHeight
        = m_layout.vScroll.length > 0 ? px(m_layout.vScroll.length) : height() - panel - h;
    m_hScroll->setGeometry(0, height() - h, hWidth, h);
    m_vScroll->setGeometry(width() - w, panel, w, vHeight);
    m_cover->setGeometry(hWidth, panel + vHeight, w, h);
}

void PreviewForm::setBar(QScrollBar *bar, const PreviewLayout::Bar &bounds)
{
    // Qt's range runs upwards: 0 is the bar's minimum, the far end its maximum.
    bar->setRange(0, std::max(0, bounds.minimum - bounds.maximum));
    bar->setPageStep(std::max(1, bounds.largeStep));
    bar->setSingleStep(std::max(1, bounds.smallStep));
    bar->setValue(0);
    bar->setVisible(bounds.shown);
}

qint32 PreviewForm::hScrollValue() const { return m_layout.hScroll.minimum - m_hScroll->value(); }

qint32 PreviewForm::vScrollValue() const { return m_layout.vScroll.minimum - m_vScroll->value(); }

void PreviewForm::placePicture()
{
    const qint32 left = m_layout.hScroll.shown ? hScrollValue() : m_layout.pictureLeft;
    const qint32 top
        = m_layout.vScroll.shown ? vScrollValue() + PanelHeightTwips : m_layout.pictureTop;
    m_pageImg->move(px(left), px(top));
}

void PreviewForm::showPage(qint16 n)
{
    if (n < 1 || m_zoomList->currentIndex() < 0 || !m_pager.reader().isOpen())
        return;
    BusyCursor busy;
    const ProcessPrinter::PaperSize paper
        = ProcessPrinter::paperSize(m_pager.reader().header().orientation);
    m_paperWidthTwips = paper.widthTwips;
    m_paperHeightTwips = paper.heightTwips;
    m_pageImg->hide();
    m_pictureWidthTwips = qint32(std::lround(m_paperWidthTwips * m_zoom));
    m_pictureHeightTwips = qint32(std::lround(m_paperHeightTwips * m_zoom));
    m_pageImg->resize(px(m_pictureWidthTwips), px(m_pictureHeightTwips));

    PreviewLayout::Input in;
    in.windowWidth = twips(width());
    in.windowHeight = twips(height());
    in.panelHeight = PanelHeightTwips;
    in.pictureWidth = m_pictureWidthTwips;
    in.pictureHeight = m_pictureHeightTwips;
    in.vScrollWidth = twips(m_vScroll->sizeHint().width());
    in.hScrollHeight = twips(m_hScroll->sizeHint().height());
    m_layout = PreviewLayout::compute(in);

    m_placing = true;
    arrangeScrollBars();
    setBar(m_hScroll, m_layout.hScroll);
    setBar(m_vScroll, m_layout.vScroll);
    m_cover->setVisible(m_layout.coverShown);
    placePicture();
    m_placing = false;

    // Drawn at the screen's own density, so the page stays sharp on a high-density screen.
    const qreal ratio = devicePixelRatioF();
    const double pixelsPerTwip = logicalDpiX() / 1440.0 * ratio;
    const QSize pixels(std::max(1, int(std::lround(m_pictureWidthTwips * pixelsPerTwip))),
        std::max(1, int(std::lround(m_pictureHeightTwips * pixelsPerTwip))));
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    QString failure;
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        PageRenderer renderer(
            m_pager.reader().header(), PageRenderer::Target::preview(m_zoom, pixelsPerTwip));
        // The font of the last SETFONT before the page carries over, as on paper.
        ReportFormat::Record font;
        const qint32 fontRecord = m_pager.fontRecordOf(n);
        if (fontRecord > 0 && m_pager.reader().readRecord(fontRecord, font))
            renderer.startWithFont(font);
        const qint32 first = m_pager.seekPage(n);
        try {
            m_pager.setReadPosition(renderer.replayPage(painter, m_pager.reader(), first));
        } catch (const VellumError &error) {
            failure = error.message();
        }
    }
    image.setDevicePixelRatio(ratio);
    m_pageImg->setImage(image);
    m_pageImg->show();
    m_pager.setCurrentPage(n);
    m_curPage->setText(QStringLiteral(" %1").arg(n));
    if (!failure.isEmpty())
        reportError(failure);
}

void PreviewForm::focusPage() { m_pageImg->setFocus(); }

bool PreviewForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (handleKey(key->key(), key->modifiers())) {
            focusPage();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool PreviewForm::handleKey(int key, Qt::KeyboardModifiers modifiers)
{
    const bool ctrl = (modifiers & ~Qt::KeypadModifier) == Qt::ControlModifier;
    const auto scrollBy = [](QScrollBar *bar, const PreviewLayout::Bar &bounds, int direction) {
        if (!bounds.shown)
            return;
        const qint32 value = bounds.minimum - bar->value();
        const qint32 next = PreviewLayout::stepped(bounds, value, direction * bounds.largeStep);
        bar->setValue(bounds.minimum - next);
    };
    switch (key) {
    case Qt::Key_PageUp:
        if (ctrl)
            m_pageScroll->setValue(1);
        else if (m_pageScroll->value() > 1)
            m_pageScroll->setValue(m_pageScroll->value() - 1);
        return true;
    case Qt::Key_PageDown:
        if (ctrl)
            m_pageScroll->setValue(m_pager.totalPages());
        else if (m_pageScroll->value() < m_pager.totalPages())
            m_pageScroll->setValue(m_pageScroll->value() + 1);
        return true;
    case Qt::Key_Up:
        scrollBy(m_vScroll, m_layout.vScroll, -1);
        return true;
    case Qt::Key_Down:
        scrollBy(m_vScroll, m_layout.vScroll, 1);
        return true;
    case Qt::Key_Left:
        scrollBy(m_hScroll, m_layout.hScroll, -1);
        return true;
    case Qt::Key_Right:
        scrollBy(m_hScroll, m_layout.hScroll, 1);
        return true;
    case Qt::Key_F:
        if (!ctrl)
            return false;
        findCommand();
        return true;
    case Qt::Key_F3:
        findNextCommand();
        return true;
    default:
        return false;
    }
}

bool PreviewForm::searchReport(const QString &text, bool fromTop)
{
    BusyCursor busy;
    const qint16 saved = m_pager.currentPage();
    if (!fromTop && saved >= m_pager.totalPages())
        return false;
    const std::optional<qint16> found = m_pager.search(text, fromTop);
    if (!found) {
        m_pager.setCurrentPage(saved);
        showPage(saved);
    }
    m_pageScroll->setValue(m_pager.currentPage());
    return found.has_value();
}

void PreviewForm::findCommand()
{
    FindState &state = FindState::process();
    FindForm form(state, this);
    if (form.run() == 1 && !searchReport(state.SearchString, state.StartTop))
        QMessageBox::warning(
            this, QStringLiteral("Find"), QStringLiteral("The search text was not found."));
    focusPage();
}

void PreviewForm::findNextCommand()
{
    const FindState &state = FindState::process();
    if (state.SearchString.trimmed().isEmpty()) {
        findCommand();
        return;
    }
    if (!searchReport(state.SearchString, false))
        QMessageBox::warning(
            this, QStringLiteral("Find"), QStringLiteral("The search text was not found."));
    focusPage();
}

void PreviewForm::printCommand()
{
    if (m_engine) {
        try {
            m_engine->PrintReport();
        } catch (const VellumError &error) {
            reportError(error.message());
        }
    }
    focusPage();
}

void PreviewForm::saveCommand()
{
    if (m_engine && m_engine->ShowPreviewSave()) {
        try {
            // The text export, or a PDF when the user chose "PDF Files (*.pdf)".
            const PrintJobs::SaveChoice choice = PrintJobs::chooseReportFile(this);
            if (choice.pdf)
                m_engine->PrintToPdf(choice.fileName);
            else if (!choice.fileName.isEmpty())
                m_engine->SaveReport(choice.fileName);
        } catch (const VellumError &error) {
            reportError(error.message());
        }
    }
    focusPage();
}

void PreviewForm::reportError(const QString &message)
{
    QMessageBox::critical(
        this, windowTitle().isEmpty() ? QStringLiteral("Preview") : windowTitle(), message);
}
