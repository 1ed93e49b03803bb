#include "Keypad.h"

#include <QRegularExpression>

namespace kvt::sim {

namespace {

std::optional<Key> namedKey(QStringView word)
{
    if (word.compare(u"NO", Qt::CaseInsensitive) == 0)
        return Key::No;
    if (word == u"+/-")
        return Key::PlusMinus;
    if (word.compare(u"ENT", Qt::CaseInsensitive) == 0)
        return Key::Enter;
    if (word.compare(u"DEL", Qt::CaseInsensitive) == 0)
        return Key::Delete;
    return std::nullopt;
}

} // namespace

KeyScript parseKeys(QStringView text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    KeyScript script;
    for (const QStringView word : text.split(separators, Qt::SkipEmptyParts)) {
        if (const std::optional<Key> key = namedKey(word)) {
            script.keys.append(*key);
            continue;
        }
        bool digitsOnly = true;
        for (const QChar c : word)
            digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
        if (!digitsOnly) {
            script.unknown.append(word.toString());
            continue;
        }
        for (const QChar c : word)
            script.keys.append(Key(int(Key::Digit0) + (c.unicode() - u'0')));
    }
    return script;
}

} // namespace kvt::sim
