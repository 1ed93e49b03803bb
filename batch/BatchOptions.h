#pragma once

#include "family/BlockCommands.h"
#include "family/Family.h"
#include "link/Timings.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace kvt::batch {

// What the process returns; the help text and the manual list them too.
namespace Exit {
inline constexpr int Success = 0;
inline constexpr int Usage = 2; // bad command line, unreadable program file
inline constexpr int PortNotOpened = 3;
inline constexpr int Silent = 4; // the controller did not answer in time
inline constexpr int VerifyMismatch = 5;
inline constexpr int Cancelled = 6;
inline constexpr int Failed = 7; // link lost, write refused, output not written
} // namespace Exit

struct BatchOptions {
    enum class Verb { Download, Upload, Send };

    Verb verb = Verb::Download;
    QString model; // "kvt7" ... as given, lower case
    Family family = Family::Kvt7;
    QStringList ports;
    BlockKind kind = BlockKind::Program;
    int program = 0;
    QString file;         // download: the program file
    QStringList commands; // send
    QString output;       // upload: empty or "-" for standard output
    bool verify = false;
    bool json = false;
    QString settings = QStringLiteral("9600,N,8,1");
    QString logDir;
    Timings timings;

    // The verbs that run without a window.
    static bool isVerb(const QString& word);
    // arguments from the verb on; the error is one line without the program name.
    static std::variant<BatchOptions, QString> parse(const QStringList& arguments);
    static QString helpText();
};

} // namespace kvt::batch
