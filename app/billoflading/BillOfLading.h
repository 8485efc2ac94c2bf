#pragma once

#include "billoflading/BillHandOff.h"
#include "billoflading/BillOfLadingForm.h"
#include "data/Database.h"
#include "data/RecordSet.h"

#include <QString>
#include <QStringList>

#include <optional>

// The bill-of-lading window without the window: its fields, choices and rules, the proposed
// number and its save. The window mirrors state() in its widgets and passes on what the user
// does; "rouvel bol" drives the same steps from a file.
class BillOfLading
{
public:
    enum class Tab { Parties, Details };

    // What the window shows. form holds the fields that are printed; the shipper in it is read
    // again from origine at printing.
    struct State
    {
        Tab tab = Tab::Parties;
        BillOfLadingForm form;
        Goods goods = Goods::None;
        bool specialAgreement = false;
        bool agreementShown = false;
        QString rateField; // "Rate"
        QString amountField; // "Amount", which the user may overwrite
        QString pointOfOrigin;
        QString carrierCaption; // the carrier's legal name on the Details tab
        QStringList customerNames;
        QList<qint64> customerIds; // beside customerNames: what tells two of one name apart
        int customerIndex = -1; // -1: "Select customer"
    };

    static QString customerPrompt(); // "Select customer"
    static QString noCompanyCityMessage();
    static QString saveQuestion(const QString &number);
    // Today in the short date form of the system.
    static QString today();

    BillOfLading() = default;

    // Opens the saved numbers, the proposed number, the customers and the own company, in this
    // order. Throws DataError.
    void load(const Database &db);
    bool isLoaded() const { return m_db.isOpen(); }

    const State &state() const { return m_state; }
    const BillHandOff &handOff() const { return m_handOff; }
    // Whether reqPourBL found the handed carrier at the last activation.
    bool carrierFound() const { return m_carrierFound; }

    // The window became active: re-initialises the fields from the hand-off and re-reads the
    // carrier, the customers and the own company. Returns the text of the message to show,
    // empty when there is none.
    QString activate(const BillHandOff &handOff);

    // The user picked entry `index` of the customer list; false when there is no such entry.
    bool pickCustomer(int index);
    // Entries of the customer list holding that name: the exact matches, else those equal to it
    // regardless of case.
    QList<int> customerIndexesOf(const QString &name) const;
    // Entry of the customer list for that customerId, or -1.
    int customerIndexOfId(qint64 id) const;

    void chooseGoods(Goods goods);
    void chooseCharges(Charges charges);
    void setThirdParty(bool set);
    void chooseSpaceUsed(SpaceUsed space);
    void setAppointment(bool checked);
    void setSpecialAgreement(bool checked);
    void setDescription(const QString &text);
    void setAgreement(const QString &text);
    void setCartons(const QString &text);
    void setDate(const QString &text);
    void setOrder(int index, const QString &text);
    void setAmountText(const QString &text);

    // The bill as it is printed now: the fields, the hand-off values and the own company read
    // again. problem receives the message naming why the shipper block is empty, if it is.
    BillOfLadingForm printForm(QString *problem = nullptr) const;

    // Reads the proposed number again, as another bill may have taken it since the window
    // opened. Returns the message to show when the number cannot be used, empty otherwise.
    // Throws DataError.
    QString refreshNumber();

    // Records the "Bill of lading no" text in TableBL (0 when it holds no number), under the
    // write lock: a number another bill saved since it was proposed is not recorded again, and
    // the field then shows the next free one. Returns the message naming the cause of a
    // refusal, empty on success; a refusal writes nothing.
    QString saveNumber();

    // For a bill printed and recorded in one step ("rouvel bol --save"): under the write lock,
    // takes the next free number into the form, runs print(form) and records the number.
    // Whatever print or the save throws leaves no row. Returns the number recorded; throws
    // DataError, or NumberRefused with the message when the number cannot be used.
    template<typename Print> qint32 printAndRecord(Print &&print);

    struct NumberRefused
    {
        QString message;
    };

    // The number a save records for a "Bill of lading no" text: its leading number, else 0;
    // nothing when it lies beyond what TableBL holds.
    static std::optional<qint32> numberToSave(const QString &numberText);
    static QString tooLargeMessage(const QString &numberText);
    static QString takenMessage(const QString &number, const QString &next);

private:
    QString proposedNumber() const;
    // Checks and records the form's number; the caller holds the write lock.
    QString recordNumber();

    // The own company's row; problem receives the cause when it cannot be read.
    PartyAddress readOwnCompany(QString *problem) const;
    void readCarrier();
    void showCharges();

    Database m_db;
    RecordSet m_savedNumbers; // TableBL, for adding rows only
    RecordSet m_customers; // TableClients
    BillHandOff m_handOff;
    bool m_carrierFound = false;
    State m_state;
};

template<typename Print> qint32 BillOfLading::printAndRecord(Print &&print)
{
    qint32 recorded = 0;
    m_db.inWriteTransaction([&] {
        if (const QString problem = refreshNumber(); !problem.isEmpty())
            throw NumberRefused {problem};
        print(printForm());
        if (const QString refused = recordNumber(); !refused.isEmpty())
            throw NumberRefused {refused};
        recorded = *numberToSave(m_state.form.number);
    });
    return recorded;
}
