#pragma once

#include <QString>

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

} // namespace kvt
