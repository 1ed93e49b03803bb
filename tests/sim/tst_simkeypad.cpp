#include "sim/FaultInjector.h"
#include "sim/KeypadController.h"

#include <QTest>

using namespace kvt::sim;
using namespace std::chrono_literals;

namespace {

const QString home = QStringLiteral("KVT33 READY");
const QByteArray toDownload = "NO +/- +/- ENT +/- ENT ENT ";
const QByteArray toUpload = "NO +/- +/- ENT ENT ENT ";
const QString missing = QStringLiteral("Program Not Exist !");
// A session step is keys to press, or after "@" bytes from the host.
const QByteArray hostLeaves = "@@";

// The displays on the way to "Program Number ? <digits>", then those given.
QStringList path(bool upload, const QString& digits, const QStringList& then)
{
    QStringList shown{"Edit Program", "Set Parameters", "External Communication", "UPLOAD ?"};
    shown += upload ? QStringList{"UPLOAD  PROGRAM ?"}
                    : QStringList{"DOWNLOAD ?", "DOWNLOAD  PROGRAM ?"};
    shown += "Program Number ?";
    for (qsizetype i = 1; i <= digits.size(); ++i)
        shown += "Program Number ? " + digits.left(i);
    return shown + then;
}
QStringList stored(const QString& n)
{
    return path(false, n, {"Receiving  Program", "Program " + n + " Stored", home});
}
QStringList sent(const QString& n)
{
    return path(true, n, {"UPLOAD  READY  ?", "Program " + n + " Sent", home});
}

} // namespace

class TestSimKeypad : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void session_data();
    void session();
};

void TestSimKeypad::session_data()
{
    QTest::addColumn<QByteArrayList>("steps");
    QTest::addColumn<QStringList>("displays");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<Faults>("faults");

    // The second upload goes through the controller unheard.
    QTest::newRow("split anywhere, LF, empty lines skipped, stored as sent; keys in any case; "
                  "reply delay before an upload, silent after one")
        << QByteArrayList{"no,+/-,+/-,ent,+/-,ent,ent,1,2,ent",
                          "@m31,7 \r\nG0",
                          "@0,+100\r\r",
                          "@M2",
                          "@1+\rEN",
                          "@D\rM31,9\r",
                          toUpload + "12 ENT ENT",
                          toUpload + "12 ENT ENT"}
        << stored("12") + sent("12") + sent("12") << QByteArray("m31,7 \rG00,+100\rM21+\rEND\r")
        << Faults{.silentAfter = 1, .replyDelay = 250ms};
    QTest::newRow("a program is replaced only once deleted; one never stored is not deleted")
        << QByteArrayList{toDownload + "5 ENT", "@A\rEND\r",          toDownload + "5 ENT",
                          "@B\rEND\r",          toDownload + "5 DEL", toDownload + "5 DEL",
                          toDownload + "5 ENT", "@C\rEND\r",          toUpload + "5 ENT ENT"}
        << stored("5") + path(false, "5", {"Program Exist !", home}) +
               path(false, "5", {"Program 5 Deleted", home}) + path(false, "5", {missing, home}) +
               stored("5") + sent("5")
        << QByteArray("C\rEND\r") << Faults{};
    // Neither a program, nor a half line, nor what a host left reaches the store.
    QTest::newRow("the line is ignored outside receiving; a leaving host's lines are dropped")
        << QByteArrayList{"@A\rEND\rX", toDownload + "1", "@A\rEND\r",        "ENT",       "@A\rB",
                          hostLeaves,   "@B\rEND\r",      toUpload + "1 ENT", "@C\rEND\r", "ENT"}
        << stored("1") + sent("1") << QByteArray("B\rEND\r") << Faults{};

    // Program 0 is refused each time, so none of the attempts stored it.
    QByteArray fits;
    for (int i = 0; i < KeypadController::maxProgramLines; ++i)
        fits += QByteArray::number(i).leftJustified(KeypadController::maxLineLength, 'X') + '\r';
    const QByteArray overlong(KeypadController::maxLineLength + 1, 'B');
    const QStringList receiving{"Receiving  Program"};
    QTest::newRow("as much as fits; one line too many, an overlong line or none store nothing")
        << QByteArrayList{toDownload + "99 ENT",
                          "@" + fits + "END\r",
                          toDownload + "0 ENT",
                          "@" + fits + "A\rEND\r",
                          toDownload + "0 ENT",
                          "@A\r" + overlong,
                          "@\rEND\r",
                          toDownload + "0 ENT",
                          "@\r\n\rEND\r",
                          toUpload + "0 ENT",
                          toUpload + "99 ENT ENT"}
        << stored("99") + path(false, "0", receiving + QStringList{"Program Too Long !", home}) +
               path(false, "0", receiving + QStringList{"Line Too Long !", home}) +
               path(false, "0", receiving + QStringList{"Program Empty !", home}) +
               path(true, "0", {missing, home}) + sent("99")
        << fits + "END\r" << Faults{};
}

void TestSimKeypad::session()
{
    QFETCH(QByteArrayList, steps);
    QFETCH(QStringList, displays);
    QFETCH(QByteArray, sent);
    QFETCH(Faults, faults);

    FaultInjector controller(std::make_unique<KeypadController>(QStringLiteral("KVT33")), faults);
    Keypad* keypad = controller.keypad();
    QVERIFY(keypad && controller.greeting().isEmpty());
    QStringList shown;
    QByteArray received;
    for (const QByteArray& step : steps) {
        Replies replies;
        if (step == hostLeaves) {
            controller.discardPartialInput();
        } else if (step.startsWith('@')) {
            QCOMPARE(controller.receive(step.mid(1)), Replies{}); // never answers the line
        } else {
            const KeyScript script = parseKeys(QString::fromLatin1(step));
            QVERIFY(script.unknown.isEmpty());
            for (const Key key : script.keys)
                replies += keypad->press(key);
        }
        shown += keypad->takeDisplayChanges();
        // As a 1200 baud line delivers it: 12 bytes every 100 ms, one answer.
        for (qsizetype i = 0; i < replies.size(); ++i) {
            QVERIFY(replies[i].bytes.size() <= 12);
            QCOMPARE(replies[i].delay, i == 0 ? faults.replyDelay : 100ms);
            QCOMPARE(replies[i].continuesAnswer, i > 0);
            received += replies[i].bytes;
        }
    }
    QCOMPARE(shown, displays);
    QCOMPARE(received, sent);
    QCOMPARE(keypad->display(), displays.constLast());
}

QTEST_GUILESS_MAIN(TestSimKeypad)
#include "tst_simkeypad.moc"
