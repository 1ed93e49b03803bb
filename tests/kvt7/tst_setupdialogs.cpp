#include "support/WindowRig.h"

#include "kvt7/Kvt7Window.h"
#include "kvt7/ManualCommands.h"
#include "kvt7/SetupDialog.h"
#include "kvt7/Spinner.h"
#include "link/NumberText.h"
#include "shell/Module1.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace kvt;
using namespace std::chrono_literals;

namespace {

// The dialogs as the KVT7 window's Setup menu opens them, with its start values.
struct Rig : test::WindowRig<Kvt7Window> {
    Rig() : WindowRig(timings()) { initialised(); }
    ~Rig()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != window.get() && qobject_cast<QDialog*>(w))
                delete w;
    }
    static Timings timings()
    {
        Timings t = WindowRig::timings();
        t.speedLinePause = 5ms;
        t.jogValuePause = 5ms;
        return t;
    }
    // "running", "homing", "jog", "dir" or "senlog".
    QDialog* open(const QString& which)
    {
        const QHash<QString, QPair<const char*, const char*>> items{
            {"running", {"mnuspeed", "frmspeed"}},
            {"homing", {"mnuhspeed", "frmspeed"}},
            {"jog", {"mnujog", "frmjog"}},
            {"dir", {"mnudir", "frmdirset"}},
            {"senlog", {"mnusenlogic", "frmsenlog"}}};
        trigger(QLatin1String(items[which].first));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(items[which].second) && w->isVisible())
                return qobject_cast<QDialog*>(w);
        qFatal("no dialog %s", qPrintable(which));
    }
    template <class Widget> static Widget* child(QObject* dialog, const QString& name)
    {
        auto* widget = dialog->findChild<Widget*>(name);
        if (!widget)
            qFatal("no widget %s", qPrintable(name));
        return widget;
    }
    static QPushButton* okButton(QDialog* dialog)
    {
        for (const char* name : {"cmdset", "cmdjogspeed", "cmddirset", "cmdsenlog"})
            if (auto* button = dialog->findChild<QPushButton*>(QLatin1String(name)))
                return button;
        qFatal("no OK button");
    }
    QStringList lines() const
    {
        QStringList all = QString::fromLatin1(port->written()).split(QLatin1Char('\r'));
        all.removeLast();
        return all;
    }
};

} // namespace

class TestSetupDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void numbers_data();
    void numbers();
    void manualCommands_data();
    void manualCommands();
    void okSendsLines_data();
    void okSendsLines();
    void enterChecksRange_data();
    void enterChecksRange();
    void spinnerRaisesAndStores();
    void secondOkSendsNothingAndDialogsGoWithTheWindow();
};

void TestSetupDialogs::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("rounded");
    QTest::addColumn<QString>("plain");
    QTest::newRow("whole") << "500" << 500.0 << 500 << "500";
    QTest::newRow("blank in front") << " \t7" << 7.0 << 7 << "7";
    QTest::newRow("letters end it") << "12ab" << 12.0 << 12 << "12";
    QTest::newRow("no exponent") << "1e3" << 1.0 << 1 << "1";
    QTest::newRow("plus sign") << "+8" << 8.0 << 8 << "8";
    QTest::newRow("negative") << "-3" << -3.0 << -3 << "-3";
    QTest::newRow("minus zero") << "-0" << 0.0 << 0 << "0";
    QTest::newRow("empty") << "" << 0.0 << 0 << "0";
    QTest::newRow("half to even down") << "2.5" << 2.5 << 2 << "2.5";
    QTest::newRow("half to even up") << "3.5" << 3.5 << 4 << "3.5";
    QTest::newRow("fraction") << "1.40" << 1.4 << 1 << "1.4";
}

void TestSetupDialogs::numbers()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(int, rounded);
    QFETCH(QString, plain);
    QCOMPARE(numericValue(text), value);
    QCOMPARE(roundHalfEven(numericValue(text)), rounded);
    QCOMPARE(SetupDialog::plainDecimal(numericValue(text)), plain);
}

void TestSetupDialogs::manualCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("expected");
    QTest::newRow("move forward") << manual::moveCommand("G00", 250) << "G00,+250";
    QTest::newRow("move back") << manual::moveCommand("G10", -5) << "G10,-5";
    QTest::newRow("zero moves forward") << manual::moveCommand("G15", 0) << "G15,+0";
    QTest::newRow("search back") << manual::searchCommand("G20", 1, false) << "G20,1,-";
    QTest::newRow("search forward") << manual::searchCommand("G21", 0, true) << "G21,0,+";
    QTest::newRow("output on") << manual::outputCommand(2, true) << "M22+";
    QTest::newRow("output off") << manual::outputCommand(7, false) << "M27-";
    QTest::newRow("trigger") << manual::triggerCommand(3) << "TRG3";
    QTest::newRow("delete") << manual::deleteCommand(0) << "DELP0";
    QTest::newRow("question") << manual::deleteQuestion(2)
                              << "Are you sure you want to delete program #2";
}

void TestSetupDialogs::manualCommands()
{
    QFETCH(QString, command);
    QFETCH(QString, expected);
    QCOMPARE(command, expected);
}

void TestSetupDialogs::okSendsLines_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("box"); // or the option to click
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("told");
    const auto row = [](const char* name, const char* dialog, const char* box, const char* typed,
                        const char* lines, const char* told = "") {
        QTest::newRow(name) << dialog << box << typed << lines << told;
    };
    row("running defaults", "running", "", "", "PROF|500|5000|1");
    row("homing defaults", "homing", "", "", "PROFH|400|1000|1");
    row("fraction keeps its point", "running", "txtaccel", "1.5", "PROF|500|5000|1.5");
    row("out of range corrected", "running", "txtstartsp", "50", "PROF|100|5000|1",
        "Value out of range !");
    row("jog as typed", "jog", "txtjogspeed", "800x", "JOG|800x");
    row("jog out of range corrected", "jog", "txtjogspeed", "50", "JOG|100",
        "Jog speed too low, please set again ! (100~4000 PPS)");
    row("dir none", "dir", "", "", "CCW");
    row("dir CW", "dir", "optdir_0", "", "CW");
    row("senlog NO", "senlog", "optsenlog_0", "", "SEN.NO");
}

void TestSetupDialogs::okSendsLines()
{
    QFETCH(QString, dialog);
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, lines);
    QFETCH(QString, told);
    Rig rig;
    const QPointer<QDialog> shown = rig.open(dialog);
    if (box.startsWith(QLatin1String("opt"))) {
        QTest::mouseClick(Rig::child<QRadioButton>(shown, box), Qt::LeftButton);
    } else if (!box.isEmpty()) {
        auto* edit = Rig::child<QLineEdit>(shown, box);
        edit->clear();
        QTest::keyClicks(edit, typed);
    }
    QTest::mouseClick(Rig::okButton(shown), Qt::LeftButton);
    QTRY_VERIFY(shown.isNull());
    QCOMPARE(rig.lines(), lines.split(QLatin1Char('|')));
    QCOMPARE(rig.op.messages.size(), told.isEmpty() ? 0 : 1);
    if (!told.isEmpty())
        QCOMPARE(rig.op.messages.at(0).text, told);
}

void TestSetupDialogs::enterChecksRange_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("stored");
    const auto row = [](const char* name, const char* dialog, const char* box, const char* typed,
                        const char* shown, const char* message, int stored) {
        QTest::newRow(name) << dialog << box << typed << shown << message << stored;
    };
    const char* range = "Value out of range !";
    row("start below", "running", "txtstartsp", "99", "100", range, 100);
    row("start bound", "running", "txtstartsp", "4000", "4000", "", 4000);
    row("max above", "running", "txtmaxsp", "15001", "15000", range, 15000);
    row("homing max above", "homing", "txtmaxsp", "10001", "10000", range, 10000);
    row("accel half to even", "running", "txtaccel", "2.5", "2", "", 2);
    // The spinner does not move, so the box keeps what the operator typed.
    row("accel stays as typed", "running", "txtaccel", "1.4", "1.4", "", 1);
    row("jog stays as typed", "jog", "txtjogspeed", "800x", "800x", "", 800);
    row("jog below", "jog", "txtjogspeed", "99", "100",
        "Jog speed too low, please set again ! (100~4000 PPS)", 100);
    row("jog above", "jog", "txtjogspeed", "4001", "4000",
        "Jog speed too high, please set again ! (100~4000 PPS)", 4000);
}

void TestSetupDialogs::enterChecksRange()
{
    QFETCH(QString, dialog);
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    QFETCH(int, stored);
    Rig rig;
    QDialog* opened = rig.open(dialog);
    auto* edit = Rig::child<QLineEdit>(opened, box);
    edit->clear();
    QTest::keyClicks(edit, typed);
    QString textWhenTold;
    rig.op.onMessage = [&](const Message&) { textWhenTold = edit->text(); };
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(rig.op.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(rig.op.messages.at(0).text, message);
        QCOMPARE(textWhenTold, typed); // told first, corrected after
    }
    QCOMPARE(edit->text(), shown);
    const qint16 global = box == "txtjogspeed" ? Module1::JogSpeed
                          : box == "txtaccel"  ? Module1::RunAccel
                          : box == "txtmaxsp"
                              ? (dialog == "homing" ? Module1::HomeMaxSpeed : Module1::RunMaxSpeed)
                              : Module1::RunStartSpeed;
    QCOMPARE(int(global), stored);
    // Enter belongs to the box: it neither sends nor closes.
    QVERIFY(rig.port->writes.isEmpty());
    QVERIFY(opened->isVisible());
}

void TestSetupDialogs::spinnerRaisesAndStores()
{
    Rig rig;
    QDialog* dialog = rig.open(QStringLiteral("running"));
    auto* spinner = Rig::child<Spinner>(dialog, QStringLiteral("vsbstartsp"));
    QTest::keyClick(spinner, Qt::Key_Up);
    QCOMPARE(Rig::child<QLineEdit>(dialog, QStringLiteral("txtstartsp"))->text(),
             QStringLiteral("600"));
    QCOMPARE(Module1::RunStartSpeed, qint16(600));
    // Cancel keeps what the spinner stored but sends nothing.
    Rig::child<QPushButton>(dialog, QStringLiteral("cmdcancel"))->click();
    QVERIFY(rig.port->writes.isEmpty());
    QCOMPARE(Module1::RunStartSpeed, qint16(600));
}

void TestSetupDialogs::secondOkSendsNothingAndDialogsGoWithTheWindow()
{
    Rig rig;
    const QPointer<QDialog> dialog = rig.open(QStringLiteral("jog"));
    QPushButton* ok = Rig::okButton(dialog);
    ok->click();
    ok->click();
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(rig.lines(), (QStringList{"JOG", "800"}));

    // The dialogs send through the window's link; they go with the window.
    QList<QPointer<QDialog>> open;
    for (const char* which : {"running", "jog", "dir", "senlog"})
        open << rig.open(QLatin1String(which));
    rig.trigger(QStringLiteral("mnu7exit"));
    for (const QPointer<QDialog>& dialog : open)
        QVERIFY(dialog.isNull() || !dialog->isVisible());
}

QTEST_MAIN(TestSetupDialogs)
#include "tst_setupdialogs.moc"
