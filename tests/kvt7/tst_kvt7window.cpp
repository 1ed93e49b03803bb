#include "support/ScreenReader.h"
#include "support/WindowRig.h"

#include "editor/EditorController.h"
#include "frontend/DifferenceWindow.h"
#include "frontend/PanelLook.h"
#include "kvt7/Kvt7Window.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>

using namespace kvt;
using namespace std::chrono_literals;

namespace {

const QString example = QStringLiteral("m31,0\r\nG00,100  remark\r\n\r\nm30");

struct Rig : test::WindowRig<Kvt7Window> {
    using WindowRig::WindowRig;
    QString text(const char* label) { return find<QLabel>(QLatin1String(label))->text(); }
    QPlainTextEdit* txteditor() { return find<QPlainTextEdit>(QStringLiteral("txteditor")); }
    QString activePanels()
    {
        QStringList active;
        for (const char* name : {"fraeditor", "fraonline", "framanual", "framoni"})
            if (look::background(find<QWidget>(QLatin1String(name))) != look::inactiveBack)
                active << QLatin1String(name);
        return active.join(u' ');
    }
    void click(QWidget* widget)
    {
        // Through the window system, so a click on a disabled control lands as a user's would.
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                          widget->mapTo(window.get(), QPoint(3, 3)));
    }
    bool waitForTransferEnd()
    {
        return QTest::qWaitFor([this] { return !window->transferRunning(); }, 5000);
    }
    // Alt and the menu's letter, Down to the item, Enter: as the operator would.
    void chooseFromMenu(char letter, const char* item)
    {
        QTest::keyClick(window.get(), letter, Qt::AltModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction* wanted = find<QAction>(QLatin1String(item));
        for (int i = 0; i < 20 && menu->activeAction() != wanted; ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        // The offscreen platform does not hand activation back from a closed popup.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
};

} // namespace

class TestKvt7Window : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void silentControllerIsReported()
    {
        Timings t = Rig::timings();
        t.watchdog = 400ms; // longer than a loaded machine takes to pace out a line
        Rig rig(t);
        rig.initialised();
        // Even before the first command.
        QTRY_COMPARE(rig.op.messages.size(), 1);
        QCOMPARE(rig.op.messages.constLast().title, QStringLiteral("COMMUNICATION FAILURE"));
        QVERIFY(rig.port->writes.isEmpty() && rig.port->isOpen());
        // So is a download it leaves unanswered, with the line it stopped at.
        rig.trigger(QStringLiteral("mnueact"));
        rig.txteditor()->setPlainText(QStringLiteral("M31,0\r\nG27\r\nM30"));
        rig.trigger(QStringLiteral("mnudownload"));
        QVERIFY(rig.waitForTransferEnd());
        QCOMPARE(rig.op.messages.constLast().text,
                 QStringLiteral("The controller did not answer line 000 (M31,0). The download was "
                                "stopped; 0 of 3 lines were sent and answered."));
        QCOMPARE(rig.port->written(), QByteArray("M31,0\r"));
    }

    void keyboardOnly()
    {
        Rig rig;
        rig.initialised();
        const auto type = [&rig](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
            QTest::keyClick(rig.window->focusWidget(), key, modifiers);
        };
        rig.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        rig.chooseFromMenu('o', "mnuoact");
        // On a 1280 x 1024 screen at 150 % (see CMakeLists.txt) all is in view, nothing scrolls.
        auto* area = qobject_cast<QScrollArea*>(rig.window->centralWidget());
        QVERIFY(rig.window->screen()->availableGeometry().contains(rig.window->frameGeometry()));
        QVERIFY(!area->horizontalScrollBar()->isVisible() &&
                !area->verticalScrollBar()->isVisible());
        // Online commands, the last one again from the recall.
        auto* txtonline = rig.find<QLineEdit>(QStringLiteral("txtonline"));
        QStringList typed;
        for (int i = 1; i <= 13; ++i) {
            typed << QStringLiteral("g00,%1").arg(i);
            QTest::keyClicks(rig.window->focusWidget(), typed.last() + u'\r');
            QVERIFY(txtonline->text().isEmpty()); // cleared at once, so typing goes on
        }
        type(Qt::Key_Up);
        type(Qt::Key_Return);
        typed << typed.last();
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.port->written(), typed.join(u'\r').toUpper().toLatin1() + "\r");
        // The history keeps the last twelve commands, as they went out.
        QTRY_COMPARE(rig.text("lblonlinehistory"), typed.mid(2).join("\r\n").toUpper() + "\r\n");
        // With a reply and a history on show, every control can be read out.
        rig.port->receive("POS=+0000100\r\n>");
        int checked = 0;
        const QStringList unnamed = test::unnamedControls(rig.window.get(), &checked);
        QVERIFY2(checked >= 55, qPrintable(QString::number(checked)));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));

        rig.chooseFromMenu('m', "mnumact");
        type(Qt::Key_Tab);
        type(Qt::Key_Tab);
        QTest::keyClicks(rig.window->focusWidget(), QStringLiteral("10000"));
        type(Qt::Key_Tab, Qt::ShiftModifier);
        type(Qt::Key_PageUp);
        type(Qt::Key_Tab, Qt::ShiftModifier);
        type(Qt::Key_Space);
        QVERIFY(rig.waitForWritten("G00,13\rG00,+10100\r"));
    }

    void panelActivation_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("active");
        QTest::newRow("click editor") << QStringList{"click fraeditor"} << "fraeditor";
        QTest::newRow("online activate") << QStringList{"mnuoact"} << "fraonline";
        QTest::newRow("click a grey manual button") << QStringList{"click cmdman_6"} << "framanual";
        QTest::newRow("monitor activate") << QStringList{"mnunact"} << "framoni";
        QTest::newRow("editor then online")
            << QStringList{"click fraeditor", "click fraonline"} << "fraonline";
        QTest::newRow("manual, monitor, editor")
            << QStringList{"click framanual", "mnunact", "mnueact"} << "fraeditor";
        // Closing hides the editor's menus; activating brings them back, Paste greyed.
        QTest::newRow("editor closed after a copy, activated again")
            << QStringList{"mnueact", "copy", "mnueclose", "mnueact"} << "fraeditor";
    }

    void panelActivation()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, active);
        Rig rig;
        rig.initialised();
        rig.txteditor()->setPlainText(QStringLiteral("G27"));
        for (const QString& step : steps) {
            if (step.startsWith(QLatin1String("click "))) {
                rig.click(rig.find<QWidget>(step.mid(6)));
            } else if (step == QLatin1String("copy")) {
                rig.txteditor()->selectAll();
                rig.trigger(QStringLiteral("mnucopy"));
                QVERIFY(rig.find<QAction>(QStringLiteral("mnupaste"))->isEnabled());
            } else {
                rig.trigger(step);
            }
        }
        QCOMPARE(rig.activePanels(), active);
        // What is typed next lands in the panel made active.
        QVERIFY(rig.find<QWidget>(active)->isAncestorOf(rig.window->focusWidget()));
        const auto enabledIn = [&](const char* frame) {
            return rig.find<QWidget>(QLatin1String(frame))
                ->findChild<QAbstractButton*>()
                ->isEnabled();
        };
        QCOMPARE(rig.txteditor()->isEnabled(), active == "fraeditor");
        QCOMPARE(rig.find<QLineEdit>(QStringLiteral("txtonline"))->isEnabled(),
                 active == "fraonline");
        QCOMPARE(enabledIn("framanual"), active == "framanual");
        QCOMPARE(enabledIn("framoni"), active == "framoni");
        for (const char* name : {"mnu7file", "mnudownload", "mnuupload", "mnucut", "mnucopy"}) {
            const QAction* item = rig.find<QAction>(QLatin1String(name));
            QVERIFY2(item->isVisible() && item->isEnabled() == (active == "fraeditor"), name);
        }
        QVERIFY(!rig.find<QAction>(QStringLiteral("mnupaste"))->isEnabled());
        // Nothing a grey panel holds reached the line.
        QVERIFY(rig.port->writes.isEmpty());
    }

    void manualDeleteAndMonitorProgram()
    {
        Rig rig;
        rig.initialised();
        rig.trigger(QStringLiteral("mnumact"));
        rig.find<QScrollBar>(QStringLiteral("hscdelprg"))->setValue(3);
        rig.find<QPushButton>(QStringLiteral("cmdman_8"))->click(); // Enter: deletes nothing
        rig.op.answerNext(MessageAnswer::Yes);
        rig.find<QPushButton>(QStringLiteral("cmdman_8"))->click();
        QVERIFY(rig.waitForWritten("DELP3\r"));
        QCOMPARE(rig.op.messages.size(), 2);
        QCOMPARE(rig.op.messages.at(0).text,
                 QStringLiteral("Are you sure you want to delete program #3"));
        // A button sends the state its option stands at now.
        QTest::mouseClick(rig.find<QWidget>(QStringLiteral("optop_1")), Qt::LeftButton, {},
                          QPoint(5, 5));
        rig.find<QPushButton>(QStringLiteral("cmdman_9"))->click();
        QVERIFY(rig.waitForWritten("DELP3\rM20-\r"));

        rig.trigger(QStringLiteral("mnunact"));
        QTest::mouseClick(rig.find<QWidget>(QStringLiteral("optprg_2")), Qt::LeftButton, {},
                          QPoint(5, 5));
        rig.find<QPushButton>(QStringLiteral("cmdmoni_4"))->click();
        QVERIFY(rig.waitForWritten("DP2\r"));
        QCOMPARE(rig.port->written(), QByteArray("DELP3\rM20-\rDP2\r"));
    }

    void upload_data()
    {
        QTest::addColumn<QString>("end");          // after the listing's first line
        QTest::addColumn<MessageAnswer>("answer"); // in the box of an incomplete upload
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("told"); // after the save question
        const QString listed = QStringLiteral("M31,1\r\nG00,100\r\n");
        QTest::newRow("link lost") << "lost" << MessageAnswer::No << "G27"
                                   << "the program text is kept";
        QTest::newRow("time limit, keep mine") << "limit" << MessageAnswer::No << "G27"
                                               << "still holds your text";
        QTest::newRow("time limit, take what came")
            << "limit" << MessageAnswer::Yes << listed << "still holds your text";
    }

    void upload()
    {
        QFETCH(QString, end);
        QFETCH(MessageAnswer, answer);
        QFETCH(QString, editor);
        QFETCH(QString, told);
        Timings t = Rig::timings();
        t.programUploadLimit = 300ms;
        Rig rig(t);
        rig.initialised();
        rig.trigger(QStringLiteral("mnueact"));
        QTest::keyClicks(rig.txteditor(), QStringLiteral("G27"));
        const QString caption = rig.window->editor().caption();
        // Unsaved text is asked about first; Cancel starts nothing.
        rig.op.answerNext(MessageAnswer::Cancel);
        rig.trigger(QStringLiteral("mnuuploadprog_1"));
        QCOMPARE(rig.op.messages.at(0).buttons, MessageButtons::YesNoCancel);
        QVERIFY(!rig.window->transferRunning());
        rig.op.answerNext(MessageAnswer::No);
        rig.trigger(QStringLiteral("mnuuploadprog_1"));
        QVERIFY(rig.waitIdle());
        rig.port->receive("DP1\r\n#1\r\nG00,100\r\n\r\n>");
        QCOMPARE(rig.window->editor().text(),
                 QStringLiteral("G27")); // the listing grows out of sight
        if (end == "lost")
            rig.port->loseLink(QStringLiteral("The device /dev/ttyUSB0 was removed"));
        else if (end == "limit")
            rig.op.answerNext(answer);
        else
            rig.port->receive("M30\r\n\r\n>");
        QVERIFY(rig.waitForTransferEnd());
        QCOMPARE(rig.window->editor().text(), editor);
        QCOMPARE(rig.window->editor().caption(),
                 editor == "G27" ? caption : QStringLiteral("EDITOR - Upload #1"));
        QCOMPARE(rig.op.messages.size(), told.isEmpty() ? 2 : 3);
        QVERIFY(rig.op.messages.constLast().text.contains(told));
        QCOMPARE(rig.op.beeps, end == "lost" ? 0 : 1);
        QVERIFY(rig.text("lblresponse").isEmpty()); // the listing is not a reply
        if (editor != QLatin1String("G27")) {
            rig.txteditor()->undo(); // a replacement is one step back
            QCOMPARE(rig.window->editor().text(), QStringLiteral("G27"));
        }
    }

    void verifyAfterDownloadIsRemembered()
    {
        const auto remembered = [] { return Rig().find<QAction>("mnuverifyafter")->isChecked(); };
        QVERIFY(!remembered());
        for (const bool on : {true, false}) {
            Rig().find<QAction>("mnuverifyafter")->setChecked(on);
            QCOMPARE(remembered(), on);
        }
    }

    void verifyAfterDownload()
    {
        Rig rig;
        rig.initialised().trigger(QStringLiteral("mnueact"));
        rig.txteditor()->setPlainText(example);
        rig.find<QAction>(QStringLiteral("mnuverifyafter"))->setChecked(true);
        rig.trigger(QStringLiteral("mnudownload"));
        QVERIFY(rig.waitForWritten("M31,0\r"));
        QCOMPARE(rig.text("lblstatus"), QStringLiteral("Download: 0 of 3 lines sent"));
        rig.trigger(QStringLiteral("mnuuploadprog_0")); // one transfer at a time
        QVERIFY(rig.op.messages.size() == 1 &&
                rig.op.messages[0].text.startsWith(QLatin1String("A program transfer is still")));
        for (const QByteArray next : {"G00,100\r", "M30\r", "DP0\r"}) {
            rig.port->receive("OK\r\n>");
            QVERIFY(rig.waitForWritten(next));
        }
        QVERIFY(rig.text("lblresponse").endsWith(QStringLiteral("OK\r\n>")));
        rig.port->receive("DP0\r\n#0\r\nM30\r\n\r\n>"); // nothing stored after M31,0
        QTRY_COMPARE(rig.text("lblstatus"),
                     QStringLiteral("Download complete: 3 lines sent; verify found 2 "
                                    "differences, the first in line 2"));
        QVERIFY(rig.window->editor().text() == example && rig.op.messages.size() == 1);
        const QPointer<DifferenceWindow> shown = rig.window->findChild<DifferenceWindow*>();
        // What a screen reader says of the first difference, and of every control.
        auto* cells = QAccessible::queryAccessibleInterface(shown->findChild<QTableWidget*>())
                          ->tableInterface();
        QCOMPARE(cells->cellAt(1, 0)->text(QAccessible::Name) + u' ' +
                     cells->cellAt(1, 3)->text(QAccessible::Name),
                 QStringLiteral("differs M30"));
        int checked = 0;
        QVERIFY(test::unnamedControls(shown, &checked).isEmpty() && checked == 4);
        // F3 and Alt+N go on to the next difference, from the last back to the first.
        const QList<int> differing{1, 2, 1};
        for (int i = 0; i < differing.size(); ++i) {
            // A mnemonic clicks once its press has been shown.
            QTRY_COMPARE(shown->currentRow(), differing[i]);
            // Keys reach the active window; the main window's own activation may come in late.
            shown->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(shown));
            QTest::keyClick(shown->focusWidget(), i == 1 ? Qt::Key_N : Qt::Key_F3,
                            i == 1 ? Qt::AltModifier : Qt::NoModifier);
        }
        QTest::keyClick(shown->focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(shown.isNull());
    }
};

QTEST_MAIN(TestKvt7Window)
#include "tst_kvt7window.moc"
