// TTextStorage: a form's store of run-time texts and their translations.
#include "lang/C_TextStorage.h"

TTextStorage::TTextStorage(QObject* owner) : QObject(owner) { }

TTextStorage::TTextStorage(QObject* owner, const QString& name, const QStringList& builtIn) : QObject(owner)
{
    setObjectName(name);
    SetItems(builtIn);
    Loaded();
}

void TTextStorage::SetItems(const QStringList& items)
{
    m_items = items;
}

void TTextStorage::Loaded()
{
    m_defaultItems = m_items;
}

QString TTextStorage::Translate(const QString& defaultText) const
{
    // Full Unicode case folding: "load a picture first" finds "Load a picture first", and so do the
    // accented capitals of translated built-in texts.
    const qsizetype count = std::min(m_defaultItems.size(), m_items.size());
    for (qsizetype i = 0; i < m_defaultItems.size(); ++i) {
        if (m_defaultItems[i].compare(defaultText, Qt::CaseInsensitive) != 0)
            continue;
        if (i >= count)
            return defaultText;
        const QString& current = m_items[i];
        return current == QLatin1String("unused") ? defaultText : current;
    }
    return defaultText;
}
