// TTextStorage: a form's store of run-time texts and their translations.
#pragma once

#include <QObject>
#include <QStringList>

// Holds the texts a form builds at run time (message texts, country names, labels) in the current
// language. `Items` starts as the built-in English texts; a language switch replaces them line by line.
// `DefaultItems` keeps the built-in texts as lookup keys. Owned by its form; user-interface thread only.
class TTextStorage : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)

public:
    explicit TTextStorage(QObject* owner = nullptr);
    // A store named `name` on `owner`, filled with its built-in texts and loaded.
    TTextStorage(QObject* owner, const QString& name, const QStringList& builtIn);

    const QStringList& Items() const { return m_items; }
    // Replaces the current texts; the lookup keys stay as they were loaded.
    void SetItems(const QStringList& items);
    const QStringList& DefaultItems() const { return m_defaultItems; }

    // End of loading: the texts as they stand now become the built-in lookup keys.
    void Loaded();

    // The current-language text of a built-in text: the first key equal to `defaultText` without regard to
    // letter case gives the position; a text not found, or translated as "unused", comes back unchanged.
    QString Translate(const QString& defaultText) const;

private:
    QStringList m_items;
    QStringList m_defaultItems;
};
