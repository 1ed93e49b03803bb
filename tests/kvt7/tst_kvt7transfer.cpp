#include "editor/EditorController.h"
#include "kvt7/Kvt7Window.h"
#include "link/SerialLink.h"
#include "support/FakeSerialPort.h"
#include "support/ScriptedOperator.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace kvt;
using namespace std::chrono_literals;
using kvt::test::FakeSerialPort;
using kvt::test::ScriptedOperator;

namespace {

struct Rig {
    explicit Rig(Timings t = fastTimings())
    {
        auto owned = std::make_unique<FakeSerialPort>();
        port = owned.get();
        window = std::make_unique<Kvt7Window>(op, std::move(owned), t);
        window->initialise();
        window->show();
        window->editen();
        op.messages.clear();
    }
    static Timings fastTimings()
    {
        Timings t;
        t.pacing = 1ms;
        t.watchdog = 60s;
        t.programUploadLimit = 5s;
        return t;
    }
    QPlainTextEdit* editor() { return window->findChild<QPlainTextEdit*>("txteditor"); }
    QString fraeditorTitle() { return window->findChild<QGroupBox*>("fraeditor")->title(); }
    QString status() { return window->findChild<QLabel*>("lblstatus")->text(); }
    QString response() { return window->findChild<QLabel*>("lblresponse")->text(); }
    void trigger(const char* action) { window->findChild<QAction*>(action)->trigger(); }
    bool waitForWritten(const QByteArray& tail)
    {
        return QTest::qWaitFor([&] { return port->written().endsWith(tail); }, 5000);
    }
    bool waitForTransferEnd()
    {
        return QTest::qWaitFor([&] { return !window->transferRunning(); }, 5000);
    }

    ScriptedOperator op;
    FakeSerialPort* port = nullptr;
    std::unique_ptr<Kvt7Window> window;
};

const QString example = QStringLiteral("m31,0\r\nG00,100  remark\r\n\r\nm30");

} // namespace

class TestKvt7Transfer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void downloadSendsEachLineAfterItsReply();
    void downloadWithNoReplyStopsAndNamesTheLine();
    void uploadFillsTheEditor();
    void uploadWithoutAnswerKeepsOnlyTheHeader();
    void uploadLongerThanTheEditorIsCutWithAWord();
    void oneTransferAtATime();
    void exitDuringTransfer_data();
    void exitDuringTransfer();
    void writeSaveOpenAndPrint();
};

void TestKvt7Transfer::downloadSendsEachLineAfterItsReply()
{
    Rig rig;
    rig.editor()->setPlainText(example);
    rig.trigger("mnudownload");
    QVERIFY(rig.window->transferRunning());
    QVERIFY(rig.waitForWritten("M31,0\r"));
    QCOMPARE(rig.status(), QStringLiteral("Download: 0 of 3 lines sent"));
    rig.port->receive("OK\r\n>");
    QVERIFY(rig.waitForWritten("G00,100\r"));
    QCOMPARE(rig.status(), QStringLiteral("Download: 1 of 3 lines sent"));
    rig.port->receive("OK\r\n>");
    QVERIFY(rig.waitForWritten("M30\r"));
    QCOMPARE(rig.op.beeps, 0);
    rig.port->receive("OK\r\n>");
    QVERIFY(rig.waitForTransferEnd());
    QCOMPARE(rig.port->written(), QByteArray("M31,0\rG00,100\rM30\r"));
    QCOMPARE(rig.op.beeps, 1);
    QCOMPARE(rig.status(), QStringLiteral("Download complete: 3 lines sent"));
    // Only the copy on the wire is upper-cased.
    QCOMPARE(rig.window->editor().text(), example);
    QVERIFY(rig.response().endsWith(QStringLiteral("OK\r\n>")));
    QVERIFY(rig.op.messages.isEmpty());
}

void TestKvt7Transfer::downloadWithNoReplyStopsAndNamesTheLine()
{
    Timings t = Rig::fastTimings();
    t.watchdog = 200ms;
    Rig rig(t);
    rig.editor()->setPlainText(example);
    rig.trigger("mnudownload");
    QVERIFY(rig.waitForWritten("M31,0\r"));
    rig.port->receive(">");
    QVERIFY(rig.waitForWritten("G00,100\r"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.op.messages.size(), 2, 5000);
    QCOMPARE(rig.op.messages.at(0).title, QStringLiteral("COMMUNICATION FAILURE"));
    QCOMPARE(rig.op.messages.at(1).text,
             QStringLiteral("The controller did not answer line 2 (G00,100). The download was "
                            "stopped; 1 of 3 lines were sent and answered."));
    QVERIFY(!rig.window->transferRunning());
    rig.port->receive("late answer");
    QTest::qWait(50);
    QCOMPARE(rig.port->written(), QByteArray("M31,0\rG00,100\r"));
    QCOMPARE(rig.window->editor().text(), example);
    QCOMPARE(rig.op.beeps, 0);
}

void TestKvt7Transfer::uploadFillsTheEditor()
{
    Rig rig;
    rig.editor()->setPlainText(QStringLiteral("old text"));
    rig.trigger("mnuuploadprog_2");
    QVERIFY(rig.waitForWritten("DP2\r"));
    QVERIFY(QTest::qWaitFor([&] { return !rig.window->link().isSending(); }));
    rig.port->receive("DP2\r\n#2\r\nG00,100\r\n\r\n>");
    // The listing shows while it grows.
    QCOMPARE(rig.window->editor().text(), QStringLiteral("M31,2\r\nG00,100\r\n"));
    rig.port->receive("M30\r\n\r\n>");
    QVERIFY(!rig.window->transferRunning());
    QCOMPARE(rig.window->editor().text(), QStringLiteral("M31,2\r\nG00,100\r\nM30\r\n"));
    QCOMPARE(rig.fraeditorTitle(), QStringLiteral("EDITOR - Upload #2"));
    QVERIFY(!rig.window->editor().fileFlag());
    QVERIFY(rig.window->editor().editFlag());
    QCOMPARE(rig.op.beeps, 1);
    QVERIFY(rig.response().isEmpty());
}

void TestKvt7Transfer::uploadWithoutAnswerKeepsOnlyTheHeader()
{
    Timings t = Rig::fastTimings();
    t.programUploadLimit = 100ms;
    Rig rig(t);
    rig.trigger("mnuuploadprog_3");
    QVERIFY(rig.waitForWritten("DP3\r"));
    QVERIFY(rig.waitForTransferEnd());
    QCOMPARE(rig.window->editor().text(), QStringLiteral("M31,3\r\n"));
    QCOMPARE(rig.fraeditorTitle(), QStringLiteral("EDITOR - Upload #3"));
    QCOMPARE(rig.op.beeps, 1);
    rig.port->receive("PROMPT>");
    QCOMPARE(rig.response(), QStringLiteral("PROMPT>"));
}

void TestKvt7Transfer::uploadLongerThanTheEditorIsCutWithAWord()
{
    Rig rig;
    rig.trigger("mnuuploadprog_1");
    QVERIFY(QTest::qWaitFor([&] { return !rig.window->link().isSending(); }));
    QByteArray listing = "DP1\r\n#1\r\n";
    for (int i = 0; i < 60; ++i)
        listing += "G10,+" + QByteArray::number(1000 + i) + "\r\n\r\n>";
    rig.port->receive(listing + "M30\r\n\r\n>");
    QVERIFY(!rig.window->transferRunning());
    QVERIFY(rig.window->editor().text().size() <= 480);
    QVERIFY(rig.window->editor().text().startsWith(QStringLiteral("M31,1\r\nG10,+1000\r\n")));
    QCOMPARE(rig.op.messages.size(), 1);
    QVERIFY(rig.op.messages.at(0).text.contains(QStringLiteral("480")));
}

void TestKvt7Transfer::oneTransferAtATime()
{
    Rig rig;
    rig.editor()->setPlainText(example);
    rig.trigger("mnudownload");
    QVERIFY(rig.waitForWritten("M31,0\r"));
    rig.trigger("mnuuploadprog_0");
    rig.trigger("mnudownload");
    QCOMPARE(rig.op.messages.size(), 2);
    QCOMPARE(rig.op.messages.at(0).icon, MessageIcon::Exclamation);
    QTest::qWait(30);
    QCOMPARE(rig.port->written(), QByteArray("M31,0\r"));
    rig.port->receive("OK");
    QVERIFY(rig.waitForWritten("G00,100\r"));
}

void TestKvt7Transfer::exitDuringTransfer_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("download") << "mnudownload";
    QTest::newRow("upload") << "mnuuploadprog_1";
}

void TestKvt7Transfer::exitDuringTransfer()
{
    QFETCH(QString, action);
    Rig rig;
    rig.editor()->setPlainText(example);
    rig.window->findChild<QAction*>(action)->trigger();
    QTRY_VERIFY(rig.port->writes.size() >= 2);
    rig.op.answerNext(MessageAnswer::No); // don't save the changed text
    rig.trigger("mnu7exit");
    QVERIFY(!rig.window->isVisible());
    QVERIFY(!rig.port->isOpen());
    const QByteArray written = rig.port->written();
    rig.port->receive("OK");
    QTest::qWait(50);
    QCOMPARE(rig.port->written(), written);
    QVERIFY(!rig.window->transferRunning());
}

void TestKvt7Transfer::writeSaveOpenAndPrint()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("prog.txt"));
    const QString pdf = dir.filePath(QStringLiteral("prog.pdf"));
    Rig rig;
    QTest::keyClicks(rig.editor(), QStringLiteral("M31,1"));
    QTest::keyClick(rig.editor(), Qt::Key_Return);
    QTest::keyClicks(rig.editor(), QStringLiteral("G00,+500 go"));
    QVERIFY(rig.window->editor().editFlag());

    rig.op.answerNextFile(file);
    rig.trigger("mnusaveas");
    QCOMPARE(rig.fraeditorTitle(), QStringLiteral("EDITOR - prog.txt"));
    QVERIFY(!rig.window->editor().editFlag());
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("\"M31,1\r\nG00,+500 go\"\r\n"));

    rig.trigger("mnunew");
    QVERIFY(rig.editor()->toPlainText().isEmpty());
    rig.op.answerNextFile(file);
    rig.trigger("mnuopen");
    QCOMPARE(rig.window->editor().text(), QStringLiteral("M31,1\r\nG00,+500 go"));

    rig.op.answerNextPrint({true, 1, pdf});
    rig.trigger("mnuprint");
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(pdftotext.waitForFinished());
    const QString printed = QString::fromUtf8(pdftotext.readAllStandardOutput());
    QVERIFY2(printed.contains(QStringLiteral("M31,1")) &&
                 printed.contains(QStringLiteral("G00,+500 go")),
             qPrintable(printed));
    QVERIFY(rig.op.messages.isEmpty());
}

QTEST_MAIN(TestKvt7Transfer)
#include "tst_kvt7transfer.moc"
