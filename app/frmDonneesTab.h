#pragma once

#include "billoflading/BillOfLading.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>

class ActivationWatch;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class VellumPrinter;

// The bill-of-lading window "Bill of lading details": the parties, the details of the shipment,
// the printing of the bill and the save of its number. The bill's data and rules are
// BillOfLading's; this window passes it what the user does and shows what it holds.
//
// A window serves one bill: it deletes itself when it closes, and the next "Prepare bill of
// lading" opens a fresh one that proposes the next number.
class frmDonneesTab : public QWidget
{
    Q_OBJECT
public:
    static QString windowName(); // "frmDonnéesTab"

    // The window owns handOff, the shipment it prints, until it closes.
    explicit frmDonneesTab(const BillHandOff &handOff, QWidget *parent = nullptr);
    ~frmDonneesTab() override;

    // The window "RETURN" and the close box show again; without one, the main window.
    void setReturnTo(QWidget *window) { m_returnTo = window; }

    const BillOfLading &bill() const { return m_logic; }
    // The print engine of this window, kept until the window closes.
    VellumPrinter &engine() const { return *m_engine; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWidgets();
    QWidget *buildPartiesTab();
    QWidget *buildDetailsTab();
    void load();
    void activation();
    // The activation's work; returns the notice it would show, empty when there is none.
    QString activate();
    void pickCustomer(int index);
    void addOrModifyCustomer();
    void printBillOfLading();
    void showMainWindow();
    void goBack();
    void tell(const QString &message, bool warning = false);
    void updateView();

    BillOfLading m_logic;
    const BillHandOff m_handOff;
    std::unique_ptr<VellumPrinter> m_engine;
    QString m_loadProblem;
    // Activation runs when the user comes back from another window of the program, not when a
    // message box or the help closes, nor when another program had the focus.
    ActivationWatch *m_activationWatch = nullptr;
    QPointer<QWidget> m_returnTo;

    QTabWidget *m_tabs = nullptr;
    std::array<QLineEdit *, 6> m_consignee {}; // name, street, city, province, postal code, phone
    QLineEdit *m_pointOfOrigin = nullptr;
    QComboBox *m_customerList = nullptr;
    std::array<QLineEdit *, 7>
        m_carrier {}; // name, street, city, province, postal code, phone, fax
    QLineEdit *m_packages = nullptr;
    QLineEdit *m_weight = nullptr;
    QLineEdit *m_rate = nullptr;
    QLineEdit *m_amount = nullptr;
    QLineEdit *m_cartons = nullptr;
    QLabel *m_carrierCaption = nullptr;
    QLineEdit *m_date = nullptr;
    QLineEdit *m_number = nullptr;
    QButtonGroup *m_goods = nullptr;
    QLineEdit *m_description = nullptr;
    QButtonGroup *m_charges = nullptr;
    QCheckBox *m_thirdParty = nullptr;
    QButtonGroup *m_spaceUsed = nullptr;
    std::array<QLineEdit *, BillOfLadingForm::OrderCount> m_orders {};
    QCheckBox *m_appointment = nullptr;
    QCheckBox *m_specialAgreement = nullptr;
    QPlainTextEdit *m_agreement = nullptr;
    QPushButton *m_printButton = nullptr;
};
