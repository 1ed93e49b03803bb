#pragma once

#include <QString>

namespace kvt {

// The port and line settings the operator chose in Commsetup. They live only
// as long as the window: every start begins with COM1 at 9600,N,8,1.
struct CommChoice {
    qint16 port = 1;
    QString baud = QStringLiteral("9600");
    QString parity = QStringLiteral("N");
    QString dataBits = QStringLiteral("8");
    QString stopBits = QStringLiteral("1");

    // "9600,N,8,1"
    QString settings() const;
    friend bool operator==(const CommChoice&, const CommChoice&) = default;
};

// The option selected in each of the dialog's five option arrays, by index.
struct CommOptions {
    int port = 0;
    int baud = 3;
    int parity = 2;
    int dataBits = 1;
    int stopBit = 0;
    friend bool operator==(const CommOptions&, const CommOptions&) = default;
};

// Both directions of the dialog: a text it does not offer selects the last
// option of its array, as OK would give back.
CommOptions optionsFor(const CommChoice& choice);
CommChoice choiceFrom(const CommOptions& options);

} // namespace kvt
