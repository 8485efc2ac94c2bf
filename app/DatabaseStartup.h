#pragma once

#include "data/Database.h"

#include <QString>

#include <functional>

class QWidget;

// Makes sure the rate database is there and usable before any window binds to it. A missing
// file is created on request; a file that is not a rouvel database or cannot be opened is
// reported once, with its path and the cause, and left untouched. Temporaries of the file that a
// killed creation left behind are removed first (NewFileTemporary).
class DatabaseStartup
{
public:
    enum class Choice { CreateEmpty, CreateWithSample, Quit };

    // Asks and tells through message boxes. False: the program must end.
    static bool ensureReady(const QString &dbPath, QWidget *parent);

    // The same with the questions and messages supplied by the caller.
    static bool ensureReady(const QString &dbPath, const std::function<Choice()> &askMissing,
        const std::function<void(const QString &)> &tellFailure);

    // The one message shown for a file that cannot be used.
    static QString failureMessage(const QString &dbPath, const Database::Status &status);
};
