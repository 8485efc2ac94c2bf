#pragma once

#include "StandInWindow.h"

class QCloseEvent;
class QShowEvent;

// The carrier window. This version holds its place; "RETURN" goes back to the main window.
class frmMAJtrans : public StandInWindow
{
    Q_OBJECT
public:
    explicit frmMAJtrans(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};
