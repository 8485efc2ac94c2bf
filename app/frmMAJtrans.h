#pragma once

#include "carriers/CarrierEditor.h"

#include <QStringList>
#include <QWidget>

#include <array>

class QButtonGroup;
class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;

// The carrier window "Carriers informations": a carrier's identity, address, contacts and rate
// type on the left, the destinations it serves on the right. The logic is CarrierEditor's; this
// window passes it what the user does and shows what it holds.
//
// The splash loads it hidden once for the run; "&RETURN" only hides it, so its modes and
// records survive until the program ends. Its close box ends the program.
class frmMAJtrans : public QWidget
{
    Q_OBJECT
public:
    explicit frmMAJtrans(QWidget *parent = nullptr);
    ~frmMAJtrans() override;

    const CarrierEditor &editor() const { return m_logic; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct Panel
    {
        QWidget *widget = nullptr;
        std::array<QLineEdit *, CarrierRecord::FieldCount> fields {};
        std::array<QRadioButton *, 3> options {}; // Weight, Pallet, Both
    };

    void buildWidgets();
    Panel buildCarrierPanel(bool editable);
    QWidget *buildDestinationPanel();
    void load();
    void updateView();
    void tell(const QString &message);

    void chooseCarrier(int index);
    void update();
    void addCarrier();
    void returnToMain();
    void removeDestination();
    QString unload();

    CarrierEditor m_logic;
    bool m_unloaded = false;

    QLabel *m_loadProblem = nullptr;
    QStackedWidget *m_carrierStack = nullptr;
    Panel m_panel;
    Panel m_inactivePanel;
    QButtonGroup *m_rateGroup = nullptr;
    QComboBox *m_chooser = nullptr;
    QPushButton *m_editButton = nullptr;
    QPushButton *m_updateButton = nullptr;
    QPushButton *m_addCarrierButton = nullptr;

    QStackedWidget *m_destinationStack = nullptr;
    QLabel *m_destListText = nullptr;
    QListWidget *m_carrierDestinations = nullptr;
    QComboBox *m_missing = nullptr;
    QLineEdit *m_nameToAdd = nullptr;
    QLineEdit *m_newDestination = nullptr;
    QPushButton *m_removeButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    // What the lists show, so they are only filled again when their content changed.
    QStringList m_chooserShown;
    QStringList m_servedShown;
    QStringList m_missingShown;
};
