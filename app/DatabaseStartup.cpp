#include "DatabaseStartup.h"

#include "data/DataError.h"
#include "data/NewFileTemporary.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>

QString DatabaseStartup::failureMessage(const QString &dbPath, const Database::Status &status)
{
    return QStringLiteral("The rate database %1 cannot be used.\n%2\nrouvel will close; the file "
                          "has not been changed.")
        .arg(QDir::toNativeSeparators(dbPath), status.cause);
}

bool DatabaseStartup::ensureReady(const QString &dbPath, const std::function<Choice()> &askMissing,
    const std::function<void(const QString &)> &tellFailure)
{
    // What a killed `rouvel init` or first start left behind.
    NewFileTemporary::removeLeftovers(dbPath);
    const Database::Status status = Database::inspect(dbPath);
    if (status.ok())
        return true;
    if (status.state != Database::State::Missing) {
        tellFailure(failureMessage(dbPath, status));
        return false;
    }
    const Choice choice = askMissing();
    if (choice == Choice::Quit)
        return false;
    try {
        Database::create(dbPath, choice == Choice::CreateWithSample);
    } catch (const DataError &error) {
        tellFailure(
            QStringLiteral("The rate database could not be created.\n%1").arg(error.message()));
        return false;
    }
    return true;
}

bool DatabaseStartup::ensureReady(const QString &dbPath, QWidget *parent)
{
    const auto ask = [&] {
        QMessageBox box(QMessageBox::Question, QStringLiteral("rouvel"),
            QStringLiteral("The rate database %1 does not exist.\nCreate a new one?")
                .arg(QDir::toNativeSeparators(dbPath)),
            QMessageBox::NoButton, parent);
        QPushButton *empty = box.addButton(QStringLiteral("Create empty"), QMessageBox::AcceptRole);
        QPushButton *sample
            = box.addButton(QStringLiteral("Create with sample data"), QMessageBox::AcceptRole);
        QPushButton *quit = box.addButton(QStringLiteral("Quit"), QMessageBox::RejectRole);
        box.setDefaultButton(sample);
        box.setEscapeButton(quit);
        box.exec();
        if (box.clickedButton() == empty)
            return Choice::CreateEmpty;
        if (box.clickedButton() == sample)
            return Choice::CreateWithSample;
        return Choice::Quit;
    };
    const auto tell = [&](const QString &message) {
        QMessageBox::critical(parent, QStringLiteral("rouvel"), message);
    };
    return ensureReady(dbPath, ask, tell);
}
