#include "Version.h"
#include "support/WindowRig.h"

#include "editor/EditorController.h"
#include "frontend/TrafficLogWindow.h"
#include "kvt31_33/Kvt31_33Window.h"
#include "shell/MessageWindow.h"
#include "transfer/Kvt31_33Instructions.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using namespace kvt;
using namespace std::chrono_literals;

namespace {

struct Rig : test::WindowRig<Kvt31_33Window> {
    explicit Rig(milliseconds watchdog = 60s, const QString& model = QStringLiteral("kvt31"))
        : WindowRig(timings(watchdog), model)
    {
    }
    static Timings timings(milliseconds watchdog)
    {
        Timings t = WindowRig::timings();
        t.watchdog = watchdog; // how long a line may be held back
        t.keypadPause = 2ms;
        t.quietPeriod = 60s; // the keypad models pause between lines, they never wait for quiet
        t.keypadUploadLimit = 300ms;
        t.endLineQuiet = 20ms;
        return t;
    }
    QString shown() { return find<QLabel>(QStringLiteral("lblresponse"))->text(); }
    bool offered(const char* item)
    {
        QAction* action = find<QAction>(QLatin1String(item));
        return action->isVisible() && action->isEnabled();
    }
};

} // namespace

class TestKvt31_33Window : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void download_data()
    {
        QTest::addColumn<MessageAnswer>("answer"); // in the keypad instructions
        QTest::addColumn<bool>("lineHeld");        // RTS/CTS holds the line: the controller is off
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("shownAfter");
        QTest::newRow("sent") << MessageAnswer::Ok << false << QByteArray("G00,+1000\rM30\rEND\r")
                              << "Download  Completed.        ";
        QTest::newRow("instructions cancelled")
            << MessageAnswer::Cancel << false << QByteArray() << "";
        // Told with the failure box instead of waiting for ever.
        QTest::newRow("line held") << MessageAnswer::Ok << true << QByteArray("G00,+1000\r")
                                   << "Download stopped after 0 of 2 lines.";
    }

    void download()
    {
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, lineHeld);
        QFETCH(QString, shownAfter);
        Rig rig(lineHeld ? 300ms : 60s);
        rig.initialised();
        rig.port->holdInDriver(lineHeld);
        // The controller answers while lines go out and during the pauses; that stalls nothing.
        connect(rig.window->link().findChild<QTimer*>(QStringLiteral("tmrcharsend")),
                &QTimer::timeout, rig.window.get(), [&] { rig.port->receive("OK"); });
        rig.window->editor().setUploadedText(QStringLiteral("g00,+1000 to the end\r\nx\r\n\r\nm30"),
                                             {});
        rig.op.answerNext(answer);
        rig.trigger(QStringLiteral("mnudownload"));
        QTRY_VERIFY(!rig.window->transferRunning());
        rig.port->holdInDriver(false);
        QTEST(rig.port->written(), "wire");
        QCOMPARE(rig.op.messages.constFirst().title, QStringLiteral("DOWNLOADING SETUP"));
        if (answer != MessageAnswer::Ok)
            return;
        QVERIFY2(rig.shown().startsWith(shownAfter), qPrintable(rig.shown()));
        QCOMPARE(rig.op.beeps, lineHeld ? 0 : 1);
        QCOMPARE(rig.op.messages.constLast().title, lineHeld
                                                        ? QStringLiteral("COMMUNICATION FAILURE")
                                                        : QStringLiteral("DOWNLOADING SETUP"));
    }

    void upload_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<bool>("cancel"); // else the upload is waited for
        QTest::addColumn<QString>("editorText");
        QTest::addColumn<QString>("shownAfter");
        QTest::addColumn<QString>("box");     // text of the box told, if any
        QTest::addColumn<QString>("caption"); // of the editor, after a text came
        using L = QList<QByteArray>;
        QTest::newRow("line beginning with END is told")
            << L{"M31,5\rEND", "X\r"} << false << "M31,5\r\n"
            << "Program Uploaded . . . "
            << "The line \"ENDX\" begins with \"END\", which ends an upload: \"X\" after it is not "
               "in the editor. Compare the end of the program with the controller's."
            << "EDITOR - Upload # 5";
        QTest::newRow("silent") << L{} << false << "KEPT"
                                << "Upload timeout error ! "
                                << "Uploading timeout....    Please try again ! "
                                << "";
        QTest::newRow("Cancel") << L{"M31,1\rG2"} << true << "KEPT"
                                << "Upload Aborted by user ..."
                                << ""
                                << "";
    }

    void upload()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(bool, cancel);
        QFETCH(QString, editorText);
        Rig rig;
        rig.initialised();
        rig.window->editor().setUploadedText(QStringLiteral("KEPT"), {});
        rig.op.answerNext(MessageAnswer::No); // the unsaved text need not be saved
        rig.trigger(QStringLiteral("mnuupload"));
        rig.op.messages.clear();
        QPointer<MessageWindow> frmmessage = rig.window->findChild<MessageWindow*>();
        QCOMPARE(frmmessage->windowTitle(), QStringLiteral("UPLOADING SETUP"));
        QVERIFY(frmmessage->isVisible() && !rig.window->isEnabled());
        for (const QByteArray& piece : pieces)
            rig.port->receive(piece);
        if (cancel)
            frmmessage->findChild<QPushButton*>(QStringLiteral("cmdcancel"))->click();
        QTRY_VERIFY(!rig.window->transferRunning());
        QVERIFY(rig.window->isEnabled() && (frmmessage.isNull() || !frmmessage->isVisible()));
        QCOMPARE(rig.window->editor().text(), editorText);
        QTEST(rig.shown(), "shownAfter");
        QTEST(rig.op.messages.isEmpty() ? QString() : rig.op.messages.constLast().text, "box");
        if (editorText != QLatin1String("KEPT"))
            QTEST(rig.window->editor().caption(), "caption");
        rig.port->receive("OK"); // replies are shown again
        QVERIFY(rig.shown().endsWith(QLatin1String("OK")));
    }

    void verifyOfASilentController()
    {
        Rig rig;
        rig.initialised();
        rig.window->editor().setUploadedText(QStringLiteral("M31,1\r\nG2"), {});
        rig.trigger(QStringLiteral("mnuverify"));
        QCOMPARE(rig.window->findChild<MessageWindow*>()->message(),
                 kvt31_33::uploadInstructions());
        // Nothing sent is no proof of anything: told, and nothing compared.
        QTRY_VERIFY(!rig.window->transferRunning() && rig.window->isEnabled());
        QVERIFY(rig.op.messages.size() == 1 &&
                rig.op.messages[0].text.endsWith(QLatin1String("Nothing was compared.")));
    }

    void trafficLogFollowsTheLine()
    {
        Rig rig;
        rig.initialised();
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        QTest::keyClick(rig.window.get(), Qt::Key_L, Qt::ControlModifier);
        auto* frmtraffic = rig.window->findChild<TrafficLogWindow*>();
        auto* lstlog = frmtraffic->findChild<QListView*>(QStringLiteral("lstlog"));
        // A command going out character by character is shown whole once it is.
        rig.window->link().sendData(QStringLiteral("G27"));
        QTRY_VERIFY(frmtraffic->shownText().endsWith(QLatin1String("sent  command   G27<CR>")));
        rig.port->receive("OK\r\n");
        QTRY_VERIFY(frmtraffic->shownText().endsWith(QLatin1String("received  OK<CR><LF>")));
        QAccessibleInterface* rows = QAccessible::queryAccessibleInterface(lstlog);
        const QString heard = rows->child(rows->childCount() - 1)->text(QAccessible::Name);
        QVERIFY2(heard.contains(QLatin1String(" ms  received        OK<CR><LF>")),
                 qPrintable(heard));

        frmtraffic->findChild<QCheckBox*>(QStringLiteral("chkhex"))->click();
        QVERIFY(frmtraffic->shownText().endsWith(QLatin1String("4F 4B 0D 0A")));
        frmtraffic->findChild<QPushButton*>(QStringLiteral("cmdclear"))->click();
        QVERIFY(frmtraffic->shownText().isEmpty());
        QTest::keyClick(lstlog, Qt::Key_Escape);
        QVERIFY(!frmtraffic->isVisible());
    }

    void editorActivatedFromTheKeyboard()
    {
        Rig rig;
        rig.initialised();
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        rig.trigger(QStringLiteral("mnueditclose"));
        QVERIFY(!rig.find<QAction>(QStringLiteral("mnudownload"))->isVisible() &&
                !rig.find<QAction>(QStringLiteral("mnuupload"))->isVisible());
        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_E, Qt::AltModifier);
        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Return);
        QVERIFY(rig.offered("mnudownload") && rig.offered("mnuupload") && !rig.offered("mnupaste"));
        QTest::keyClicks(nullptr, QStringLiteral("ab1 note"));
        QCOMPARE(rig.window->editor().text(), QStringLiteral("ab1 note"));
        rig.trigger(QStringLiteral("mnuabout"));
        QVERIFY(rig.op.messages.constLast().text.startsWith(
            QStringLiteral("kvtcomm " KVTCOMM_VERSION)));
    }
};

QTEST_MAIN(TestKvt31_33Window)
#include "tst_kvt31_33window.moc"
