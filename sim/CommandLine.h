#pragma once

#include "ControllerFactory.h"
#include "FaultInjector.h"
#include "Keypad.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

namespace kvt::sim {

struct SimulatorOptions {
    QString model;
    QString linkPath; // empty: no link
    QString logPath;  // empty: no log
    std::optional<milliseconds> bannerDelay;
    // Pressed at start-up, before any host is served.
    QList<Key> keys;
    ControllerSettings controller;
    Faults faults;
    bool seedGiven = false;
    qint64 floodBytes = 0;
};

// kvtsim's command line. Values are checked here, so the rest of the program
// never sees a negative delay or a model it cannot build.
class CommandLine {
public:
    enum class Outcome { Run, ShowHelp, ShowVersion, UsageError };

    CommandLine();

    Outcome parse(const QStringList& arguments);
    const SimulatorOptions& options() const { return m_options; }
    QString errorText() const { return m_error; }
    QString helpText() const { return m_parser.helpText(); }

private:
    std::optional<milliseconds> delayValue(const QCommandLineOption& option);
    // A whole number from least to most, or nothing after the usage error naming what it counts.
    std::optional<qint64> countValue(const QCommandLineOption& option, qint64 least, qint64 most,
                                     const char* what);

    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QCommandLineOption m_model;
    QCommandLineOption m_link;
    QCommandLineOption m_log;
    QCommandLineOption m_noBanner;
    QCommandLineOption m_bannerDelay;
    QCommandLineOption m_silent;
    QCommandLineOption m_silentAfter;
    QCommandLineOption m_replyDelay;
    QCommandLineOption m_listingPause;
    QCommandLineOption m_charDelay;
    QCommandLineOption m_garbage;
    QCommandLineOption m_keys;
    QCommandLineOption m_echoLines;
    QCommandLineOption m_corruptLine;
    QCommandLineOption m_storedProgram;
    QCommandLineOption m_seed;
    QCommandLineOption m_flood;
    SimulatorOptions m_options;
    QString m_error;
};

} // namespace kvt::sim
