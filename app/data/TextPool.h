#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

// Strings kept once each and found again by their UTF-8 bytes, for the names that reads return
// again and again: a name met before costs a hash and a compare, not an allocation and a
// conversion. It holds at most MaxNames; one more and it forgets them all and starts over.
class TextPool
{
public:
    static constexpr qsizetype MaxNames = 16384;

    // The string for that UTF-8 text; equal bytes give the same shared string.
    QString text(QByteArrayView utf8);

    qsizetype size() const { return m_names.size(); }
    void clear() { m_names.clear(); }

private:
    QHash<QByteArray, QString> m_names;
};
