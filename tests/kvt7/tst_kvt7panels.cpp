#include "kvt7/Kvt7Window.h"
#include "kvt7/ManualPanel.h"
#include "kvt7/MonitorPanel.h"
#include "kvt7/PanelLook.h"
#include "link/SerialLink.h"
#include "support/FakeSerialPort.h"
#include "support/ScriptedOperator.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

using namespace kvt;
using namespace std::chrono_literals;
using kvt::test::FakeSerialPort;
using kvt::test::ScriptedOperator;

namespace {

struct Rig {
    Rig()
    {
        Timings t;
        t.pacing = 1ms;
        auto owned = std::make_unique<FakeSerialPort>();
        port = owned.get();
        window = std::make_unique<Kvt7Window>(op, std::move(owned), t);
        window->initialise();
        window->show();
        op.messages.clear();
    }
    template <typename T> T* find(const QString& name)
    {
        auto* found = window->findChild<T*>(name);
        if (!found)
            qFatal("no child %s", qPrintable(name));
        return found;
    }
    QAction* action(const QString& name) { return find<QAction>(name); }
    QGroupBox* frame(const QString& name) { return find<QGroupBox>(name); }
    ManualPanel* manual() { return find<ManualPanel>(QStringLiteral("framanual")); }
    MonitorPanel* monitor() { return find<MonitorPanel>(QStringLiteral("framoni")); }
    void click(const QString& frameName)
    {
        QTest::mouseClick(frame(frameName), Qt::LeftButton, {}, QPoint(3, 3));
    }
    void run(const QString& step)
    {
        if (step.startsWith(QLatin1String("click ")))
            click(step.mid(6));
        else
            action(step)->trigger();
    }
    QByteArray sendAndWait(QPushButton* button)
    {
        port->writes.clear();
        button->click();
        if (!QTest::qWaitFor([this] { return !window->link().isSending(); }, 5000))
            return "still sending";
        return port->written();
    }
    QString activeLooks()
    {
        QStringList active;
        for (const char* name : {"fraeditor", "fraonline", "framanual", "framoni"})
            if (look::background(frame(QLatin1String(name))) != look::inactiveBack)
                active << QLatin1String(name);
        return active.join(u' ');
    }

    ScriptedOperator op;
    FakeSerialPort* port = nullptr;
    std::unique_ptr<Kvt7Window> window;
};

} // namespace

class TestKvt7Panels : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensWithEveryPanelGrey();
    void activation_data();
    void activation();
    void activeLooks_data();
    void activeLooks();
    void clickingTheActiveFrameSkipsFormdisable();
    void editCloseRemovesFileMenusUntilActivate();
    void closingPanels_data();
    void closingPanels();
    void helpAboutDoesNothing();
    void menuCaptionsAndShortcuts_data();
    void menuCaptionsAndShortcuts();
    void framesKeepTheirPlace();
    void manualCaptions_data();
    void manualCaptions();
    void manualButtonsSendTheirCaption_data();
    void manualButtonsSendTheirCaption();
    void programDelete_data();
    void programDelete();
    void monitorQueries_data();
    void monitorQueries();
    void inactivePanelCannotSend();
    void setupMenuOpensDialogs_data();
    void setupMenuOpensDialogs();
};

void TestKvt7Panels::opensWithEveryPanelGrey()
{
    Rig rig;
    QCOMPARE(rig.activeLooks(), QString());
    for (const char* name :
         {"mnu7file", "mnudownload", "mnuupload", "mnucut", "mnucopy", "mnupaste"})
        QVERIFY2(!rig.action(QLatin1String(name))->isEnabled(), name);
    for (const char* name :
         {"mnu7setup", "mnu7man", "mnu7online", "mnu7moni", "help", "mnu7exit", "mnu7edit"})
        QVERIFY2(rig.action(QLatin1String(name))->isEnabled(), name);
    QVERIFY(!rig.find<QPlainTextEdit>(QStringLiteral("txteditor"))->isEnabled());
    QVERIFY(!rig.find<QLineEdit>(QStringLiteral("txtonline"))->isEnabled());
    QVERIFY(!rig.manual()->cmdman[0]->isEnabled());
    QVERIFY(!rig.monitor()->cmdmoni[0]->isEnabled());
    for (const char* name : {"fraeditor", "fraonline", "framanual", "framoni", "fraresponse"}) {
        QVERIFY2(rig.frame(QLatin1String(name))->isVisible(), name);
        QVERIFY2(rig.frame(QLatin1String(name))->isEnabled(), name);
    }
    QCOMPARE(look::background(rig.frame(QStringLiteral("fraresponse"))), look::responseBack);
}

void TestKvt7Panels::activation_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("active");
    QTest::addColumn<bool>("editorEnabled");
    QTest::addColumn<bool>("onlineEnabled");
    QTest::addColumn<bool>("manualEnabled");
    QTest::addColumn<bool>("monitorEnabled");
    QTest::addColumn<bool>("fileMenusEnabled");
    QTest::newRow("click editor") << QStringList{"click fraeditor"} << "fraeditor" << true << false
                                  << false << false << true;
    QTest::newRow("edit activate")
        << QStringList{"mnueact"} << "fraeditor" << true << false << false << false << true;
    QTest::newRow("click online") << QStringList{"click fraonline"} << "fraonline" << false << true
                                  << false << false << false;
    QTest::newRow("online activate")
        << QStringList{"mnuoact"} << "fraonline" << false << true << false << false << false;
    QTest::newRow("click manual") << QStringList{"click framanual"} << "framanual" << false << false
                                  << true << false << false;
    QTest::newRow("manual activate")
        << QStringList{"mnumact"} << "framanual" << false << false << true << false << false;
    QTest::newRow("click monitor")
        << QStringList{"click framoni"} << "framoni" << false << false << false << true << false;
    QTest::newRow("monitor activate")
        << QStringList{"mnunact"} << "framoni" << false << false << false << true << false;
    QTest::newRow("editor then online greys the editor")
        << QStringList{"click fraeditor", "click fraonline"} << "fraonline" << false << true
        << false << false << false;
    QTest::newRow("online then manual") << QStringList{"mnuoact", "click framanual"} << "framanual"
                                        << false << false << true << false << false;
    QTest::newRow("manual then monitor then editor")
        << QStringList{"click framanual", "mnunact", "click fraeditor"} << "fraeditor" << true
        << false << false << false << true;
}

void TestKvt7Panels::activation()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, active);
    QFETCH(bool, editorEnabled);
    QFETCH(bool, onlineEnabled);
    QFETCH(bool, manualEnabled);
    QFETCH(bool, monitorEnabled);
    QFETCH(bool, fileMenusEnabled);
    Rig rig;
    for (const QString& step : steps)
        rig.run(step);
    QCOMPARE(rig.activeLooks(), active);
    QCOMPARE(rig.find<QPlainTextEdit>(QStringLiteral("txteditor"))->isEnabled(), editorEnabled);
    QCOMPARE(rig.find<QLineEdit>(QStringLiteral("txtonline"))->isEnabled(), onlineEnabled);
    QCOMPARE(rig.find<QLabel>(QStringLiteral("lblonlinehistory"))->isEnabled(), onlineEnabled);
    for (QPushButton* b : rig.manual()->cmdman)
        QCOMPARE(b->isEnabled(), manualEnabled);
    for (QScrollBar* bar : rig.manual()->findChildren<QScrollBar*>())
        QCOMPARE(bar->isEnabled(), manualEnabled);
    for (QRadioButton* option : rig.manual()->findChildren<QRadioButton*>())
        QCOMPARE(option->isEnabled(), manualEnabled);
    for (QPushButton* b : rig.monitor()->cmdmoni)
        QCOMPARE(b->isEnabled(), monitorEnabled);
    for (QRadioButton* option : rig.monitor()->optprg)
        QCOMPARE(option->isEnabled(), monitorEnabled);
    for (const char* name : {"mnu7file", "mnudownload", "mnuupload", "mnucut", "mnucopy"})
        QCOMPARE(rig.action(QLatin1String(name))->isEnabled(), fileMenusEnabled);
    QVERIFY(!rig.action(QStringLiteral("mnupaste"))->isEnabled()); // only Copy or Cut enable it
    // Focus goes into the text box of the editor and online panels.
    if (active == QLatin1String("fraeditor"))
        QCOMPARE(rig.window->focusWidget(), rig.find<QPlainTextEdit>(QStringLiteral("txteditor")));
    if (active == QLatin1String("fraonline"))
        QCOMPARE(rig.window->focusWidget(), rig.find<QLineEdit>(QStringLiteral("txtonline")));
}

void TestKvt7Panels::activeLooks_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QColor>("back");
    QTest::addColumn<QColor>("text");
    QTest::newRow("editor frame") << "mnueact"
                                  << "fraeditor" << look::editorFrame << look::black;
    QTest::newRow("editor box") << "mnueact"
                                << "txteditor" << look::white << look::black;
    QTest::newRow("online frame") << "mnuoact"
                                  << "fraonline" << look::onlineFrame << look::black;
    QTest::newRow("online entry") << "mnuoact"
                                  << "txtonline" << look::onlineEntry << look::black;
    QTest::newRow("online history") << "mnuoact"
                                    << "lblonlinehistory" << look::onlineHistory << look::black;
    QTest::newRow("history heading active") << "mnuoact"
                                            << "lblonlinehis" << look::onlineFrame << look::black;
    QTest::newRow("history heading inactive")
        << "mnunact"
        << "lblonlinehis" << look::onlineFrame << look::inactiveText;
    QTest::newRow("manual frame") << "mnumact"
                                  << "framanual" << look::manualBack << look::black;
    QTest::newRow("manual label") << "mnumact"
                                  << "lblcmd_7" << look::manualBack << look::black;
    QTest::newRow("manual option") << "mnumact"
                                   << "optop_1" << look::manualBack << look::black;
    QTest::newRow("monitor frame") << "mnunact"
                                   << "framoni" << look::monitorBack << look::black;
    QTest::newRow("monitor option") << "mnunact"
                                    << "optprg_3" << look::monitorBack << look::black;
    QTest::newRow("inactive editor box") << "mnunact"
                                         << "txteditor" << look::inactiveBack << look::inactiveText;
    QTest::newRow("inactive manual label")
        << "mnunact"
        << "lblcmd_0" << look::inactiveBack << look::inactiveText;
    QTest::newRow("reply display untouched")
        << "mnumact"
        << "lblresponse" << look::responseBack << look::responseText;
}

void TestKvt7Panels::activeLooks()
{
    QFETCH(QString, step);
    QFETCH(QString, widget);
    QFETCH(QColor, back);
    QFETCH(QColor, text);
    Rig rig;
    rig.run(step);
    auto* w = rig.find<QWidget>(widget);
    QCOMPARE(look::background(w), back);
    QCOMPARE(look::foreground(w), text);
}

void TestKvt7Panels::clickingTheActiveFrameSkipsFormdisable()
{
    Rig rig;
    rig.click(QStringLiteral("framanual"));
    // Something formdisable would switch off: if the second click ran it, this goes grey.
    rig.action(QStringLiteral("mnu7file"))->setEnabled(true);
    rig.click(QStringLiteral("framanual"));
    QVERIFY(rig.action(QStringLiteral("mnu7file"))->isEnabled());
    QCOMPARE(rig.activeLooks(), QStringLiteral("framanual"));
    // Clicking an inactive frame does run it.
    rig.click(QStringLiteral("framoni"));
    QVERIFY(!rig.action(QStringLiteral("mnu7file"))->isEnabled());
}

void TestKvt7Panels::editCloseRemovesFileMenusUntilActivate()
{
    Rig rig;
    rig.click(QStringLiteral("fraeditor"));
    rig.action(QStringLiteral("mnueclose"))->trigger();
    QVERIFY(!rig.frame(QStringLiteral("fraeditor"))->isVisible());
    const QStringList hidden = {"mnu7file", "mnudownload", "mnuupload", "mnucopy",
                                "mnucut",   "mnupaste",    "mnueclose"};
    for (const QString& name : hidden)
        QVERIFY2(!rig.action(name)->isVisible(), qPrintable(name));
    rig.click(QStringLiteral("fraonline"));
    rig.click(QStringLiteral("framanual"));
    for (const QString& name : hidden)
        QVERIFY2(!rig.action(name)->isVisible(), qPrintable(name));
    QVERIFY(rig.action(QStringLiteral("mnueact"))->isVisible());

    rig.action(QStringLiteral("mnueact"))->trigger();
    QVERIFY(rig.frame(QStringLiteral("fraeditor"))->isVisible());
    for (const QString& name : hidden)
        QVERIFY2(rig.action(name)->isVisible(), qPrintable(name));
    QVERIFY(rig.action(QStringLiteral("mnu7file"))->isEnabled());
    QVERIFY(!rig.action(QStringLiteral("mnupaste"))->isEnabled());
    QCOMPARE(rig.activeLooks(), QStringLiteral("fraeditor"));
}

void TestKvt7Panels::closingPanels_data()
{
    QTest::addColumn<QString>("activate");
    QTest::addColumn<QString>("close");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("reopen");
    QTest::newRow("online") << "mnuoact"
                            << "mnuoclose"
                            << "fraonline"
                            << "mnuoact";
    QTest::newRow("manual") << "mnumact"
                            << "mnumclose"
                            << "framanual"
                            << "mnumact";
    QTest::newRow("monitor") << "mnunact"
                             << "mnunclose"
                             << "framoni"
                             << "mnunact";
}

void TestKvt7Panels::closingPanels()
{
    QFETCH(QString, activate);
    QFETCH(QString, close);
    QFETCH(QString, frame);
    QFETCH(QString, reopen);
    Rig rig;
    rig.run(activate);
    QVERIFY(rig.action(close)->isVisible());
    rig.run(close);
    QVERIFY(!rig.frame(frame)->isVisible());
    QVERIFY(!rig.frame(frame)->isEnabled());
    QVERIFY(!rig.action(close)->isVisible());
    // The others are untouched: the editor can still be activated and used.
    rig.run(QStringLiteral("click fraeditor"));
    QCOMPARE(rig.activeLooks(), QStringLiteral("fraeditor"));
    rig.run(reopen);
    QVERIFY(rig.frame(frame)->isVisible());
    QVERIFY(rig.frame(frame)->isEnabled());
    QVERIFY(rig.action(close)->isVisible());
    QCOMPARE(rig.activeLooks(), frame);
}

void TestKvt7Panels::helpAboutDoesNothing()
{
    Rig rig;
    rig.click(QStringLiteral("framanual"));
    rig.action(QStringLiteral("helpabout"))->trigger();
    QVERIFY(rig.op.messages.isEmpty());
    QVERIFY(rig.port->writes.isEmpty());
    QCOMPARE(rig.activeLooks(), QStringLiteral("framanual"));
}

void TestKvt7Panels::menuCaptionsAndShortcuts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("shortcut");
    const QKeySequence none;
    auto ctrl = [](Qt::Key key) { return QKeySequence(Qt::CTRL | key); };
    QTest::newRow("file") << "mnu7file"
                          << "&File" << none;
    QTest::newRow("new") << "mnunew"
                         << "New" << ctrl(Qt::Key_N);
    QTest::newRow("open") << "mnuopen"
                          << "Open File" << ctrl(Qt::Key_O);
    QTest::newRow("save") << "mnusave"
                          << "Save " << ctrl(Qt::Key_S);
    QTest::newRow("save as") << "mnusaveas"
                             << "Save As" << none;
    QTest::newRow("print") << "mnuprint"
                           << "Print" << ctrl(Qt::Key_P);
    QTest::newRow("edit") << "mnu7edit"
                          << "&Edit" << none;
    QTest::newRow("cut") << "mnucut"
                         << "Cut" << ctrl(Qt::Key_X);
    QTest::newRow("copy") << "mnucopy"
                          << "Copy" << ctrl(Qt::Key_C);
    QTest::newRow("paste") << "mnupaste"
                           << "Paste" << ctrl(Qt::Key_V);
    QTest::newRow("download") << "mnudownload"
                              << "&Download" << none;
    QTest::newRow("upload") << "mnuupload"
                            << "&Upload" << none;
    QTest::newRow("upload 0") << "mnuuploadprog_0"
                              << "Program  #0" << none;
    QTest::newRow("upload 3") << "mnuuploadprog_3"
                              << "Program  #3" << none;
    QTest::newRow("setup") << "mnu7setup"
                           << "&Setup" << none;
    QTest::newRow("speed") << "mnuspeed"
                           << "Running Speed" << ctrl(Qt::Key_R);
    QTest::newRow("home speed") << "mnuhspeed"
                                << "Homing Speed" << ctrl(Qt::Key_H);
    QTest::newRow("jog") << "mnujog"
                         << "Jog Speed" << ctrl(Qt::Key_J);
    QTest::newRow("dir") << "mnudir"
                         << "Set Forward Direction" << none;
    QTest::newRow("sensor") << "mnusenlogic"
                            << "Set Limit Sensor Logic" << none;
    QTest::newRow("manual") << "mnu7man"
                            << "&Manual" << none;
    QTest::newRow("online") << "mnu7online"
                            << "&Online" << none;
    QTest::newRow("monitor") << "mnu7moni"
                             << "Mo&nitor" << none;
    QTest::newRow("help") << "help"
                          << "&Help" << none;
    QTest::newRow("about") << "helpabout"
                           << "About KVT7 communication software" << none;
    QTest::newRow("exit") << "mnu7exit"
                          << "E&xit" << none;
}

void TestKvt7Panels::menuCaptionsAndShortcuts()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, shortcut);
    Rig rig;
    QAction* a = rig.action(name);
    QCOMPARE(a->text(), caption);
    QCOMPARE(a->shortcut(), shortcut);
}

void TestKvt7Panels::framesKeepTheirPlace()
{
    Rig rig;
    QList<QRect> before;
    const QStringList frames = {"fraeditor", "fraonline", "framanual", "framoni", "fraresponse"};
    for (const QString& name : frames)
        before << rig.frame(name)->geometry();
    // The reply frame is as wide as the manual frame under it, and twice the online frame's
    // left neighbour distance: proportions of the drawing survive the scaling.
    QCOMPARE(before[4].width(), before[2].width());
    QVERIFY(before[4].left() > before[0].right());
    for (const char* step : {"mnueact", "mnuoact", "mnumact", "mnunact", "mnueclose", "mnuoclose",
                             "mnumclose", "mnunclose", "mnueact", "mnuoact", "mnumact", "mnunact"})
        rig.run(QLatin1String(step));
    for (int i = 0; i < frames.size(); ++i)
        QCOMPARE(rig.frame(frames[i])->geometry(), before[i]);
}

void TestKvt7Panels::manualCaptions_data()
{
    QTest::addColumn<QString>("bar");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("option"); // clicked after the bar moved, or empty
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("caption");
    QTest::newRow("initial G00") << "" << 0 << "" << 0 << "G00,+0";
    QTest::newRow("initial G10") << "" << 0 << "" << 1 << "G10,+0";
    QTest::newRow("initial G15") << "" << 0 << "" << 2 << "G15,+0";
    QTest::newRow("initial G16") << "" << 0 << "" << 3 << "G16,+0";
    QTest::newRow("initial G20") << "" << 0 << "" << 4 << "G20,0,+";
    QTest::newRow("initial G21") << "" << 0 << "" << 5 << "G21,0,+";
    QTest::newRow("initial M2n") << "" << 0 << "" << 9 << "M20+";
    QTest::newRow("initial TRG") << "" << 0 << "" << 11 << "TRG0";
    QTest::newRow("initial DELP") << "" << 0 << "" << 8 << "DELP0";
    QTest::newRow("fixed G27") << "" << 0 << "" << 6 << "G27";
    QTest::newRow("fixed G92") << "" << 0 << "" << 7 << "G92,0";
    QTest::newRow("fixed M28") << "" << 0 << "" << 10 << "M28";
    QTest::newRow("G00 2000") << "hscg00" << 2000 << "" << 0 << "G00,+2000";
    QTest::newRow("G00 low end") << "hscg00" << -32767 << "" << 0 << "G00,-32767";
    QTest::newRow("G00 high end") << "hscg00" << 32767 << "" << 0 << "G00,+32767";
    QTest::newRow("G00 beyond the end") << "hscg00" << 40000 << "" << 0 << "G00,+32767";
    QTest::newRow("G10 -150") << "hscg10" << -150 << "" << 1 << "G10,-150";
    QTest::newRow("G15 1") << "hscg15" << 1 << "" << 2 << "G15,+1";
    QTest::newRow("G16 -1") << "hscg16" << -1 << "" << 3 << "G16,-1";
    QTest::newRow("G20 rev") << "hscg20" << 3 << "optg20_1" << 4 << "G20,3,-";
    QTest::newRow("G20 4 rev") << "hscg20" << 4 << "optg20_1" << 4 << "G20,4,-";
    QTest::newRow("G20 forw again") << "hscg20" << 4 << "optg20_0" << 4 << "G20,4,+";
    QTest::newRow("G20 beyond 4") << "hscg20" << 9 << "" << 4 << "G20,4,+";
    QTest::newRow("G21 rev") << "hscg21" << 2 << "optg21_1" << 5 << "G21,2,-";
    QTest::newRow("output off before any scroll") << "" << 0 << "optop_1" << 9 << "M20-";
    QTest::newRow("output 1 on") << "hscop" << 1 << "optop_0" << 9 << "M21+";
    QTest::newRow("output 2 off") << "hscop" << 2 << "optop_1" << 9 << "M22-";
    QTest::newRow("trigger 2") << "hsctrg" << 2 << "" << 11 << "TRG2";
    QTest::newRow("trigger beyond 3") << "hsctrg" << 7 << "" << 11 << "TRG3";
    QTest::newRow("delete 1") << "hscdelprg" << 1 << "" << 8 << "DELP1";
}

void TestKvt7Panels::manualCaptions()
{
    QFETCH(QString, bar);
    QFETCH(int, value);
    QFETCH(QString, option);
    QFETCH(int, button);
    QFETCH(QString, caption);
    Rig rig;
    rig.run(QStringLiteral("mnumact"));
    if (!bar.isEmpty())
        rig.find<QScrollBar>(bar)->setValue(value);
    if (!option.isEmpty())
        QTest::mouseClick(rig.find<QRadioButton>(option), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(rig.manual()->cmdman[button]->text(), caption);
}

void TestKvt7Panels::manualButtonsSendTheirCaption_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QByteArray>("bytes");
    const QList<QByteArray> expected = {"G00,+250\r", "G10,-5\r",  "G15,+0\r", "G16,+0\r",
                                        "G20,1,-\r",  "G21,0,+\r", "G27\r",    "G92,0\r",
                                        "",           "M22+\r",    "M28\r",    "TRG3\r"};
    for (int i = 0; i < 12; ++i)
        if (i != 8)
            QTest::addRow("cmdman %d", i) << i << expected[i];
}

void TestKvt7Panels::manualButtonsSendTheirCaption()
{
    QFETCH(int, button);
    QFETCH(QByteArray, bytes);
    Rig rig;
    rig.run(QStringLiteral("mnumact"));
    ManualPanel* m = rig.manual();
    m->hscg00->setValue(250);
    m->hscg10->setValue(-5);
    m->hscg20->setValue(1);
    QTest::mouseClick(m->optg20[1], Qt::LeftButton, {}, QPoint(5, 5));
    m->hscop->setValue(2);
    m->hsctrg->setValue(3);
    QCOMPARE(rig.sendAndWait(m->cmdman[button]), bytes);
    QCOMPARE(rig.port->writes.size(), bytes.size()); // one write per character
    QVERIFY(rig.op.messages.isEmpty());
}

void TestKvt7Panels::programDelete_data()
{
    QTest::addColumn<int>("program");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("untouched, yes") << -1 << true << QByteArray("DELP0\r");
    QTest::newRow("program 3, yes") << 3 << true << QByteArray("DELP3\r");
    QTest::newRow("program 2, no") << 2 << false << QByteArray();
}

void TestKvt7Panels::programDelete()
{
    QFETCH(int, program);
    QFETCH(bool, yes);
    QFETCH(QByteArray, bytes);
    Rig rig;
    rig.run(QStringLiteral("mnumact"));
    if (program >= 0)
        rig.manual()->hscdelprg->setValue(program);
    rig.op.answerNext(yes ? MessageAnswer::Yes : MessageAnswer::No);
    QCOMPARE(rig.sendAndWait(rig.manual()->cmdman[8]), bytes);
    const QString shown = QString::number(qMax(program, 0));
    QCOMPARE(rig.op.messages,
             QList<Message>{(Message{"Are you sure you want to delete program #" + shown,
                                     QStringLiteral("Delete Program"), MessageIcon::Question,
                                     MessageButtons::YesNo})});
}

void TestKvt7Panels::monitorQueries_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("program");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("setup") << 0 << 0 << "     SETUP PARAMETER" << QByteArray("DSP\r");
    QTest::newRow("position") << 1 << 0 << "CURRENT POSITION" << QByteArray("POS\r");
    QTest::newRow("inputs") << 2 << 0 << " INPUT STATUS" << QByteArray("RD.IN\r");
    QTest::newRow("outputs") << 3 << 0 << "OUTPUT STATUS" << QByteArray("RD.OUT\r");
    QTest::newRow("program 0") << 4 << 0 << "PROGRAM DISPLAY" << QByteArray("DP0\r");
    QTest::newRow("program 1") << 4 << 1 << "PROGRAM DISPLAY" << QByteArray("DP1\r");
    QTest::newRow("program 2") << 4 << 2 << "PROGRAM DISPLAY" << QByteArray("DP2\r");
    QTest::newRow("program 3") << 4 << 3 << "PROGRAM DISPLAY" << QByteArray("DP3\r");
    QTest::newRow("none chosen") << 4 << -1 << "PROGRAM DISPLAY" << QByteArray("DP3\r");
}

void TestKvt7Panels::monitorQueries()
{
    QFETCH(int, button);
    QFETCH(int, program);
    QFETCH(QString, caption);
    QFETCH(QByteArray, bytes);
    Rig rig;
    rig.run(QStringLiteral("click framoni"));
    MonitorPanel* m = rig.monitor();
    QVERIFY(m->optprg[0]->isChecked());
    if (program >= 0) {
        QTest::mouseClick(m->optprg[program], Qt::LeftButton, {}, QPoint(5, 5));
    } else {
        m->optprg[0]->group()->setExclusive(false);
        m->optprg[0]->setChecked(false);
    }
    QCOMPARE(m->cmdmoni[button]->text(), caption);
    QCOMPARE(rig.sendAndWait(m->cmdmoni[button]), bytes);
}

void TestKvt7Panels::inactivePanelCannotSend()
{
    Rig rig;
    rig.run(QStringLiteral("click framoni"));
    QPushButton* home = rig.manual()->cmdman[6];
    // Through the window system, so the click lands wherever the pointer is.
    QTest::mouseClick(rig.window->windowHandle(), Qt::LeftButton, {},
                      home->mapTo(rig.window.get(), home->rect().center()));
    QTest::keyClicks(rig.find<QLineEdit>(QStringLiteral("txtonline")), QStringLiteral("pos\r"));
    QTest::qWait(20);
    QCOMPARE(rig.port->written(), QByteArray());
    // The click on a disabled button reached its frame and activated the manual panel.
    QCOMPARE(rig.activeLooks(), QStringLiteral("framanual"));
}

void TestKvt7Panels::setupMenuOpensDialogs_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("title");
    QTest::newRow("running") << "mnuspeed"
                             << "frmspeed"
                             << "SET RUNNING SPEED PARAMETER";
    QTest::newRow("homing") << "mnuhspeed"
                            << "frmspeed"
                            << "SET HOME SEARCH SPEED PARAMETER";
    QTest::newRow("jog") << "mnujog"
                         << "frmjog"
                         << "SET JOG SPEED";
    QTest::newRow("direction") << "mnudir"
                               << "frmdirset"
                               << "SET MOTOR FORWARD DIRECTION";
    QTest::newRow("sensor") << "mnusenlogic"
                            << "frmsenlog"
                            << "SET END LIMITS SENSOR LOGIC LEVEL ";
}

void TestKvt7Panels::setupMenuOpensDialogs()
{
    QFETCH(QString, item);
    QFETCH(QString, dialog);
    QFETCH(QString, title);
    Rig rig;
    auto opened = [&] {
        QList<QWidget*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == dialog && w->isVisible())
                found << w;
        return found;
    };
    rig.action(item)->trigger();
    QCOMPARE(opened().size(), 1);
    QCOMPARE(opened().at(0)->windowTitle(), title);
    rig.action(item)->trigger(); // the open dialog is reused
    QCOMPARE(opened().size(), 1);
    rig.action(QStringLiteral("mnu7exit"))->trigger();
    QVERIFY(opened().isEmpty());
}

QTEST_MAIN(TestKvt7Panels)
#include "tst_kvt7panels.moc"
