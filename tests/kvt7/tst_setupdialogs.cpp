#include "support/WindowRig.h"

#include "base/NumberText.h"
#include "kvt7/Kvt7Window.h"
#include "kvt7/SetupDialog.h"
#include "kvt7/Spinner.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>

using namespace kvt;
using namespace std::chrono_literals;

namespace {

// The dialogs as the KVT7 window's Setup menu opens them, with its start values.
struct Rig : test::WindowRig<Kvt7Window> {
    Rig() : WindowRig(timings()) { initialised(); }
    static Timings timings()
    {
        Timings t = WindowRig::timings();
        t.speedLinePause = 5ms;
        t.jogValuePause = 5ms;
        return t;
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

class TestSetupDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
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

QTEST_MAIN(TestSetupDialogs)
#include "tst_setupdialogs.moc"
