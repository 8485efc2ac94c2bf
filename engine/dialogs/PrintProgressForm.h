#pragma once

#include <QDialog>

#include <functional>

// The frameless "Printing in Progress..." box. Once shown, it starts the job it was given;
// the job reports its progress here and closes the box when it ends.
class PrintProgressForm : public QDialog
{
    Q_OBJECT
public:
    static constexpr int WidthTwips = 3795;
    static constexpr int HeightTwips = 1500;
    static constexpr int TrackWidthTwips = 3105;
    static constexpr int TrackHeightTwips = 315;

    using Job = std::function<void(PrintProgressForm &)>;

    explicit PrintProgressForm(Job job, QWidget *parent = nullptr);

    // Bar width in twips for a fraction done, rounded halves to even.
    static int barWidthTwips(float fraction);

    void setProgress(float fraction);
    int barTwips() const { return m_barTwips; }

    // Refused while the job runs: only the job closes the box.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int toPixelsX(int twips) const;
    int toPixelsY(int twips) const;

    Job m_job;
    int m_barTwips = 0;
    bool m_started = false;
    bool m_running = false;
};
