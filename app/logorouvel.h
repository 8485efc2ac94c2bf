#pragma once

#include <QWidget>

#include <memory>

class QCloseEvent;
class QTimer;
class SvgPicture;
class entreval;
class frmChgTarif;
class frmMAJtrans;

// The splash window "Shipping management". It loads the main, carrier and rate windows hidden,
// animates until the user presses a key or clicks, then hands over to the main window.
// The hidden windows are built once the splash is on screen, so the user sees it at once; a key
// or a click that comes first builds them on the spot.
class logorouvel : public QWidget
{
    Q_OBJECT
public:
    explicit logorouvel(QWidget *parent = nullptr);
    ~logorouvel() override;

    static constexpr int frameCount = 6;
    static constexpr int tickMilliseconds = 200;

    bool animating() const { return m_animating; }
    int frameNo() const { return m_frameNo; }
    // The band of the strip on display.
    int shownFrame() const;

    // Keys that type a character dismiss the splash; modifiers, arrows and function keys
    // alone do not.
    static bool isCharacterKey(int key, const QString &text);

    // The windows loaded here, built now if the splash has not built them yet; null once the
    // close box has unloaded them.
    QWidget *mainWindow();
    QWidget *carrierWindow();
    QWidget *rateWindow();

    // True once the hidden windows exist (and until the close box unloads them).
    bool windowsLoaded() const { return m_main != nullptr; }

public slots:
    void tick();
    void dismiss();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void showFrame(int frame);
    void loadWindows();
    void unloadWindows();

    bool m_animating = false;
    int m_frameNo = 0;
    bool m_dismissed = false;
    bool m_loadPosted = false; // the build after the first paint is on its way
    bool m_unloaded = false; // the close box took the windows: never build them again

    QTimer *m_timer = nullptr;
    SvgPicture *m_logo = nullptr;
    SvgPicture *m_animation = nullptr;
    SvgPicture *m_smallPicture = nullptr;
    SvgPicture *m_clickArea = nullptr;

    // Top-level windows without a parent, so hiding or closing the splash leaves them alone.
    std::unique_ptr<entreval> m_main;
    std::unique_ptr<frmMAJtrans> m_carriers;
    std::unique_ptr<frmChgTarif> m_rates;
};
