#include "LineSettings.h"

#include <QStringList>

namespace kvt {

std::optional<LineSettings> LineSettings::parse(const QString& text)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        return std::nullopt;

    LineSettings s;
    bool ok = false;
    s.baud = fields[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return std::nullopt;

    const QString parity = fields[1].trimmed().toUpper();
    if (parity == QLatin1String("N"))
        s.parity = Parity::None;
    else if (parity == QLatin1String("E"))
        s.parity = Parity::Even;
    else if (parity == QLatin1String("O"))
        s.parity = Parity::Odd;
    else if (parity == QLatin1String("M"))
        s.parity = Parity::Mark;
    else if (parity == QLatin1String("S"))
        s.parity = Parity::Space;
    else
        return std::nullopt;

    s.dataBits = fields[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return std::nullopt;

    const QString stop = fields[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = StopBits::One;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = StopBits::OneAndHalf;
    else if (stop == QLatin1String("2"))
        s.stopBits = StopBits::Two;
    else
        return std::nullopt;
    return s;
}

QString LineSettings::toString() const
{
    static const char parityLetters[] = {'N', 'E', 'O', 'M', 'S'};
    static const char* const stopTexts[] = {"1", "1.5", "2"};
    return QStringLiteral("%1,%2,%3,%4")
        .arg(baud)
        .arg(QLatin1Char(parityLetters[int(parity)]))
        .arg(dataBits)
        .arg(QLatin1String(stopTexts[int(stopBits)]));
}

} // namespace kvt
