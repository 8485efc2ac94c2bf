#pragma once

#include "parties/OwnCompany.h"

#include <QString>
#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

// The window "Your company": the name and address of the own company, the shipper of every bill
// of lading. What it holds is OwnCompany's; the window shows it and passes on the save.
class Yourcompany : public QWidget
{
    Q_OBJECT
public:
    // Opens the window afresh over the main window, which "RETURN" shows again. The window
    // deletes itself when closed.
    static Yourcompany *open();

    explicit Yourcompany(QWidget *parent = nullptr);
    ~Yourcompany() override;

    const OwnCompany &company() const { return m_company; }

private:
    void buildWidgets();
    void activation();
    void saveModifications();
    void returnToMain();
    void showFields();
    void showProblem(const QString &problem);

    OwnCompany m_company;
    bool m_databaseOpen = false;
    QString m_openProblem; // why the database file could not be opened

    QLabel *m_loadProblem = nullptr;
    std::array<QLineEdit *, 6> m_fields {};
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_returnButton = nullptr;
};
