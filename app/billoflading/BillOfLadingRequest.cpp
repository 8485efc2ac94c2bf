#include "BillOfLadingRequest.h"

#include "billoflading/BillOfLading.h"
#include "core/VisibleName.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QLocale>

#include <cmath>
#include <utility>

namespace {

// Reads the values of BOL.json one key at a time; the first problem is kept and names its key.
class Reader
{
public:
    QString problem;

    void wrongType(const QString &key, const char *wanted)
    {
        if (problem.isEmpty())
            problem = QStringLiteral("\"%1\" must be %2").arg(key, QLatin1String(wanted));
    }

    QString text(const QJsonValue &value, const QString &key)
    {
        if (!value.isString())
            wrongType(key, "a text");
        return value.toString();
    }

    bool flag(const QJsonValue &value, const QString &key)
    {
        if (!value.isBool())
            wrongType(key, "true or false");
        return value.toBool();
    }

    // Dollars from 0 to the largest amount the program holds: a saturated or negative figure
    // would print as if it were the price.
    Currency amount(const QJsonValue &value, const QString &key)
    {
        const double number = value.toDouble();
        if (!value.isDouble() || !(number >= 0 && number <= 922337203685477.0)) {
            wrongType(key, "an amount from 0 to 922337203685477");
            return {};
        }
        return Currency::fromDouble(number);
    }

    // A weight or a count of pallets: whole and not negative.
    qint32 count(const QJsonValue &value, const QString &key)
    {
        const double number = value.toDouble();
        if (!value.isDouble() || number != std::floor(number) || number < 0
            || number > 2147483647.0) {
            wrongType(key, "a whole number from 0 to 2147483647");
            return 0;
        }
        return qint32(number);
    }

    qint64 identifier(const QJsonValue &value, const QString &key)
    {
        const double number = value.toDouble();
        if (!value.isDouble() || number != std::floor(number) || number < 1
            || number > 9007199254740992.0) {
            wrongType(key, "a whole number, as \"rouvel customers\" lists it");
            return 0;
        }
        return qint64(number);
    }

    // One of the captions; the index in captions, or -1 after noting the problem.
    int choice(const QJsonValue &value, const QString &key, const QStringList &captions)
    {
        const int index = int(captions.indexOf(value.toString().trimmed()));
        if (!value.isString() || index < 0) {
            if (problem.isEmpty()) {
                problem = QStringLiteral("\"%1\" must be one of \"%2\"")
                              .arg(key, captions.join(QStringLiteral("\", \"")));
            }
            return -1;
        }
        return index;
    }
};

void readHandOff(const QJsonObject &object, Reader &r, BillHandOff &h)
{
    bool hasCarrier = false;
    for (auto it = object.begin(); it != object.end() && r.problem.isEmpty(); ++it) {
        const QString key = it.key();
        const QString name = QStringLiteral("handoff.") + key;
        const QJsonValue v = it.value();
        if (key == QLatin1String("blCarrierName")) {
            h.blCarrierName = r.text(v, name);
            hasCarrier = true;
        } else if (key == QLatin1String("blPrice")) {
            h.blPrice = r.amount(v, name);
        } else if (key == QLatin1String("blRate")) {
            h.blRate = r.amount(v, name);
        } else if (key == QLatin1String("blWeight")) {
            h.blWeight = r.count(v, name);
        } else if (key == QLatin1String("blPallets")) {
            h.blPallets = r.count(v, name);
        } else if (key == QLatin1String("weightChosen")) {
            h.weightChosen = r.flag(v, name);
        } else if (key == QLatin1String("palletChosen")) {
            h.palletChosen = r.flag(v, name);
        } else if (key == QLatin1String("weightClickRate")) {
            h.weightClickRate = r.amount(v, name);
        } else if (key == QLatin1String("palletClickRate")) {
            h.palletClickRate = r.amount(v, name);
        } else if (key == QLatin1String("destName")) {
            h.destName = r.text(v, name);
        } else {
            r.problem = QStringLiteral("unknown key \"%1\"").arg(name);
        }
    }
    if (r.problem.isEmpty() && !hasCarrier)
        r.problem = QStringLiteral("\"handoff.blCarrierName\" is required");
}

} // namespace

QString BillOfLadingRequest::read(const QJsonObject &object)
{
    static const QStringList goodsCaptions {QStringLiteral("conduits"), QStringLiteral("grilles"),
        QStringLiteral("prises d'air"), QStringLiteral("diffuseurs"), QStringLiteral("autres")};
    static const QStringList chargesCaptions {
        QStringLiteral("Collect"), QStringLiteral("Prepaid"), QStringLiteral("Prepaid and charge")};
    static const QStringList spaceCaptions {QStringLiteral("1/4"), QStringLiteral("1/2"),
        QStringLiteral("3/4"), QStringLiteral("Full")};

    Reader r;
    bool hasHandOff = false;
    for (auto it = object.begin(); it != object.end() && r.problem.isEmpty(); ++it) {
        const QString key = it.key();
        const QJsonValue v = it.value();
        if (key == QLatin1String("handoff")) {
            hasHandOff = true;
            if (!v.isObject())
                r.wrongType(key, "an object");
            else
                readHandOff(v.toObject(), r, handOff);
        } else if (key == QLatin1String("customer")) {
            customer = r.text(v, key);
        } else if (key == QLatin1String("customerId")) {
            customerId = r.identifier(v, key);
        } else if (key == QLatin1String("date")) {
            date = r.text(v, key);
        } else if (key == QLatin1String("cartons")) {
            // A count is as good as a text here.
            if (v.isDouble())
                cartons = QString::number(v.toDouble(), 'f', QLocale::FloatingPointShortest);
            else
                cartons = r.text(v, key);
        } else if (key == QLatin1String("goods")) {
            goods = Goods(r.choice(v, key, goodsCaptions) + 1);
        } else if (key == QLatin1String("description")) {
            description = r.text(v, key);
        } else if (key == QLatin1String("charges")) {
            charges = Charges(r.choice(v, key, chargesCaptions) + 1);
        } else if (key == QLatin1String("thirdParty")) {
            thirdParty = r.flag(v, key);
        } else if (key == QLatin1String("spaceUsed")) {
            spaceUsed = SpaceUsed(r.choice(v, key, spaceCaptions) + 1);
        } else if (key == QLatin1String("orders")) {
            const QJsonArray orders = v.toArray();
            if (!v.isArray() || orders.size() > BillOfLadingForm::OrderCount) {
                r.wrongType(key, "a list of at most five texts");
            } else {
                for (qsizetype i = 0; i < orders.size(); ++i)
                    this->orders << r.text(orders.at(i), QStringLiteral("orders[%1]").arg(i));
            }
        } else if (key == QLatin1String("appointment")) {
            appointment = r.flag(v, key);
        } else if (key == QLatin1String("agreement")) {
            agreement = r.text(v, key);
        } else {
            r.problem = QStringLiteral("unknown key \"%1\"").arg(key);
        }
    }
    if (r.problem.isEmpty() && !hasHandOff)
        r.problem = QStringLiteral("\"handoff\" is required");
    // A name nobody can see the whole of would pick, or fail to pick, a party unseen.
    const std::pair<QString, QString> names[] = {
        {QStringLiteral("handoff.blCarrierName"), handOff.blCarrierName},
        {QStringLiteral("customer"), customer.value_or(QString())}};
    for (const auto &[key, name] : names) {
        const QString hidden = VisibleName::problem(name);
        if (r.problem.isEmpty() && !hidden.isEmpty())
            r.problem = QStringLiteral("\"%1\" %2").arg(key, hidden);
    }
    return r.problem;
}


QString BillOfLadingRequest::applyTo(BillOfLading &bill, const QString &databaseName) const
{
    if (customer || customerId) {
        int index = -1;
        if (customerId) {
            index = bill.customerIndexOfId(*customerId);
            if (index < 0) {
                return QStringLiteral("\"customerId\": no customer %1 in %2")
                    .arg(*customerId)
                    .arg(databaseName);
            }
            if (customer && !bill.customerIndexesOf(*customer).contains(index)) {
                return QStringLiteral("\"customer\": customer %1 is \"%2\", not \"%3\"")
                    .arg(*customerId)
                    .arg(bill.state().customerNames.at(index), *customer);
            }
        } else {
            const QList<int> named = bill.customerIndexesOf(*customer);
            if (named.isEmpty()) {
                return QStringLiteral("\"customer\": unknown customer \"%1\" in %2")
                    .arg(*customer, databaseName);
            }
            // Two customers of one name: printing either could send the goods to the other.
            if (named.size() > 1) {
                return QStringLiteral("customer \"%1\" names %2 customers: give \"customerId\"")
                    .arg(*customer)
                    .arg(named.size());
            }
            index = named.first();
        }
        bill.pickCustomer(index);
    }

    // As the clerk fills the window, choice before the text it writes.
    if (date)
        bill.setDate(*date);
    bill.setCartons(cartons);
    if (goods != Goods::None)
        bill.chooseGoods(goods);
    if (description)
        bill.setDescription(*description);
    bill.chooseCharges(charges);
    bill.setThirdParty(thirdParty);
    bill.chooseSpaceUsed(spaceUsed);
    for (qsizetype i = 0; i < orders.size(); ++i)
        bill.setOrder(int(i), orders.at(i));
    bill.setAppointment(appointment);
    bill.setAgreement(agreement);
    return {};
}
