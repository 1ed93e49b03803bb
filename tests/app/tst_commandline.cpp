#include "Version.h"
#include "app/CommandLine.h"

#include <QTest>

using namespace kvt;

Q_DECLARE_METATYPE(kvt::CommandLine::Action)

class CommandLineTest : public QObject {
    Q_OBJECT

private:
    static QStringList withProgram(const QStringList& arguments)
    {
        return QStringList{QStringLiteral("kvtcomm")} + arguments;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("kvtcomm"));
        QCoreApplication::setApplicationVersion(QStringLiteral(KVTCOMM_VERSION));
    }

    void devicesBehindPorts_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("com1");
        QTest::addColumn<QString>("com2");

        const PortMap defaults = PortMap::platformDefault();
        QTest::newRow("none") << QStringList{} << defaults.device(1) << defaults.device(2);
        QTest::newRow("COM1 only")
            << QStringList{"--com1", "/dev/ttyUSB0"} << "/dev/ttyUSB0" << defaults.device(2);
        QTest::newRow("COM2 only")
            << QStringList{"--com2=/dev/pts/7"} << defaults.device(1) << "/dev/pts/7";
        QTest::newRow("both") << QStringList{"--com2", "/dev/ttyUSB1", "--com1", "/dev/ttyACM0"}
                              << "/dev/ttyACM0"
                              << "/dev/ttyUSB1";
    }

    void devicesBehindPorts()
    {
        QFETCH(QStringList, arguments);
        const CommandLine line = CommandLine::parse(withProgram(arguments));

        QCOMPARE(line.action, CommandLine::Action::Run);
        QCOMPARE(line.exitCode(), 0);
        QTEST(line.portMap.device(1), "com1");
        QTEST(line.portMap.device(2), "com2");
    }

    void informationOnly_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<CommandLine::Action>("action");

        QTest::newRow("--version") << "--version" << CommandLine::Action::ShowVersion;
        QTest::newRow("--help") << "--help" << CommandLine::Action::ShowHelp;
        QTest::newRow("-h") << "-h" << CommandLine::Action::ShowHelp;
    }

    void informationOnly()
    {
        QFETCH(QString, argument);
        const CommandLine line =
            CommandLine::parse(withProgram({QStringLiteral("--com1"), "x", argument}));

        QTEST(line.action, "action");
        QCOMPARE(line.exitCode(), 0);
        if (line.action == CommandLine::Action::ShowVersion) {
            QCOMPARE(line.text, QStringLiteral("1.2\n"));
        } else {
            QVERIFY(line.text.contains(QStringLiteral("--com1 <DEVICE>")));
            QVERIFY(line.text.contains(QStringLiteral("--com2 <DEVICE>")));
        }
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("mentions");

        QTest::newRow("unknown option") << QStringList{"--com3", "/dev/ttyS2"} << "com3";
        QTest::newRow("missing device") << QStringList{"--com1"} << "com1";
        QTest::newRow("empty device") << QStringList{"--com2", ""} << "--com2";
        QTest::newRow("blank device") << QStringList{"--com1=  "} << "--com1";
        QTest::newRow("help with Qt's options") << QStringList{"--help-all"} << "help-all";
        QTest::newRow("stray argument") << QStringList{"/dev/ttyUSB0"} << "/dev/ttyUSB0";
    }

    void badArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, mentions);
        const CommandLine line = CommandLine::parse(withProgram(arguments));

        QCOMPARE(line.action, CommandLine::Action::Fail);
        QCOMPARE(line.exitCode(), 2);
        QVERIFY2(line.text.startsWith(QStringLiteral("kvtcomm: ")), qPrintable(line.text));
        QVERIFY2(line.text.contains(mentions), qPrintable(line.text));
        QVERIFY(line.text.contains(QStringLiteral("--help")));
    }
};

QTEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
