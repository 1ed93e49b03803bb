#include "CommChoice.h"

#include <QStringList>

namespace kvt {

namespace {
const QStringList bauds{QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                        QStringLiteral("9600"), QStringLiteral("19200")};
const QStringList parities{QStringLiteral("O"), QStringLiteral("E"), QStringLiteral("N")};
const QStringList dataBits{QStringLiteral("7"), QStringLiteral("8")};
const QStringList stopBits{QStringLiteral("1"), QStringLiteral("2")};

int indexIn(const QStringList& values, const QString& value)
{
    const qsizetype found = values.indexOf(value);
    return int(found < 0 ? values.size() - 1 : found);
}

QString valueAt(const QStringList& values, int index)
{
    return values.at(qBound(0, index, int(values.size() - 1)));
}
} // namespace

QString CommChoice::settings() const
{
    return QStringList{baud, parity, dataBits, stopBits}.join(u',');
}

CommOptions optionsFor(const CommChoice& choice)
{
    return {choice.port == 1 ? 0 : 1, indexIn(bauds, choice.baud), indexIn(parities, choice.parity),
            indexIn(dataBits, choice.dataBits), indexIn(stopBits, choice.stopBits)};
}

CommChoice choiceFrom(const CommOptions& options)
{
    return {qint16(options.port == 0 ? 1 : 2), valueAt(bauds, options.baud),
            valueAt(parities, options.parity), valueAt(dataBits, options.dataBits),
            valueAt(stopBits, options.stopBit)};
}

} // namespace kvt
