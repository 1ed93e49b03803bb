#include "kvt7/CommandRecall.h"
#include "kvt7/ManualCommands.h"
#include "kvt7/PlanScale.h"
#include "kvt7/SetupSequences.h"

#include <QTest>

using namespace kvt;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(kvt::manual::Settings)
Q_DECLARE_METATYPE(kvt::SerialLink::Step)

class TestKvt7Commands : public QObject {
    Q_OBJECT
private Q_SLOTS:
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
};

QTEST_GUILESS_MAIN(TestKvt7Commands)
#include "tst_kvt7commands.moc"
