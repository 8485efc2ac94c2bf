#pragma once

#include "rates/BestRateEvaluator.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QCloseEvent;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTableView;
class RateListModel;
class StandInWindow;
class frmDonneesTab;

// The main window "Best rate": the shipment entry, the destination box, the weight and pallet
// rate lists and the price on display. The evaluation itself is BestRateEvaluator's; this
// window passes it what the user does and shows what it holds.
class entreval : public QWidget
{
    Q_OBJECT
public:
    explicit entreval(QWidget *parent = nullptr);
    ~entreval() override;

    const BestRateEvaluator &evaluator() const { return m_logic; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWidgets();
    void load();
    void activation();
    void cachelistes();
    void chooseDestination(int index);
    void pickRate(const QModelIndex &index, bool byWeight);
    void prepareBillOfLading();
    void showCarriers();
    void showRateAdjustments();
    void showCustomers();
    void showOwnCompany();
    void fillDestinationBox();
    void updateView(bool listsChanged);
    QWidget *programWindow(
        const QString &windowName, const QString &caption, std::unique_ptr<StandInWindow> &standIn);

    BestRateEvaluator m_logic;
    QString m_loadProblem;

    QLineEdit *m_weightField = nullptr;
    QLineEdit *m_palletField = nullptr;
    QComboBox *m_destinationBox = nullptr;
    QLabel *m_loadProblemLabel = nullptr;
    QGroupBox *m_weightGroup = nullptr;
    QGroupBox *m_palletGroup = nullptr;
    QTableView *m_weightLists = nullptr;
    QTableView *m_palletLists = nullptr;
    RateListModel *m_weightModel = nullptr;
    RateListModel *m_palletModel = nullptr;
    QLabel *m_resultTitle = nullptr;
    QLabel *m_resultCarrier = nullptr;
    QLineEdit *m_resultPrice = nullptr;
    QLabel *m_rateNote = nullptr;
    QLabel *m_weightBreak = nullptr;
    QStackedWidget *m_indicator = nullptr;
    QPushButton *m_prepareButton = nullptr;

    QPointer<frmDonneesTab> m_billOfLading; // one bill at a time; deletes itself when closed
    std::unique_ptr<StandInWindow> m_carriers;
    std::unique_ptr<StandInWindow> m_rateAdjustments;
};
