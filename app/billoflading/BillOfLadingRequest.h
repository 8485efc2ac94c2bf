#pragma once

#include "billoflading/BillHandOff.h"
#include "billoflading/BillOfLadingForm.h"

#include <QString>
#include <QStringList>

#include <optional>

class BillOfLading;
class QJsonObject;

// One bill of lading as a file gives it (BOL.json of "rouvel bol"): the hand-off and what the
// clerk would fill in the window, every value checked before anything is used.
struct BillOfLadingRequest
{
    BillHandOff handOff;
    std::optional<QString> customer;
    std::optional<qint64> customerId;
    std::optional<QString> date;
    QString cartons;
    Goods goods = Goods::None;
    std::optional<QString> description;
    Charges charges = Charges::None;
    bool thirdParty = false;
    SpaceUsed spaceUsed = SpaceUsed::None;
    QStringList orders;
    bool appointment = false;
    QString agreement;

    // Reads the object's keys; returns the first problem, naming its key, or empty.
    QString read(const QJsonObject &object);

    // Fills a bill activated with handOff as the clerk fills the window: the customer first,
    // then each choice before the text it writes. Returns the problem with the customer (named
    // in databaseName), empty when there is none.
    QString applyTo(BillOfLading &bill, const QString &databaseName) const;
};
