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

namespace {

QString parityName(LineSettings::Parity parity)
{
    static const char* const names[] = {"no parity", "even parity", "odd parity", "mark parity",
                                        "space parity"};
    return QLatin1String(names[int(parity)]);
}

QString stopBitsName(LineSettings::StopBits stopBits)
{
    static const char* const names[] = {"1 stop bit", "1.5 stop bits", "2 stop bits"};
    return QLatin1String(names[int(stopBits)]);
}

} // namespace

QStringList refusedParts(const LineSettings& wanted, const LineSettings& inEffect)
{
    QStringList refused;
    if (wanted.baud != inEffect.baud)
        refused << QStringLiteral("%1 baud").arg(wanted.baud);
    if (wanted.parity != inEffect.parity)
        refused << parityName(wanted.parity);
    if (wanted.dataBits != inEffect.dataBits)
        refused << QStringLiteral("%1 data bits").arg(wanted.dataBits);
    if (wanted.stopBits != inEffect.stopBits)
        refused << stopBitsName(wanted.stopBits);
    return refused;
}

QString refusedSettingsText(const QString& device, const QStringList& refused,
                            const LineSettings& inEffect)
{
    QString parts = refused.join(QStringLiteral(", "));
    if (refused.size() > 1)
        parts.replace(parts.lastIndexOf(QStringLiteral(", ")), 2, QStringLiteral(" or "));
    return QStringLiteral("%1 does not take %2; it runs with %3, and the controller must be set "
                          "to the same.")
        .arg(device, parts, inEffect.toString());
}

} // namespace kvt
