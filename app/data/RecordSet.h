#pragma once

#include "core/Currency.h"
#include "data/Database.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// A navigable, updatable set of rows over a table or a stored query of the rate database.
//
// The rows are read when the set is opened (and again by requery()), so a set holds no lock on
// the file between calls. Saves write straight to the base table, one transaction each, and
// update the row in the set. A stored query's rows can be written back when the query names a
// base table; only its columns that are columns of that table can be set.
//
// Field names are matched without regard to case. A qualified name such as
// "Tarifs.NoDestination" (how DestparTrans's destination column is addressed) finds the column
// of the name after the dot, "NoDestination".
//
// Values: field() returns what the file stores. Currency columns hold qint64 ten-thousandths
// (8.50 $ is 85000) and are read with currency(); an empty field is a null QVariant, read as
// empty text by text() and as zero by currency().
//
// Every read or change of the current row throws DataError::Kind::NoCurrentRow (3021) when
// there is none: empty set, past the end, after a failed findFirst or after deleteCurrent().
class RecordSet
{
public:
    using Parameters = QHash<QString, QVariant>; // keyed by the bracketed name: "[prmDestination]"
    using Bookmark = qint64;

    enum class EditMode { None, Editing, Adding };

    // One of the searches the windows make; the value is compared, never pasted into SQL.
    struct Criterion
    {
        QString field;
        QVariant value;
        static Criterion noTrans(qint32 carrierNo)
        {
            return {QStringLiteral("NoTrans"), carrierNo};
        }
        static Criterion nomTrans(const QString &name)
        {
            return {QStringLiteral("NomTrans"), name};
        }
        static Criterion nomDestination(const QString &name)
        {
            return {QStringLiteral("NomDestination"), name};
        }
    };

    RecordSet() = default;

    // Every row of a table, in the table's own order. With appendOnly the set starts empty and
    // is used to add rows (e.g. a Tarifs row) without reading the table.
    static RecordSet openTable(const Database &db, const QString &table, bool appendOnly = false);
    // A stored query with its parameters set. A missing or unknown parameter throws.
    static RecordSet openQuery(
        const Database &db, const QString &name, const Parameters &parameters = {});

    QString source() const { return m_source; }
    bool isUpdatable() const { return !m_baseTable.isEmpty(); }

    int fieldCount() const { return m_columns.size(); }
    QStringList fieldNames() const { return m_columns; }
    int fieldIndex(const QString &name) const; // -1 when absent
    bool isCurrencyField(int position) const;

    int rowCount() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    bool eof() const { return m_position >= rowCount(); }
    bool hasCurrentRow() const;
    int position() const { return m_position; } // 0-based; rowCount() when past the end

    void moveFirst();
    void moveNext();
    void moveLast();
    // The current row's mark, valid until requery(); return to it with moveTo().
    Bookmark bookmark() const;
    void moveTo(Bookmark mark);
    // Makes row `row` (0-based) current; used by lists and grids when an entry is chosen.
    void moveToRow(int row);

    QVariant field(const QString &name) const;
    QVariant field(int position) const;
    QString text(const QString &name) const;
    QString text(int position) const;
    // The current row's number in a table without a key of its own (TableClients): what names
    // that row when two hold the same values.
    qint64 rowId() const;
    Currency currency(const QString &name) const;
    Currency currency(int position) const;
    bool isNull(const QString &name) const;

    // Makes the first row meeting the criterion current and returns true; otherwise leaves the
    // set past the end, with no current row, and returns false. Text is compared without regard to
    // case, as names are.
    bool findFirst(const Criterion &criterion);

    void edit();
    void addNew();
    void setField(const QString &name, const QVariant &value);
    void setCurrency(const QString &name, Currency value);
    // Saves the edited or new row in its own transaction; a new row becomes the current row,
    // read back from the file with the number the database gave it. DuplicateKey (3022) and
    // any other refusal leave the file unchanged and the row still in edit.
    void update();
    void cancelUpdate();
    EditMode editMode() const { return m_editMode; }
    // The autonumber of the last row added through this set, or 0.
    qint64 lastAddedId() const { return m_lastAddedId; }
    // Deletes the current row from its base table. No row is current until the next move;
    // moveNext() then goes to the row that followed.
    void deleteCurrent();

    // Reads the rows again (with the same parameters) so saves from elsewhere show; moves to
    // the first row.
    void requery();

private:
    using Row = QVector<QVariant>;

    int resolve(const QString &name) const; // throws when absent
    const Row &currentRow() const;
    void requireUpdatable() const;
    QString baseColumn(int position) const; // empty when the column is not in the base table
    void load();

    Database m_db;
    QString m_source;
    QString m_sql;
    QHash<QString, QVariant> m_bindings; // ":prmName" -> value
    QString m_baseTable;
    QStringList m_baseColumns; // columns of the base table
    QStringList m_keyColumns; // result columns naming the base row
    QStringList m_columns;
    QVector<bool> m_currency;
    QVector<Row> m_rows;
    QVector<Bookmark> m_marks;
    Bookmark m_nextMark = 1;
    int m_position = 0;
    bool m_positionValid = false; // false after a failed find or a delete
    bool m_afterDelete = false; // the next moveNext stays on the row that took the deleted place
    EditMode m_editMode = EditMode::None;
    Row m_buffer;
    QVector<bool> m_dirty;
    qint64 m_lastAddedId = 0;
    bool m_hiddenRowid = false; // a table without a key is read with its rowid last
};
