#pragma once

#include <QObject>

#include <functional>

// Lets only digits and backspace be typed into a field; any other character is refused
// with a beep. Keys that type nothing (arrows, Tab, Enter) pass.
class DigitKeyFilter : public QObject
{
    Q_OBJECT
public:
    explicit DigitKeyFilter(QObject *parent = nullptr);

    void setBeep(std::function<void()> beep) { m_beep = std::move(beep); }
    int refusedCount() const { return m_refused; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> m_beep;
    int m_refused = 0;
};
