#include "support/ScreenReader.h"
#include "support/WindowRig.h"

#include "base/NumberText.h"
#include "editor/EditorController.h"
#include "frontend/DifferenceWindow.h"
#include "frontend/PanelLook.h"
#include "kvt7/CommandRecall.h"
#include "kvt7/Kvt7Window.h"
#include "kvt7/ManualCommands.h"
#include "kvt7/PlanScale.h"
#include "kvt7/SetupDialog.h"
#include "kvt7/SetupSequences.h"
#include "kvt7/Spinner.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QWindow>

using namespace kvt;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(kvt::manual::Settings)
Q_DECLARE_METATYPE(kvt::SerialLink::Step)

namespace {

const QString example = QStringLiteral("m31,0\r\nG00,100  remark\r\n\r\nm30");

struct Rig : test::WindowRig<Kvt7Window> {
    explicit Rig(Timings t = timings()) : WindowRig(t) {}
    // The setup dialogs' pauses short, so their lines go out at once.
    static Timings timings()
    {
        Timings t = WindowRig::timings();
        t.speedLinePause = t.jogValuePause = 5ms;
        return t;
    }
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
    // The dialog the Setup menu's item opens.
    QDialog* open(const QString& item)
    {
        const QWidgetList before = QApplication::topLevelWidgets();
        trigger(item);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!before.contains(w) && w->isVisible() && qobject_cast<QDialog*>(w))
                return qobject_cast<QDialog*>(w);
        qFatal("%s opened no dialog", qPrintable(item));
    }
    static QPushButton* okButton(QDialog* dialog)
    {
        for (auto* button : dialog->findChildren<QPushButton*>())
            if (button->text() == QLatin1String("OK"))
                return button;
        qFatal("no OK button");
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

    void verifyAfterDownload()
    {
        Rig rig;
        rig.initialised().trigger(QStringLiteral("mnueact"));
        rig.txteditor()->setPlainText(example);
        auto* verifyAfter = rig.find<QAction>(QStringLiteral("mnuverifyafter"));
        QVERIFY(!verifyAfter->isChecked()); // until the operator turns it on, which is remembered
        verifyAfter->setChecked(true);
        QVERIFY(Rig().find<QAction>(QStringLiteral("mnuverifyafter"))->isChecked());
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

    void manualButtons_data()
    {
        QTest::addColumn<manual::Settings>("settings");
        QTest::addColumn<QStringList>("commands"); // of buttons 0 to 11
        // Every control at a value of its own, so a command made from the wrong one shows.
        QTest::newRow("reverse, output off")
            << manual::Settings{11, -22, 33, -44, 1, false, 2, false, 2, false, 3, 1}
            << QStringList{"G00,+11", "G10,-22", "G15,+33", "G16,-44", "G20,1,-", "G21,2,-",
                           "G27",     "G92,0",   "DELP1",   "M22-",    "M28",     "TRG3"};
        QTest::newRow("forward, output on, ends of the ranges")
            << manual::Settings{0, 32767, -1, -32767, 4, true, 0, true, 1, true, 0, 3}
            << QStringList{"G00,+0", "G10,+32767", "G15,-1", "G16,-32767", "G20,4,+", "G21,0,+",
                           "G27",    "G92,0",      "DELP3",  "M21+",       "M28",     "TRG0"};
    }

    void manualButtons()
    {
        QFETCH(manual::Settings, settings);
        QStringList made;
        for (int button = 0; button < manual::buttonCount; ++button)
            made << manual::buttonCommand(button, settings);
        QTEST(made, "commands");
    }

    void setupSequences_data()
    {
        Timings t;
        t.speedLinePause = 7ms;
        t.jogValuePause = 11ms;
        QTest::addColumn<QList<SerialLink::Step>>("steps");
        QTest::addColumn<QString>("lines"); // each line with the pause after it
        QTest::newRow("running speed")
            << setup::speedSequence(SpeedProfile::Running, "500", "5000", "1.5", t)
            << "PROF@7|500@7|5000@7|1.5@0";
        QTest::newRow("jog speed") << setup::jogSequence("800x", t) << "JOG@11|800x@0";
    }

    void setupSequences()
    {
        QFETCH(QList<SerialLink::Step>, steps);
        QStringList lines;
        for (const SerialLink::Step& step : steps)
            lines << step.command + u'@' + QString::number(step.pauseAfter.count());
        QTEST(lines.join(u'|'), "lines");
    }

    void commandRecall_data()
    {
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("keys"); // U for Up, D for Down
        QTest::addColumn<QStringList>("shown");
        const QStringList three{"POS", "G00,+5", "DSP"};
        QTest::newRow("nothing sent") << QStringList{} << "UD" << QStringList{"", ""};
        QTest::newRow("oldest stays; down past the newest is empty")
            << three << "UUUUDDD"
            << QStringList{"DSP", "G00,+5", "POS", "POS", "G00,+5", "DSP", ""};
        QTest::newRow("a repeat is one step, empty is none")
            << QStringList{"POS", "POS", "", "DSP"} << "UUUD"
            << QStringList{"DSP", "POS", "POS", "DSP"};
    }

    void commandRecall()
    {
        QFETCH(QStringList, sent);
        QFETCH(QString, keys);
        CommandRecall recall;
        for (const QString& command : sent)
            recall.add(command);
        QStringList seen;
        for (const QChar key : keys)
            seen << (key == u'U' ? recall.older() : recall.newer());
        QTEST(seen, "shown");
    }

    void planScale_data()
    {
        QTest::addColumn<QSizeF>("room");
        QTest::addColumn<double>("smallest"); // points; the text is 9 pt
        QTest::addColumn<double>("scale");
        // The KVT7 plan at 96 dpi, 940 x 651.
        QTest::newRow("fits: never grows") << QSizeF(2000, 651) << 7.0 << 1.0;
        QTest::newRow("width decides") << QSizeF(705, 651) << 6.0 << 0.75;
        QTest::newRow("stops at the smallest readable") << QSizeF(470, 325.5) << 6.3 << 0.7;
        QTest::newRow("larger than the text: four fifths") << QSizeF(470, 325.5) << 12.0 << 0.8;
        QTest::newRow("text at the smallest already") << QSizeF(470, 325.5) << 9.0 << 1.0;
    }

    void planScale()
    {
        QFETCH(QSizeF, room);
        QFETCH(double, smallest);
        QTEST(fittedPlanScale(QSizeF(940, 651), room, 9.0, smallest), "scale");
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");
        QTest::addColumn<QString>("plain");
        QTest::newRow("blank in front") << " \t7" << 7.0 << 7 << "7";
        QTest::newRow("no exponent") << "1e3" << 1.0 << 1 << "1";
        QTest::newRow("negative") << "-3" << -3.0 << -3 << "-3";
        QTest::newRow("minus zero") << "-0" << 0.0 << 0 << "0";
        QTest::newRow("empty") << "" << 0.0 << 0 << "0";
        QTest::newRow("fraction") << "1.40" << 1.4 << 1 << "1.4";
    }

    void numbers()
    {
        QFETCH(QString, text);
        QTEST(numericValue(text), "value");
        QTEST(roundHalfEven(numericValue(text)), "rounded");
        QTEST(SetupDialog::plainDecimal(numericValue(text)), "plain");
    }

    void entries_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("box"); // or the option to click
        QTest::addColumn<QString>("typed");
        // Enter (on the box or the option), Up on the spinner, a key in the box, or OK.
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("told");
        // After OK: the lines sent. Else the box's text and, after Cancel, what it stored.
        QTest::addColumn<QString>("after");
        const auto row = [](const char* name, const char* item, const char* box, const char* typed,
                            const char* key, const char* told, const char* after) {
            QTest::newRow(name) << item << box << typed << key << told << after;
        };
        const char* range = "Value out of range !";
        const char* jogLow = "Jog speed too low, please set again ! (100~4000 PPS)";
        row("OK, homing defaults", "mnuhspeed", "", "", "OK", "", "PROFH|400|1000|1");
        row("OK, out of range corrected", "mnuspeed", "txtstartsp", "50", "OK", range,
            "PROF|100|5000|1");
        row("OK, jog as typed", "mnujog", "txtjogspeed", "800x", "OK", "", "JOG|800x");
        row("OK, jog out of range corrected", "mnujog", "txtjogspeed", "50", "OK", jogLow,
            "JOG|100");
        row("OK, no direction chosen", "mnudir", "", "", "OK", "", "CCW");
        row("start bound", "mnuspeed", "txtstartsp", "4000", "Enter", "", "4000|4000");
        row("max above", "mnuspeed", "txtmaxsp", "15001", "Enter", range, "15000|15000");
        row("accel half to even", "mnuspeed", "txtaccel", "2.5", "Enter", "", "2|2");
        // The spinner does not move, so the box keeps what the operator typed.
        row("accel stays as typed", "mnuspeed", "txtaccel", "1.4", "Enter", "", "1.4|1");
        row("jog above", "mnujog", "txtjogspeed", "4001", "Enter",
            "Jog speed too high, please set again ! (100~4000 PPS)", "4000|4000");
        row("spinner up", "mnuspeed", "txtstartsp", "", "Up", "", "600|600");
        row("box Page Up stops at the top", "mnujog", "txtjogspeed", "3900", "PageUp", "",
            "4000|4000");
        row("Enter on an option is OK", "mnusenlogic", "optsenlog_1", "", "Enter", "", "SEN.NC");
        row("Escape is Cancel", "mnujog", "txtjogspeed", "3000", "Escape", "", "800");
    }

    void entries()
    {
        QFETCH(QString, item);
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, key);
        QFETCH(QString, told);
        QFETCH(QString, after);
        Rig rig;
        rig.initialised();
        QPointer<QDialog> dialog = rig.open(item);
        QLineEdit* edit = nullptr;
        if (box.startsWith(QLatin1String("opt"))) {
            QTest::mouseClick(dialog->findChild<QRadioButton*>(box), Qt::LeftButton);
        } else if (!box.isEmpty()) {
            edit = dialog->findChild<QLineEdit*>(box);
            if (!typed.isEmpty()) {
                edit->clear();
                QTest::keyClicks(edit, typed);
            }
        }
        static const QHash<QString, Qt::Key> inBox{{"PageUp", Qt::Key_PageUp},
                                                   {"Escape", Qt::Key_Escape}};
        QString textWhenTold;
        rig.op.onMessage = [&](const Message&) { textWhenTold = edit->text(); };
        if (key == QLatin1String("OK"))
            QTest::mouseClick(Rig::okButton(dialog), Qt::LeftButton);
        else if (key == QLatin1String("Up"))
            QTest::keyClick(dialog->findChild<Spinner*>("vsb" + box.mid(3)), Qt::Key_Up);
        else if (inBox.contains(key))
            QTest::keyClick(edit, inBox.value(key));
        else
            QTest::keyClick(edit ? edit : dialog->focusWidget(), Qt::Key_Return);
        if (key == QLatin1String("Escape")) {
            QTRY_VERIFY(dialog.isNull() || !dialog->isVisible());
            QVERIFY(rig.port->writes.isEmpty());
            QCOMPARE(rig.open(item)->findChild<QLineEdit*>(box)->text(), after);
            return;
        }
        QCOMPARE(rig.op.messages.size(), told.isEmpty() ? 0 : 1);
        if (!told.isEmpty()) {
            QCOMPARE(rig.op.messages.at(0).text, told);
            QCOMPARE(textWhenTold, typed); // told first, corrected after
        }
        if (key == QLatin1String("OK") || !edit) {
            QTRY_VERIFY(dialog.isNull());
            QCOMPARE(rig.port->written(), after.replace(u'|', u'\r').toLatin1() + '\r');
            return;
        }
        QCOMPARE(edit->text(), after.section(u'|', 0, 0));
        // Enter belongs to the box: it neither sends nor closes. Cancel keeps what was stored.
        QVERIFY(rig.port->writes.isEmpty() && dialog->isVisible());
        dialog->findChild<QPushButton*>(QStringLiteral("cmdcancel"))->click();
        QVERIFY(rig.port->writes.isEmpty());
        QCOMPARE(rig.open(item)->findChild<QLineEdit*>(box)->text(), after.section(u'|', 1));
    }

    void secondOkSendsNothingAndDialogsGoWithTheWindow()
    {
        Rig rig;
        rig.initialised();
        const QPointer<QDialog> dialog = rig.open(QStringLiteral("mnujog"));
        QPushButton* ok = Rig::okButton(dialog);
        ok->click();
        ok->click();
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(rig.port->written(), QByteArray("JOG\r800\r"));

        // The dialogs send through the window's link; they go with the window.
        QList<QPointer<QDialog>> open;
        for (const char* item : {"mnuspeed", "mnujog", "mnudir", "mnusenlogic"}) {
            open << rig.open(QLatin1String(item));
            QVERIFY2(rig.window->geometry().contains(open.constLast()->geometry()), item);
            QCOMPARE(open.constLast()->windowHandle()->transientParent(),
                     rig.window->windowHandle());
        }
        rig.trigger(QStringLiteral("mnu7exit"));
        for (const QPointer<QDialog>& dialog : open)
            QVERIFY(dialog.isNull() || !dialog->isVisible());
    }
};

QTEST_MAIN(TestKvt7Window)
#include "tst_kvt7window.moc"
