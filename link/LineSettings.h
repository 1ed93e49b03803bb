#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kvt {

// A settings string such as "9600,N,8,1": baud, parity letter, data bits, stop bits.
struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    qint32 baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    static std::optional<LineSettings> parse(const QString& text);
    QString toString() const;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// The parts of wanted that a device did not take, named as the operator
// reads them ("7 data bits", "even parity"), in the order of the string.
QStringList refusedParts(const LineSettings& wanted, const LineSettings& inEffect);

// The box text when a device refused some settings: exactly which, and what
// it runs with instead, so nobody is left believing the line is as chosen.
QString refusedSettingsText(const QString& device, const QStringList& refused,
                            const LineSettings& inEffect);

} // namespace kvt
