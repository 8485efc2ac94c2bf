#include "ratesheets/RateSheetImport.h"

#include "carriers/DestinationLists.h"
#include "carriers/DestinationName.h"
#include "data/DataError.h"
#include "data/RecordSet.h"
#include "ratesheets/RateSheetCsv.h"

#include <QHash>

namespace {

const QString NoDestination = QStringLiteral("NoDestination");
const QString NomDestination = QStringLiteral("NomDestination");

bool sameRate(const QVariant &a, const QVariant &b)
{
    return a.isNull() == b.isNull() && (a.isNull() || a.toLongLong() == b.toLongLong());
}

} // namespace

// What the sheet asks for, row by row, against what the file holds now.
struct RateSheetImport::Work
{
    struct Change
    {
        enum class Kind { Update, Serve, Create } kind = Kind::Update;
        QString name; // the name to create, for Create
        qint32 destinationNo = 0; // for Update and Serve
        QVector<QPair<QString, QVariant>> rates; // field -> value, only those that change
    };
    QVector<Change> changes;
    Summary summary;
};

QString RateSheetImport::Summary::text() const
{
    QString text = QStringLiteral("Rates changed: %1\nDestinations newly served: %2\n"
                                  "Destinations created: %3")
                       .arg(ratesChanged)
                       .arg(newlyServed)
                       .arg(created);
    if (notInSheet > 0)
        text += QStringLiteral("\nDestinations served but not in the sheet, left as they are: %1")
                    .arg(notInSheet);
    return text;
}

RateSheetImport::RateSheetImport(const Database &db, qint32 carrierNo, RateKind kind)
    : m_db(db)
    , m_carrierNo(carrierNo)
    , m_kind(kind)
{
}

std::optional<qint32> RateSheetImport::findCarrier(const Database &db, const QString &name)
{
    RecordSet carriers = RecordSet::openQuery(db, QStringLiteral("IdentTransAlph"));
    if (name.isEmpty() || !carriers.findFirst(RecordSet::Criterion::nomTrans(name)))
        return std::nullopt;
    return qint32(carriers.field(QStringLiteral("NoTrans")).toInt());
}

RateSheetImport::Work RateSheetImport::prepare(const RateSheet &sheet) const
{
    if (!sheet.ok() || sheet.kind() != m_kind)
        throw DataError::other(QStringLiteral("The rate sheet was not checked for these rates."));
    const QVector<RateGridColumn> columns = RateGridColumns::columns(m_kind);

    // The carrier's rates now, by destination.
    RecordSet served = RecordSet::openQuery(m_db, RateGridColumns::queryName(m_kind),
        {{RateGridColumns::carrierParameter(), m_carrierNo}});
    const int servedNumber = served.fieldIndex(NoDestination);
    QVector<int> ratePositions;
    for (const int c : sheet.rateColumns()) {
        const int position = served.fieldIndex(columns.at(c).field);
        if (position < 0)
            throw DataError::other(QStringLiteral("The stored query %1 has no column %2.")
                                       .arg(served.source(), columns.at(c).field));
        ratePositions << position;
    }
    if (servedNumber < 0)
        throw DataError::other(QStringLiteral("The stored query %1 has no column NoDestination.")
                                   .arg(served.source()));
    QHash<qint32, int> servedRow; // NoDestination -> row of `served`
    for (int row = 0; row < served.rowCount(); ++row) {
        served.moveToRow(row);
        servedRow.insert(qint32(served.field(servedNumber).toInt()), row);
    }

    // Every destination, by the key the file compares names with; and by that key without
    // blanks at the ends, which a spreadsheet shows nowhere.
    RecordSet destinations = RecordSet::openQuery(m_db, QStringLiteral("TriDest"));
    const int numberPosition = destinations.fieldIndex(NoDestination);
    const int namePosition = destinations.fieldIndex(NomDestination);
    QHash<QString, qint32> destinationNo;
    QHash<QString, QString> trimmedName;
    destinationNo.reserve(destinations.rowCount());
    for (int row = 0; row < destinations.rowCount(); ++row) {
        destinations.moveToRow(row);
        const QString name = destinations.text(namePosition);
        destinationNo.insert(
            RateSheet::destinationKey(name), qint32(destinations.field(numberPosition).toInt()));
        trimmedName.insert(DestinationName::key(name), name);
    }

    Work work;
    int namedServed = 0;
    QHash<QString, int> createdOn; // trimmed key of a name to create -> its line
    QHash<QString, int> namedOn; // key of a name without its guard -> its line
    for (const RateSheet::Row &row : sheet.rows()) {
        Work::Change change;
        // The apostrophe an export puts before a name a spreadsheet would run as a formula.
        const QString name = RateSheetCsv::withoutFormulaGuard(row.destination);
        const QString key = RateSheet::destinationKey(name);
        const auto problem = [&](const QString &reason) {
            work.summary.problems.append({row.line, sheet.destinationPosition(),
                sheet.destinationCaption(), row.destination, reason});
        };
        if (name.trimmed().isEmpty()) {
            problem(QStringLiteral("is no destination name"));
            continue;
        }
        if (const auto twin = namedOn.constFind(key); twin != namedOn.cend()) {
            problem(QStringLiteral("is already on line %1").arg(*twin));
            continue;
        }
        namedOn.insert(key, row.line);
        const auto known = destinationNo.constFind(key);
        const int setRow = known == destinationNo.cend() ? -1 : servedRow.value(*known, -1);
        if (known == destinationNo.cend()) {
            // "CHICAGO " beside CHICAGO would be a second destination nobody can tell apart.
            const QString trimmedKey = DestinationName::key(name);
            const auto near = trimmedName.constFind(trimmedKey);
            if (near != trimmedName.cend()) {
                problem(QStringLiteral("is no destination, but \"%1\" is: the blanks at the ends "
                                       "differ")
                            .arg(*near));
                continue;
            }
            if (const auto twin = createdOn.constFind(trimmedKey); twin != createdOn.cend()) {
                problem(QStringLiteral("is the name on line %1 but for the blanks at the ends")
                            .arg(*twin));
                continue;
            }
            createdOn.insert(trimmedKey, row.line);
            change.kind = Work::Change::Kind::Create;
            change.name = DestinationLists::upper(name);
            ++work.summary.created;
        } else if (setRow < 0) {
            change.kind = Work::Change::Kind::Serve;
            change.destinationNo = *known;
            ++work.summary.newlyServed;
        } else {
            change.destinationNo = *known;
            served.moveToRow(setRow);
            ++namedServed;
        }
        for (qsizetype i = 0; i < row.rates.size(); ++i) {
            // A new Tarifs row starts with no rates.
            const QVariant now = setRow < 0 ? QVariant() : served.field(ratePositions.at(i));
            if (!sameRate(now, row.rates.at(i)))
                change.rates.append({columns.at(sheet.rateColumns().at(i)).field, row.rates.at(i)});
        }
        work.summary.ratesChanged += int(change.rates.size());
        if (change.kind == Work::Change::Kind::Update && change.rates.isEmpty()) {
            ++work.summary.unchangedRows;
            continue;
        }
        work.changes << change;
    }
    work.summary.notInSheet = int(servedRow.size()) - namedServed;
    return work;
}

RateSheetImport::Summary RateSheetImport::plan(const RateSheet &sheet) const
{
    return prepare(sheet).summary;
}

RateSheetImport::Summary RateSheetImport::apply(const RateSheet &sheet)
{
    Summary summary;
    m_db.inTransaction([&] {
        // Planned again inside the save, so what is written matches the file as it is now.
        const Work work = prepare(sheet);
        summary = work.summary;
        if (!summary.problems.isEmpty())
            throw DataError::other(summary.problems.first().toText());

        QHash<qint32, const Work::Change *> rateChanges;
        RecordSet general;
        bool generalOpen = false;
        for (const Work::Change &change : work.changes) {
            qint32 number = change.destinationNo;
            if (change.kind == Work::Change::Kind::Create) {
                if (!generalOpen) {
                    general = RecordSet::openQuery(m_db, QStringLiteral("TriDest"));
                    generalOpen = true;
                }
                general.addNew();
                general.setField(NomDestination, change.name);
                general.update();
                number = qint32(general.field(NoDestination).toInt());
            }
            if (change.kind != Work::Change::Kind::Update)
                DestinationLists::serve(m_db, m_carrierNo, number);
            if (!change.rates.isEmpty())
                rateChanges.insert(number, &change);
        }
        if (rateChanges.isEmpty())
            return;

        RecordSet rates = RecordSet::openQuery(m_db, RateGridColumns::queryName(m_kind),
            {{RateGridColumns::carrierParameter(), m_carrierNo}});
        const int numberPosition = rates.fieldIndex(NoDestination);
        int written = 0;
        for (int row = 0; row < rates.rowCount(); ++row) {
            rates.moveToRow(row);
            const Work::Change *change
                = rateChanges.value(qint32(rates.field(numberPosition).toInt()));
            if (!change)
                continue;
            rates.edit();
            for (const auto &[field, value] : change->rates)
                rates.setField(field, value);
            rates.update();
            ++written;
        }
        if (written != rateChanges.size())
            throw DataError::other(QStringLiteral(
                "The rates of %1 destinations could not be found again; nothing was saved.")
                                       .arg(rateChanges.size() - written));
    });
    return summary;
}
