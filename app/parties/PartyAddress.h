#pragma once

#include <QString>
#include <QStringList>

class RecordSet;

// The address block a customer (TableClients) and the own company (origine) share: six text
// fields, stored as typed.
struct PartyAddress
{
    QString name; // NomClient
    QString street; // NoRueClient
    QString city; // VilleClient
    QString province; // ProvClient
    QString postalCode; // CodPosClient
    QString telephone; // TelClient

    // The six field names in the order of the table and of the screen.
    static QStringList fieldNames();
    // The captions of the six fields, in the same order.
    static QStringList captions();

    // The current row's six values; an empty field reads as empty text. Throws DataError.
    static PartyAddress read(const RecordSet &set);
    // Sets the six fields of the row in edit. Throws DataError.
    void writeTo(RecordSet &set) const;

    // The refusal of a name holding a character nobody can see on a list or a bill, naming the
    // field and the character's code; empty when the name may be stored.
    QString hiddenCharacterInName() const;

    QString value(int field) const;
    void setValue(int field, const QString &text);

    bool operator==(const PartyAddress &) const = default;
};
