#pragma once

#include "StandInWindow.h"

class QCloseEvent;
class QShowEvent;

// The rate-adjustment window. This version holds its place; "RETURN" goes back to the main window.
class frmChgTarif : public StandInWindow
{
    Q_OBJECT
public:
    explicit frmChgTarif(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};
