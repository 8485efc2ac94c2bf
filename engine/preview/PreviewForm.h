#pragma once

#include "PreviewLayout.h"
#include "PreviewPager.h"

#include <QDialog>
#include <QPointer>

class PageImage;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QToolButton;
class VellumPrinter;

// The preview window: one page of the current engine's report at a time, zoomed, scrolled,
// searched, and handed to the engine for printing or saving.
class PreviewForm : public QDialog
{
    Q_OBJECT
public:
    static constexpr qint32 PanelHeightTwips = 560;

    explicit PreviewForm(VellumPrinter &engine, QWidget *parent = nullptr);
    ~PreviewForm() override;

    // Opens the report file; false with errorString() when it cannot be read.
    bool load();
    QString errorString() const { return m_error; }

    // Sizable with the report's title as caption, or maximised without a frame.
    void applyWindowStyle(bool sizable, const QString &title);

    void showPage(qint16 n);
    bool searchReport(const QString &text, bool fromTop);
    void findCommand();
    void findNextCommand();
    void printCommand();
    void saveCommand();

    qint16 currentPage() const { return m_pager.currentPage(); }
    double zoom() const { return m_zoom; }
    PreviewPager &pager() { return m_pager; }
    const PreviewLayout &layout() const { return m_layout; }
    // The bars' values as picture positions in twips (see PreviewLayout).
    qint32 hScrollValue() const;
    qint32 vScrollValue() const;

    QScrollBar *pageScroll() const { return m_pageScroll; }
    QScrollBar *hScroll() const { return m_hScroll; }
    QScrollBar *vScroll() const { return m_vScroll; }
    QPushButton *cover() const { return m_cover; }
    QComboBox *zoomList() const { return m_zoomList; }
    QLabel *curPage() const { return m_curPage; }
    QLabel *numPages() const { return m_numPages; }
    QToolButton *saveBtn() const { return m_saveBtn; }
    PageImage *pageImg() const { return m_pageImg; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    void firstActivation();
    void applyZoom(int index);
    bool handleKey(int key, Qt::KeyboardModifiers modifiers);
    void arrangeScrollBars();
    void placePicture();
    void setBar(QScrollBar *bar, const PreviewLayout::Bar &bounds);
    void focusPage();
    void reportError(const QString &message);
    int px(double twips) const;
    qint32 twips(int pixels) const;

    QPointer<VellumPrinter> m_engine;
    PreviewPager m_pager;
    QString m_error;
    double m_zoom = 1.0;
    qint32 m_paperWidthTwips = 0;
    qint32 m_paperHeightTwips = 0;
    qint32 m_pictureWidthTwips = 0;
    qint32 m_pictureHeightTwips = 0;
    PreviewLayout m_layout;
    bool m_activated = false;
    bool m_placing = false;

    QWidget *m_panel = nullptr;
    QScrollBar *m_pageScroll = nullptr;
    QLabel *m_curPage = nullptr;
    QLabel *m_numPages = nullptr;
    QComboBox *m_zoomList = nullptr;
    QToolButton *m_printBtn = nullptr;
    QToolButton *m_findBtn = nullptr;
    QToolButton *m_saveBtn = nullptr;
    QPushButton *m_closeBtn = nullptr;
    PageImage *m_pageImg = nullptr;
    QScrollBar *m_hScroll = nullptr;
    QScrollBar *m_vScroll = nullptr;
    QPushButton *m_cover = nullptr;
};
