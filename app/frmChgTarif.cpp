#include "frmChgTarif.h"

#include "ModMAJ.h"

#include <QCloseEvent>
#include <QShowEvent>

frmChgTarif::frmChgTarif(QWidget *parent)
    : StandInWindow(QStringLiteral("frmChgTarif"), QStringLiteral("Rates ajustments"), parent)
{
}

void frmChgTarif::showEvent(QShowEvent *event)
{
    // The main window is loaded before this one and stays loaded for the whole run.
    if (!returnTo())
        setReturnTo(ModMAJ::loadedWindow(QStringLiteral("entreval")));
    StandInWindow::showEvent(event);
}

void frmChgTarif::closeEvent(QCloseEvent *event)
{
    event->accept();
    // The user's close box ends the program; closing from code does not.
    if (event->spontaneous())
        ModMAJ::endProgram();
}
