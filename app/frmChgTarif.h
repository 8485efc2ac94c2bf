#pragma once

#include "rateadjust/RateAdjustment.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QCloseEvent;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QShowEvent;
class QTableView;
class RateCellDelegate;

// The rate window "Rates adjustments": a carrier's weight or pallet rates for every destination
// it serves, edited in place, and the side panel of the carriers serving a destination. The
// logic is RateAdjustment's; this window wires the widgets to it.
//
// The splash loads it hidden once for the run; every showing starts afresh (nothing chosen, no
// grid, no side panel, the lists read again), as a new window would.
class frmChgTarif : public QWidget
{
    Q_OBJECT
public:
    explicit frmChgTarif(QWidget *parent = nullptr);
    ~frmChgTarif() override;

    const RateAdjustment &logic() const { return m_logic; }

    // The window "&RETURN" shows; by default the loaded main window.
    void setReturnTo(QWidget *window) { m_returnTo = window; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWidgets();
    QTableView *makeGrid(const QString &objectName, RateCellDelegate *delegate);
    void load();
    void startAfresh();
    void chooseCarrier(int index);
    // Asks weight or pallet until the reply is "1", "2" or nothing; false for nothing.
    bool askRateKind();
    void showGrid();
    // Widens the rate columns of the cells changed so their rates show whole; never narrows.
    void fitChangedRates(const QModelIndex &topLeft, const QModelIndex &bottomRight);
    void showCarriersPanel();
    void chooseDestination(int index);
    void destinationLeft(QWidget *now);
    void fillDestinationList(const QString &current);
    void goBack();
    // "Export rates…" and "Import rates…": the shown grid's carrier and kind as a rate sheet.
    void exportRates();
    void importRates();
    // A CSV file chosen in a file dialog; empty when cancelled.
    QString askSheetFile(bool saving, const QString &suggested);
    // The grid of the chosen carrier and kind read again, as after choosing the carrier.
    void reloadRates(RateKind kind);
    // Writes the cell being edited and the row waiting, as leaving the row would.
    void finishEditing();
    void tell(const QString &message);
    void showMessages();

    RateAdjustment m_logic;
    QString m_loadProblem;
    QPointer<QWidget> m_returnTo;
    QStringList m_messages; // refusals waiting to be shown
    QMetaObject::Connection m_focusWatch;

    QComboBox *m_carrierChooser = nullptr;
    QLabel *m_loadProblemLabel = nullptr;
    QTableView *m_weightGrid = nullptr;
    QTableView *m_palletGrid = nullptr;
    RateCellDelegate *m_weightDelegate = nullptr;
    RateCellDelegate *m_palletDelegate = nullptr;
    QGroupBox *m_carriersPanel = nullptr;
    QComboBox *m_destinationList = nullptr;
    QComboBox *m_carrierList = nullptr;
    QComboBox *m_carrierPlaceholder = nullptr;
    QPushButton *m_exportButton = nullptr;
    QPushButton *m_importButton = nullptr;
};
