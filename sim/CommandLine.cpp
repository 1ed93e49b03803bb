#include "CommandLine.h"

#include "ControllerFactory.h"
#include "Simulator.h"

#include <QFile>
#include <QRandomGenerator>

#include <climits>

namespace kvt::sim {

namespace {

// Longer delays are typing mistakes rather than tests.
constexpr int maxDelayMs = 3'600'000;

const char* const description =
    R"(Plays a KVT stepper-motor controller on a pseudo-terminal, so kvtcomm can be
tried and tested without one. The first line on standard output is the device
to open, e.g. /dev/pts/7; "host: connected" follows each time kvtsim notices
a host opening it (what it sends before is lost). kvtsim runs until SIGINT,
SIGTERM or SIGHUP.

The device starts raw: no echo, no CR/LF translation.

KVT7 (--model kvt7, the default): every command line ended by CR (LF bytes
are ignored) is answered with reply lines, each ended by CR LF, and then the
prompt ">". KVT7 replies:
  POS               POS=+0000000   position in steps, sign and 7 digits
  G00,<steps>       OK             absolute move (sign optional, 1-7 digits)
  G10,<steps>       OK             relative move
  G15,<steps>       OK             absolute jog
  G16,<steps>       OK             relative jog
  G92,<steps>       OK             sets the position
  G27               OK             home search; the position becomes 0
  M2<n>+, M2<n>-    OK             switches output n (0-7) on, off
  M28               OK             switches all outputs off
  RD.OUT            OUT=00000101   outputs, 7 leftmost, 0 rightmost; 1 is on
  RD.IN             IN=00000101    inputs, likewise; each input reads the
                                   output of its number, as if wired back
  PROF, PROFH       OK             then three value lines, each answered OK:
                                   start speed, maximum speed, acceleration
                                   (running, home search)
  JOG               OK             then one value line, the jog speed
  CW, CCW           OK             forward direction
  SEN.NO, SEN.NC    OK             limit sensor logic
  DSP               PROF=500,5000,1 / PROFH=400,1000,1 / JOG=800 / DIR=CW /
                    SEN=NO         one reply line each, values as last set
  TRG<n>            OK             triggers program n (0-3); it is not run
  DELP<n>           OK             deletes program n
  DP<n>             listing        see below
  any other command OK
  bad argument      ERR            also a relative move beyond +/-9999999
                                   steps, an output or program number out of
                                   range, M30 with no download going on
  no command        ?              empty, lower case, control bytes or more
                                   than 80 characters

Values: digits with at most one decimal point, e.g. 500 or 1.5, kept as sent.
Any other line instead answers ERR and ends the entry; the values are taken
over together with the last one, so an entry cut short changes nothing.

Programs: "M31,<n>" (n 0-3) starts a download of program n. Every following
line is stored as sent and answered OK, up to the line M30, which is stored
last and makes the download replace program n. A program holds at most 200
lines between M31 and M30. A line that cannot be stored spoils the download:
a 201st line, one holding ">" or "M30" other than M30 itself (the host could
not list it back) or one with no command. That line is answered ERR (? for no
command), every later one up to and including M30 ERR, and program n stays.
An empty line is skipped (?). Another M31 starts over. A host that closes the
device abandons its download or value entry.
"DP<n>" lists program n: "DP<n>" CR LF "#<n>" CR LF, then every line stored
after M31 as <line> CR LF CR LF ">". Program "M31,2 / G00,+100 / M30" lists as
  DP2\r\n#2\r\nG00,+100\r\n\r\n>M30\r\n\r\n>
A program never stored, or deleted, lists as the line M30 alone.
--corrupt-line n stores line n of every program, counted from its M31 line,
with its last character changed.

Banner: "KVT7 SIMULATOR READY" CR LF ">" is sent --banner-delay ms after a host
opens the device. kvtsim notices the opening within 150 ms; a host that closes
and re-opens faster than that gets no second banner. Output not yet sent when
the host closes the device is dropped.

KVT31, KVT33 (--model kvt31, kvt33) are worked from their keypad and send
nothing unasked, not even a banner. Keys come from --keys at start-up and
from standard input, one line at a time: names apart by blanks or commas, in
any case: NO  +/-  ENT  DEL  0-9 ("12" presses 1, then 2). A line with a word
that is no key is not pressed at all, only told on standard error. After the
device line, standard output shows the display as "display: <text>": the
home display "KVT31 READY" (or "KVT33 READY") first, then every change.
  NO                   at home: opens the menu; anywhere else: back home,
                       abandoning a half-received program
  +/-                  menu: "Edit Program", "Set Parameters", "External
                       Communication" (only this one opens), and round
  ENT                  "UPLOAD ?"; +/- switches to "DOWNLOAD ?" and back
  ENT                  "UPLOAD  PROGRAM ?" or "DOWNLOAD  PROGRAM ?"
  ENT                  "Program Number ?"; digits show as "Program Number ? 5"
  <n> ENT              download: "Receiving  Program"
                       upload: "UPLOAD  READY  ?", and ENT sends program n
  <n> DEL              deletes program n: "Program <n> Deleted"
  Download: NO +/- +/- ENT +/- ENT ENT <n> ENT
  Upload:   NO +/- +/- ENT ENT ENT <n> ENT ENT
Programs 0-99, two digits at most; ENT and DEL need a number first. Keys
that mean nothing where they are pressed are ignored.
Receiving: lines ended by CR (LF and empty lines ignored) up to the line END;
then "Program <n> Stored" and home. The lines are stored as they came,
whether or not they name the program (M31,<n>). Refused, storing nothing:
a program that exists ("Program Exist !": delete it first), END with no
lines ("Program Empty !"), more than 1000 lines ("Program Too Long !"), a
line over 80 characters ("Line Too Long !"). A host that closes the device
abandons the lines it sent; the controller keeps waiting for a program.
Outside "Receiving  Program" whatever arrives on the line is ignored.
Upload: every stored line followed by CR, then "END" CR, in pieces of 12
bytes 100 ms apart as on a 1200 baud line; "Program <n> Sent" and home. A
program not stored: "Program Not Exist !" and nothing is sent. Output while
no host has the device open is lost. --reply-delay, --char-delay, --garbage,
--silent and --silent-after (an upload is one answer) apply to the upload.

KVT52, KVT54, PX52, PX54 (--model kvt52, kvt54, px52, px54) each store one
block of every kind: program, position data, parameters. They send nothing
unasked, not even a banner. Lines end in CR; LF bytes and empty lines are
ignored, so are lines outside a block other than these commands:
  S00, S01, S02    receive a program, position data, parameter block: every
                   following line is taken as it came, up to the line END,
                   which makes the block replace the stored one of its kind
                   (END at once stores an empty block)
  S03, S04, S05    send the stored program, position data, parameter block:
                   every line followed by CR, then END CR, in pieces of 8
                   bytes 8 ms apart as on a 9600 baud line; a kind never
                   stored sends END CR alone
Block "M31,2 / G00,+100" comes back as  M31,2\rG00,+100\rEND\r
Cancel: the PC sends a lone C without CR after a whole line, so the C begins
the next line. That line abandons the download when it is C alone, or C
directly followed by one of S00-S05, which is then carried out; any other
line beginning with C (such as CW) is a block line. S00-S05 are commands
inside a block too: one cut off without END is abandoned, not filled with the
next transfer. A host that closes the device abandons its download. An
abandoned download stores nothing; the old block stays.
Refused, storing nothing: a block of more than 1000 lines or with a line over
80 characters; the rest of it up to END is ignored.
Download lines are not answered, unless --echo-lines: then every one taken,
S00-S02 and END included, is answered OK CR at once (a cancelling C is not).
Standard error tells every block received, stored, sent, abandoned or
refused. --corrupt-line spoils one line of every block stored. --reply-delay,
--char-delay, --garbage, --silent and --silent-after (an upload is one
answer) apply to uploads and --echo-lines answers.

Exit status: 0 after a signal, 1 when the pseudo-terminal, link or log cannot
be made, 2 for a usage error.)";

} // namespace

CommandLine::CommandLine()
    : m_help(m_parser.addHelpOption()), m_version(m_parser.addVersionOption()),
      m_model(QStringLiteral("model"),
              QStringLiteral("Controller to play: %1 (default kvt7).")
                  .arg(ControllerFactory::models().join(QStringLiteral(", "))),
              QStringLiteral("name"), QStringLiteral("kvt7")),
      m_link(QStringLiteral("link"),
             QStringLiteral("Also make <path> a symbolic link to the device (an old link there is "
                            "replaced); removed again on exit."),
             QStringLiteral("path")),
      m_log(QStringLiteral("log"),
            QStringLiteral("Write one line per received byte to <file>: monotonic time in "
                           "microseconds and the byte's value, e.g. \"123456789 68\". Bytes of "
                           "one read share its time."),
            QStringLiteral("file")),
      m_noBanner(QStringLiteral("no-banner"), QStringLiteral("Send no banner.")),
      m_bannerDelay(QStringLiteral("banner-delay"),
                    QStringLiteral("Banner this long after a host opens the device (default "
                                   "%1).")
                        .arg(Simulator::defaultBannerDelay.count()),
                    QStringLiteral("ms"), QString::number(Simulator::defaultBannerDelay.count())),
      m_silent(QStringLiteral("silent"), QStringLiteral("Never answer anything, not even with "
                                                        "the banner.")),
      m_silentAfter(QStringLiteral("silent-after"),
                    QStringLiteral("Answer the first <n> commands, then none. A listing is "
                                   "one answer."),
                    QStringLiteral("n")),
      m_replyDelay(QStringLiteral("reply-delay"),
                   QStringLiteral("Wait this long before each reply; before a listing, not "
                                  "between its lines."),
                   QStringLiteral("ms"), QStringLiteral("0")),
      m_listingPause(QStringLiteral("listing-pause"),
                     QStringLiteral("Pause this long after each line of a program listing "
                                    "(DP<n>) but the last, so it arrives in pieces that end "
                                    "with a prompt."),
                     QStringLiteral("ms"), QStringLiteral("0")),
      m_charDelay(QStringLiteral("char-delay"),
                  QStringLiteral("Send replies one byte at a time, this far apart."),
                  QStringLiteral("ms"), QStringLiteral("0")),
      m_garbage(QStringLiteral("garbage"),
                QStringLiteral("Mix 1-3 garbage bytes (control bytes other than CR, LF, "
                               "XON, XOFF; bytes above 127) into every reply and the banner, "
                               "always before the prompt.")),
      m_keys(QStringLiteral("keys"),
             QStringLiteral("Press these keys at start-up, before any host is served, e.g. "
                            "\"NO,+/-,+/-,ENT,+/-,ENT,ENT,5,ENT\" (keypad models only)."),
             QStringLiteral("keys")),
      m_echoLines(QStringLiteral("echo-lines"),
                  QStringLiteral("Answer every line of a download, its S00-S02 and END "
                                 "included, with OK CR at once (four-model controllers only).")),
      m_corruptLine(QStringLiteral("corrupt-line"),
                    QStringLiteral("Store line <n> (from 1) of every downloaded block with its "
                                   "last character changed: a digit to the next one (9 to 0), "
                                   "anything else to X (X to Y); a shorter block is stored as "
                                   "it came (four-model controllers only)."),
                    QStringLiteral("n")),
      m_storedProgram(QStringLiteral("stored-program"),
                      QStringLiteral("Hold the lines of <file> (ended by CR or LF, empty ones "
                                     "left out, bytes as they are) as the stored program from "
                                     "the start (four-model controllers only)."),
                      QStringLiteral("file")),
      m_seed(QStringLiteral("seed"),
             QStringLiteral("Seed for --garbage, to repeat a run; without it a random seed is "
                            "used and shown on standard error."),
             QStringLiteral("n")),
      m_flood(QStringLiteral("flood"),
              QStringLiteral("Answer the first command with <bytes> bytes of block lines "
                             "(G00,+1234567 CR) that never end in END, as fast as the host "
                             "takes them, instead of its reply; later commands are answered "
                             "as usual."),
              QStringLiteral("bytes"))
{
    m_parser.setApplicationDescription(QString::fromUtf8(description));
    m_parser.addOptions({m_model, m_link, m_log, m_noBanner, m_bannerDelay, m_silent, m_silentAfter,
                         m_replyDelay, m_listingPause, m_charDelay, m_garbage, m_keys, m_echoLines,
                         m_corruptLine, m_storedProgram, m_seed, m_flood});
}

CommandLine::Outcome CommandLine::parse(const QStringList& arguments)
{
    m_options = {};
    m_error.clear();
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        return Outcome::UsageError;
    }
    if (m_parser.isSet(m_help) || m_parser.isSet(QStringLiteral("help-all")))
        return Outcome::ShowHelp;
    if (m_parser.isSet(m_version))
        return Outcome::ShowVersion;
    if (!m_parser.positionalArguments().isEmpty()) {
        m_error = QStringLiteral("unexpected argument: %1")
                      .arg(m_parser.positionalArguments().constFirst());
        return Outcome::UsageError;
    }

    m_options.model = m_parser.value(m_model).toLower();
    if (!ControllerFactory::models().contains(m_options.model)) {
        m_error = QStringLiteral("model %1 is not simulated (available: %2)")
                      .arg(m_parser.value(m_model),
                           ControllerFactory::models().join(QStringLiteral(", ")));
        return Outcome::UsageError;
    }
    if (m_parser.isSet(m_keys)) {
        if (!ControllerFactory::hasKeypad(m_options.model)) {
            m_error = QStringLiteral("--keys: %1 has no keypad").arg(m_options.model);
            return Outcome::UsageError;
        }
        const KeyScript script = parseKeys(m_parser.value(m_keys));
        if (!script.unknown.isEmpty()) {
            m_error = QStringLiteral("--keys: \"%1\" is no key (keys: %2)")
                          .arg(script.unknown.constFirst(), QLatin1String(keyNames));
            return Outcome::UsageError;
        }
        m_options.keys = script.keys;
    }
    const bool storesLines =
        ControllerFactory::takesBlocks(m_options.model) || m_options.model == QLatin1String("kvt7");
    if (m_parser.isSet(m_storedProgram)) {
        QFile file(m_parser.value(m_storedProgram));
        if (!ControllerFactory::takesBlocks(m_options.model) || !file.open(QIODevice::ReadOnly)) {
            m_error = QStringLiteral("--stored-program: %1")
                          .arg(file.isOpen() ? m_options.model + QStringLiteral(" stores no blocks")
                                             : file.errorString());
            return Outcome::UsageError;
        }
        QByteArrayList lines = file.readAll().replace('\n', '\r').split('\r');
        lines.removeAll(QByteArray());
        m_options.controller.storedProgram = lines;
    }
    if ((m_parser.isSet(m_echoLines) && !ControllerFactory::takesBlocks(m_options.model)) ||
        (m_parser.isSet(m_corruptLine) && !storesLines)) {
        m_error = QStringLiteral("--%1: %2 exchanges no blocks")
                      .arg(m_parser.isSet(m_echoLines) ? QStringLiteral("echo-lines")
                                                       : QStringLiteral("corrupt-line"),
                           m_options.model);
        return Outcome::UsageError;
    }
    m_options.controller.echoLines = m_parser.isSet(m_echoLines);
    if (m_parser.isSet(m_corruptLine)) {
        const auto line = countValue(m_corruptLine, 1, INT_MAX, "a line number");
        if (!line)
            return Outcome::UsageError;
        m_options.controller.corruptLine = int(*line);
    }
    m_options.linkPath = m_parser.value(m_link);
    m_options.logPath = m_parser.value(m_log);
    if ((m_parser.isSet(m_link) && m_options.linkPath.isEmpty()) ||
        (m_parser.isSet(m_log) && m_options.logPath.isEmpty())) {
        m_error = QStringLiteral("--link and --log need a path");
        return Outcome::UsageError;
    }

    const auto bannerDelay = delayValue(m_bannerDelay);
    const auto replyDelay = delayValue(m_replyDelay);
    const auto charDelay = delayValue(m_charDelay);
    const auto listingPause = delayValue(m_listingPause);
    if (!bannerDelay || !replyDelay || !charDelay || !listingPause)
        return Outcome::UsageError;
    m_options.controller.listingPause = *listingPause;
    if (!m_parser.isSet(m_noBanner))
        m_options.bannerDelay = bannerDelay;

    Faults& faults = m_options.faults;
    faults.silent = m_parser.isSet(m_silent);
    faults.replyDelay = *replyDelay;
    faults.charDelay = *charDelay;
    faults.garbage = m_parser.isSet(m_garbage);
    if (m_parser.isSet(m_silentAfter)) {
        const auto count = countValue(m_silentAfter, 0, INT_MAX, "a count");
        if (!count)
            return Outcome::UsageError;
        faults.silentAfter = int(*count);
    }
    if (m_parser.isSet(m_flood)) {
        const auto bytes = countValue(m_flood, 1, LLONG_MAX, "a number of bytes");
        if (!bytes)
            return Outcome::UsageError;
        m_options.floodBytes = *bytes;
    }
    m_options.seedGiven = m_parser.isSet(m_seed);
    if (m_options.seedGiven) {
        bool ok = false;
        faults.seed = m_parser.value(m_seed).toUInt(&ok);
        if (!ok) {
            m_error = QStringLiteral("--seed needs a number from 0 to 4294967295, not \"%1\"")
                          .arg(m_parser.value(m_seed));
            return Outcome::UsageError;
        }
    } else {
        faults.seed = QRandomGenerator::system()->generate();
    }
    return Outcome::Run;
}

std::optional<qint64> CommandLine::countValue(const QCommandLineOption& option, qint64 least,
                                              qint64 most, const char* what)
{
    bool ok = false;
    const qint64 value = m_parser.value(option).toLongLong(&ok);
    if (ok && value >= least && value <= most)
        return value;
    m_error = QStringLiteral("--%1 needs %2 of %3 or more, not \"%4\"")
                  .arg(option.names().constFirst(), QLatin1String(what))
                  .arg(least)
                  .arg(m_parser.value(option));
    return std::nullopt;
}

std::optional<milliseconds> CommandLine::delayValue(const QCommandLineOption& option)
{
    bool ok = false;
    const int value = m_parser.value(option).toInt(&ok);
    if (ok && value >= 0 && value <= maxDelayMs)
        return milliseconds(value);
    m_error = QStringLiteral("--%1 needs milliseconds from 0 to %2, not \"%3\"")
                  .arg(option.names().constFirst())
                  .arg(maxDelayMs)
                  .arg(m_parser.value(option));
    return std::nullopt;
}

} // namespace kvt::sim
