// Loaded with LD_PRELOAD into a program that bench_startup starts: when the environment names a
// file descriptor in ROUVEL_STARTUP_PROBE_FD, the first top-level window painted is reported on
// it (one line, the platform's name) and the process ends there. Without that variable it does
// nothing, so the program itself carries no hook of its own.
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#include <unistd.h>

namespace {

class FirstPaintProbe : public QObject
{
public:
    explicit FirstPaintProbe(int fd)
        : m_fd(fd)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->isWindow()) {
            m_seen = true;
            // The window's children and the flush to the screen follow in the same pass: report
            // once control is back in the event loop.
            QMetaObject::invokeMethod(this, &FirstPaintProbe::report, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void report()
    {
        const QByteArray line = QGuiApplication::platformName().toLatin1() + '\n';
        [[maybe_unused]] const ssize_t written = ::write(m_fd, line.constData(), line.size());
        // Nothing after the first paint is measured; tearing the program down would only slow
        // the next run.
        ::_exit(0);
    }

    int m_fd;
    bool m_seen = false;
};

void installProbe()
{
    bool ok = false;
    const int fd = qEnvironmentVariableIntValue("ROUVEL_STARTUP_PROBE_FD", &ok);
    if (!ok || fd < 0)
        return;
    QCoreApplication::instance()->installEventFilter(new FirstPaintProbe(fd));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
