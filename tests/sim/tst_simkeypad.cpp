#include "sim/FaultInjector.h"
#include "sim/KeypadController.h"

#include <QTest>

using namespace kvt::sim;
using namespace std::chrono_literals;

namespace {

// One step of a session: keys pressed, bytes from the host, or the host leaving.
struct Step {
    enum Kind { Keys, Host, HostLeaves } kind;
    QByteArray text;
};
Step keys(const QByteArray& names)
{
    return {Step::Keys, names};
}
Step host(const QByteArray& bytes)
{
    return {Step::Host, bytes};
}

const QString home = QStringLiteral("KVT33 READY");
const QByteArray toDownload = "NO +/- +/- ENT +/- ENT ENT ";
const QByteArray toUpload = "NO +/- +/- ENT ENT ENT ";

// What the display shows on the way to "Program Number ? <digits>".
QStringList toNumber(bool upload, const QString& digits)
{
    QStringList shown{"Edit Program", "Set Parameters", "External Communication", "UPLOAD ?"};
    shown += upload ? QStringList{"UPLOAD  PROGRAM ?"}
                    : QStringList{"DOWNLOAD ?", "DOWNLOAD  PROGRAM ?"};
    shown += "Program Number ?";
    for (qsizetype i = 1; i <= digits.size(); ++i)
        shown += "Program Number ? " + digits.left(i);
    return shown;
}
QStringList download(const QString& digits)
{
    return toNumber(false, digits) + QStringList{"Receiving  Program"};
}
QStringList stored(const QString& n)
{
    return {"Program " + n + " Stored", home};
}
QStringList upload(const QString& n)
{
    return toNumber(true, n) + QStringList{"UPLOAD  READY  ?", "Program " + n + " Sent", home};
}
QStringList refused(bool upload, const QString& digits, const QString& message)
{
    return toNumber(upload, digits) + QStringList{message, home};
}

} // namespace

class TestSimKeypad : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void session_data();
    void session();
    void faultsSpoilTheUpload_data();
    void faultsSpoilTheUpload();
};

void TestSimKeypad::session_data()
{
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<QStringList>("displays");
    QTest::addColumn<QByteArray>("sent");

    const QString missing = QStringLiteral("Program Not Exist !");
    QTest::newRow("download split anywhere, LF and empty lines skipped, uploaded back")
        << QList<Step>{keys(toDownload + "5 ENT"),
                       host("M31,5\r\nG0"),
                       host("0,+100\r\r"),
                       host("M2"),
                       host("1+\rEN"),
                       host("D\rM31,9\r"),
                       keys(toUpload + "5 ENT ENT")}
        << download("5") + stored("5") + upload("5") << QByteArray("M31,5\rG00,+100\rM21+\rEND\r");
    QTest::newRow("stored as sent, naming no program; keys in any case, commas")
        << QList<Step>{keys("no,+/-,+/-,ent,+/-,ent,ent,1,2,ent"), host("G27\rm31,7 \rEND\r"),
                       keys(toUpload + "12 ENT ENT")}
        << download("12") + stored("12") + upload("12") << QByteArray("G27\rm31,7 \rEND\r");
    QTest::newRow("an existing program is not overwritten")
        << QList<Step>{keys(toDownload + "5 ENT"), host("A\rEND\r"), keys(toDownload + "5 ENT"),
                       host("B\rEND\r"), keys(toUpload + "5 ENT ENT")}
        << download("5") + stored("5") + refused(false, "5", "Program Exist !") + upload("5")
        << QByteArray("A\rEND\r");
    QTest::newRow("DEL frees the number")
        << QList<Step>{keys(toDownload + "5 ENT"), host("A\rEND\r"), keys(toDownload + "5 DEL"),
                       keys(toDownload + "5 ENT"), host("B\rEND\r"), keys(toUpload + "5 ENT ENT")}
        << download("5") + stored("5") + toNumber(false, "5") +
               QStringList{"Program 5 Deleted", home} + download("5") + stored("5") + upload("5")
        << QByteArray("B\rEND\r");
    QTest::newRow("a program never stored is neither sent nor deleted")
        << QList<Step>{keys(toUpload + "3 ENT"), keys(toDownload + "4 DEL")}
        << refused(true, "3", missing) + refused(false, "4", missing) << QByteArray();
    QTest::newRow("NO goes home from every step, dropping a half-received program")
        << QList<Step>{keys("NO NO NO +/- +/- ENT NO"),
                       keys(toDownload + "6 NO"),
                       keys(toDownload + "6 ENT"),
                       host("A\r"),
                       keys("NO"),
                       host("END\r"),
                       keys(toUpload + "6 ENT")}
        << QStringList{"Edit Program", home} + toNumber(false, "").mid(0, 4) + QStringList{home} +
               toNumber(false, "6") + QStringList{home} + download("6") + QStringList{home} +
               refused(true, "6", missing)
        << QByteArray();
    QTest::newRow("keys that mean nothing where pressed; two digits at most")
        << QList<Step>{keys("ENT +/- 5 DEL NO ENT +/- ENT +/- +/- +/- +/- ENT +/- +/- +/- ENT ENT"),
                       keys("ENT DEL 0 5 7 ENT ENT +/- 1 DEL"), host("X\rEND\r")}
        << QStringList{"Edit Program",       "Set Parameters",      "External Communication",
                       "Edit Program",       "Set Parameters",      "External Communication",
                       "UPLOAD ?",           "DOWNLOAD ?",          "UPLOAD ?",
                       "DOWNLOAD ?",         "DOWNLOAD  PROGRAM ?", "Program Number ?",
                       "Program Number ? 0", "Program Number ? 05", "Receiving  Program"} +
               stored("5")
        << QByteArray();
    // Neither a whole program nor a half line from before reaches the store.
    QTest::newRow("the line is ignored outside receiving")
        << QList<Step>{host("A\rEND\rX"), keys(toDownload + "1"),   host("A\rEND\r"), keys("ENT"),
                       host("B\rEND\r"),  keys(toUpload + "1 ENT"), host("C\rEND\r"), keys("ENT")}
        << download("1") + stored("1") + upload("1") << QByteArray("B\rEND\r");
    QTest::newRow("a leaving host's lines are dropped, receiving goes on")
        << QList<Step>{keys(toDownload + "2 ENT"),
                       host("A\rB"),
                       {Step::HostLeaves, {}},
                       host("C\rEND\r"),
                       keys(toUpload + "2 ENT ENT")}
        << download("2") + stored("2") + upload("2") << QByteArray("C\rEND\r");
    QTest::newRow("END alone stores nothing")
        << QList<Step>{keys(toDownload + "2 ENT"), host("\r\n\rEND\r"), keys(toUpload + "2 ENT")}
        << download("2") + QStringList{"Program Empty !", home} + refused(true, "2", missing)
        << QByteArray();

    QByteArray fits;
    for (int i = 0; i < KeypadController::maxProgramLines; ++i)
        fits += QByteArray::number(i).leftJustified(KeypadController::maxLineLength, 'X') + '\r';
    QTest::newRow("as many lines and characters as fit")
        << QList<Step>{keys(toDownload + "99 ENT"), host(fits + "END\r"),
                       keys(toUpload + "99 ENT ENT")}
        << download("99") + stored("99") + upload("99") << fits + "END\r";
    QTest::newRow("one line too many: nothing stored, the rest ignored")
        << QList<Step>{keys(toDownload + "0 ENT"), host(fits + "A\rEND\r"),
                       keys(toUpload + "0 ENT")}
        << download("0") + QStringList{"Program Too Long !", home} + refused(true, "0", missing)
        << QByteArray();
    QTest::newRow("a line too long: nothing stored, the rest ignored")
        << QList<Step>{keys(toDownload + "0 ENT"),
                       host("A\r" + QByteArray(KeypadController::maxLineLength + 1, 'B')),
                       host("\rEND\r"), keys(toUpload + "0 ENT")}
        << download("0") + QStringList{"Line Too Long !", home} + refused(true, "0", missing)
        << QByteArray();
}

void TestSimKeypad::session()
{
    QFETCH(QList<Step>, steps);
    QFETCH(QStringList, displays);
    QFETCH(QByteArray, sent);

    KeypadController controller(QStringLiteral("KVT33"));
    QCOMPARE(controller.display(), home);
    QStringList shown;
    QByteArray received;
    for (const Step& step : steps) {
        Replies replies;
        if (step.kind == Step::Keys) {
            const KeyScript script = parseKeys(QString::fromLatin1(step.text));
            QVERIFY(script.unknown.isEmpty());
            for (const Key key : script.keys)
                replies += controller.press(key);
        } else if (step.kind == Step::Host) {
            // The controller never answers the line.
            QCOMPARE(controller.receive(step.text), Replies{});
        } else {
            controller.discardPartialInput();
        }
        shown += controller.takeDisplayChanges();
        // As a 1200 baud line delivers it: 12 bytes every 100 ms, one answer.
        for (qsizetype i = 0; i < replies.size(); ++i) {
            QVERIFY(replies[i].bytes.size() <= 12);
            QCOMPARE(replies[i].delay, i == 0 ? 0ms : 100ms);
            QCOMPARE(replies[i].continuesAnswer, i > 0);
            received += replies[i].bytes;
        }
    }
    QCOMPARE(shown, displays);
    QCOMPARE(received, sent);
    QCOMPARE(controller.display(), displays.isEmpty() ? home : displays.constLast());
}

void TestSimKeypad::faultsSpoilTheUpload_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<QByteArray>("sent"); // over two uploads
    QTest::addColumn<milliseconds>("firstDelay");

    const QByteArray program = "G27\rG00,+1000\rEND\r";
    QTest::newRow("none") << Faults{} << program + program << 0ms;
    QTest::newRow("reply delay before the upload, not between its pieces")
        << Faults{.replyDelay = 250ms} << program + program << 250ms;
    QTest::newRow("silent after one upload") << Faults{.silentAfter = 1} << program << 0ms;
    QTest::newRow("silent") << Faults{.silent = true} << QByteArray() << 0ms;
}

void TestSimKeypad::faultsSpoilTheUpload()
{
    QFETCH(Faults, faults);
    QFETCH(QByteArray, sent);
    QFETCH(milliseconds, firstDelay);

    FaultInjector controller(std::make_unique<KeypadController>(QStringLiteral("KVT31")), faults);
    Keypad* keypad = controller.keypad();
    QVERIFY(keypad);
    QVERIFY(controller.greeting().isEmpty());
    for (const Key key : parseKeys(QString::fromLatin1(toDownload + "0 ENT")).keys)
        keypad->press(key);
    QVERIFY(controller.receive("G27\rG00,+1000\rEND\r").isEmpty());
    Replies replies;
    for (int upload = 0; upload < 2; ++upload) {
        for (const Key key : parseKeys(QString::fromLatin1(toUpload + "0 ENT ENT")).keys)
            replies += keypad->press(key);
    }
    QByteArray received;
    for (const Reply& reply : replies)
        received += reply.bytes;
    QCOMPARE(received, sent);
    if (!replies.isEmpty())
        QCOMPARE(replies.constFirst().delay, firstDelay);
    // However the line fares, the controller went through the upload.
    QCOMPARE(keypad->takeDisplayChanges().count(QStringLiteral("Program 0 Sent")), 2);
    QCOMPARE(keypad->display(), QStringLiteral("KVT31 READY"));
}

QTEST_GUILESS_MAIN(TestSimKeypad)
#include "tst_simkeypad.moc"
