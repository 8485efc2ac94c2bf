#include "BillOfLading.h"

#include "core/NumericText.h"
#include "data/DataError.h"

#include <QDate>
#include <QLocale>

#include <limits>

namespace {

const QString ownCompanyTable = QStringLiteral("origine");

} // namespace

QString BillOfLading::customerPrompt() { return QStringLiteral("Select customer"); }

QString BillOfLading::noCompanyCityMessage()
{
    return QStringLiteral("Please fill in your company informations by clicking on the <<Your "
                          "company>> button in the <<Best rate>> form");
}

QString BillOfLading::saveQuestion(const QString &number)
{
    return QStringLiteral("Do you wish to save the number") + QLatin1Char(' ') + number
        + QStringLiteral(" ?") + QChar(10)
        + QStringLiteral("If the b/l has not been printed, you should click NO");
}

QString BillOfLading::today()
{
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

void BillOfLading::load(const Database &db)
{
    // Saved numbers are only added to: no need to read them.
    RecordSet savedNumbers = RecordSet::openTable(db, QStringLiteral("TableBL"), true);
    const RecordSet proposed = RecordSet::openQuery(db, QStringLiteral("ReqGenNoBL"));
    RecordSet customers = RecordSet::openTable(db, QStringLiteral("TableClients"));
    RecordSet::openTable(db, ownCompanyTable); // checked here, read at each activation

    m_db = db;
    m_savedNumbers = std::move(savedNumbers);
    m_customers = std::move(customers);
    // Read once per window: a new window proposes the next number again.
    m_state.form.number
        = proposed.isEmpty() ? QString() : proposed.text(QStringLiteral("Expr1000"));
}

QString BillOfLading::activate(const BillHandOff &handOff)
{
    State &s = m_state;
    BillOfLadingForm &f = s.form;
    s.tab = Tab::Parties;
    f.date = today();

    s.goods = Goods::None;
    f.charges = Charges::None;
    f.thirdParty = false;
    f.spaceUsed = SpaceUsed::None;
    f.appointment = false;
    s.specialAgreement = false;
    f.description.clear();
    // The agreement stays on screen while it holds text: it is printed, so the user must see it.
    s.agreementShown = !f.agreement.isEmpty();

    m_handOff = handOff;
    m_handOff.blRate = handOff.effectiveRate();
    f.rate = m_handOff.blRate;
    f.price = m_handOff.blPrice;
    f.weight = m_handOff.blWeight;
    showCharges();
    f.packages = BillOfLadingForm::packageText(m_handOff.blPallets);

    f.consignee = PartyAddress();
    f.consignee.city = m_handOff.destName;

    if (!m_db.isOpen())
        return {};
    m_db.refresh();
    readCarrier();
    s.carrierCaption = f.carrier.name;

    m_customers.requery();
    s.customerNames.clear();
    s.customerIds.clear();
    for (m_customers.moveFirst(); !m_customers.eof(); m_customers.moveNext()) {
        s.customerNames << m_customers.text(QStringLiteral("NomClient"));
        s.customerIds << m_customers.rowId();
    }
    s.customerIndex = -1;

    QString problem;
    s.pointOfOrigin = readOwnCompany(&problem).city;
    if (!problem.isEmpty())
        return problem;
    if (s.pointOfOrigin.isEmpty())
        return noCompanyCityMessage();
    return {};
}

void BillOfLading::readCarrier()
{
    CarrierBlock &c = m_state.form.carrier;
    c = CarrierBlock();
    m_carrierFound = false;
    const RecordSet carrier = RecordSet::openQuery(m_db, QStringLiteral("reqPourBL"),
        {{QStringLiteral("[nomdutrans]"), m_handOff.blCarrierName}});
    if (carrier.isEmpty())
        return;
    m_carrierFound = true;
    c.name = carrier.text(QStringLiteral("NomLongTrans"));
    c.street = carrier.text(QStringLiteral("NoRue"));
    c.city = carrier.text(QStringLiteral("Ville"));
    c.province = carrier.text(QStringLiteral("Province"));
    c.postCode = carrier.text(QStringLiteral("CodPos"));
    c.phone = carrier.text(QStringLiteral("Tel"));
    c.fax = carrier.text(QStringLiteral("Fax"));
}

PartyAddress BillOfLading::readOwnCompany(QString *problem) const
{
    try {
        const RecordSet own = RecordSet::openTable(m_db, ownCompanyTable);
        if (own.isEmpty()) {
            if (problem) {
                *problem = QStringLiteral(
                    "Your company's information is missing: the table origine holds no row. "
                    "The shipper block of the bill of lading prints empty.");
            }
            return {};
        }
        return PartyAddress::read(own);
    } catch (const DataError &error) {
        if (problem) {
            *problem = QStringLiteral("Your company's information cannot be read: %1 The shipper "
                                      "block of the bill of lading prints empty.")
                           .arg(error.message());
        }
        return {};
    }
}

bool BillOfLading::pickCustomer(int index)
{
    if (index < 0 || index >= m_customers.rowCount())
        return false;
    m_customers.moveToRow(index);
    m_state.form.consignee = PartyAddress::read(m_customers);
    m_state.customerIndex = index;
    return true;
}

QList<int> BillOfLading::customerIndexesOf(const QString &name) const
{
    QList<int> exact;
    QList<int> folded;
    for (qsizetype i = 0; i < m_state.customerNames.size(); ++i) {
        const QString &listed = m_state.customerNames.at(i);
        if (listed == name)
            exact << int(i);
        else if (listed.compare(name, Qt::CaseInsensitive) == 0)
            folded << int(i);
    }
    return exact.isEmpty() ? folded : exact;
}

int BillOfLading::customerIndexOfId(qint64 id) const
{
    return int(m_state.customerIds.indexOf(id));
}

void BillOfLading::chooseGoods(Goods goods)
{
    m_state.goods = goods;
    // "autres" is typed freely; the other choices write their caption.
    m_state.form.description = BillOfLadingForm::goodsCaption(goods);
}

void BillOfLading::chooseCharges(Charges charges)
{
    m_state.form.charges = charges;
    showCharges();
}

void BillOfLading::showCharges()
{
    if (m_state.form.charges == Charges::Collect) {
        m_state.rateField = BillOfLadingForm::collectText();
        m_state.amountField = BillOfLadingForm::collectText();
        return;
    }
    m_state.rateField = BillOfLadingForm::moneyText(m_handOff.blRate);
    m_state.amountField = BillOfLadingForm::moneyText(m_handOff.blPrice);
}

void BillOfLading::setThirdParty(bool set) { m_state.form.thirdParty = set; }

void BillOfLading::chooseSpaceUsed(SpaceUsed space) { m_state.form.spaceUsed = space; }

void BillOfLading::setAppointment(bool checked) { m_state.form.appointment = checked; }

void BillOfLading::setSpecialAgreement(bool checked)
{
    m_state.specialAgreement = checked;
    // Unchecking leaves the text on screen: it still prints.
    if (checked)
        m_state.agreementShown = true;
}

void BillOfLading::setDescription(const QString &text) { m_state.form.description = text; }

void BillOfLading::setAgreement(const QString &text)
{
    m_state.form.agreement = text;
    if (!text.isEmpty())
        m_state.agreementShown = true;
}

void BillOfLading::setCartons(const QString &text) { m_state.form.cartons = text; }

void BillOfLading::setDate(const QString &text) { m_state.form.date = text; }

void BillOfLading::setOrder(int index, const QString &text)
{
    if (index >= 0 && index < BillOfLadingForm::OrderCount)
        m_state.form.orders.at(size_t(index)) = text;
}

void BillOfLading::setAmountText(const QString &text) { m_state.amountField = text; }

BillOfLadingForm BillOfLading::printForm(QString *problem) const
{
    BillOfLadingForm form = m_state.form;
    form.weight = m_handOff.blWeight;
    form.rate = m_handOff.blRate;
    form.price = m_handOff.blPrice;
    form.shipper = m_db.isOpen() ? readOwnCompany(problem) : PartyAddress();
    return form;
}

std::optional<qint32> BillOfLading::numberToSave(const QString &numberText)
{
    const double value = numericValue(numberText);
    // Saturating would record another number than the one printed.
    if (!(value >= double(std::numeric_limits<qint32>::min())
            && value <= double(std::numeric_limits<qint32>::max())))
        return std::nullopt;
    return roundToInt32(value);
}

QString BillOfLading::tooLargeMessage(const QString &numberText)
{
    return QStringLiteral("The next bill of lading number %1 is too large: the numbers stop at "
                          "2147483647.")
        .arg(numberText);
}

QString BillOfLading::takenMessage(const QString &number, const QString &next)
{
    return QStringLiteral("The number %1 was saved by another bill after this one was printed. "
                          "Print this bill again: its number is now %2.")
        .arg(number, next);
}

QString BillOfLading::proposedNumber() const
{
    const RecordSet proposed = RecordSet::openQuery(m_db, QStringLiteral("ReqGenNoBL"));
    return proposed.isEmpty() ? QString() : proposed.text(QStringLiteral("Expr1000"));
}

QString BillOfLading::refreshNumber()
{
    if (!m_db.isOpen())
        return {};
    m_db.refresh();
    m_state.form.number = proposedNumber();
    if (!numberToSave(m_state.form.number))
        return tooLargeMessage(m_state.form.number);
    return {};
}

QString BillOfLading::recordNumber()
{
    const QString number = m_state.form.number;
    const std::optional<qint32> value = numberToSave(number);
    if (!value)
        return tooLargeMessage(number);
    // Numbers are proposed as the highest saved plus one: a higher proposal now means this
    // number, or one past it, was saved meanwhile.
    const QString next = proposedNumber();
    if (*value > 0 && numericValue(next) > *value) {
        m_state.form.number = next;
        return takenMessage(number, next);
    }
    m_savedNumbers.addNew();
    m_savedNumbers.setField(QStringLiteral("NoBl"), *value);
    m_savedNumbers.update();
    return {};
}

QString BillOfLading::saveNumber()
{
    QString refused;
    try {
        m_db.inWriteTransaction([&] { refused = recordNumber(); });
    } catch (const DataError &error) {
        if (m_savedNumbers.editMode() != RecordSet::EditMode::None)
            m_savedNumbers.cancelUpdate();
        return QStringLiteral("The bill of lading number %1 was not saved: %2")
            .arg(m_state.form.number, error.message());
    }
    return refused;
}
