#include "data/TextPool.h"

QString TextPool::text(QByteArrayView utf8)
{
    if (utf8.isEmpty())
        return QString::fromUtf8(utf8);
    // The key only borrows the bytes for the lookup; a name kept is copied.
    const QByteArray borrowed = QByteArray::fromRawData(utf8.data(), utf8.size());
    if (const auto found = m_names.constFind(borrowed); found != m_names.cend())
        return *found;
    if (m_names.size() >= MaxNames)
        m_names.clear();
    const QString text = QString::fromUtf8(utf8);
    m_names.insert(utf8.toByteArray(), text);
    return text;
}
