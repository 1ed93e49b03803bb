#include "family/BlockCommands.h"
#include "family/ModelCatalogue.h"
#include "family/PortSetup.h"

#include <QTest>

using namespace kvt;

// What the controllers and the windows' texts depend on: a wrong number
// names the wrong controller, a wrong command or setting talks past it.
class TestFamily : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void models_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("family");
        QTest::addColumn<int>("number"); // 0: none
        QTest::addColumn<QString>("caption");
        const auto row = [](const char* name, Family family, int number, const char* caption) {
            QTest::newRow(name) << QString(name) << int(family) << number << QString(caption);
        };
        row("kvt7", Family::Kvt7, 0, "");
        row("kvt31", Family::Kvt31_33, 1, "KVT31 COMMUNICATION INTERFACE");
        row("kvt33", Family::Kvt31_33, 2, "KVT33 COMMUNICATION INTERFACE");
        row("kvt52", Family::Kvt52, 2, "KVT52 COMMUNICATION INTERFACE");
        row("px52", Family::Kvt52, 12, "PX52 COMMUNICATION INTERFACE");
        row("kvt54", Family::Kvt52, 4, "KVT54 COMMUNICATION INTERFACE");
        row("px54", Family::Kvt52, 14, "PX54 COMMUNICATION INTERFACE");
    }

    void models()
    {
        QFETCH(QString, name);
        const Model* model = ModelCatalogue::named(name);
        QVERIFY(model);
        QCOMPARE(model->name(), name.toUpper());
        QTEST(int(model->family), "family");
        QTEST(int(model->number.value_or(0)), "number");
        QTEST(QString::fromLatin1(model->caption), "caption");
    }

    void order()
    {
        QStringList shown;
        for (const Model& model : ModelCatalogue::models())
            shown.append(model.name());
        QCOMPARE(shown.join(u' '), QStringLiteral("KVT7 KVT31 KVT33 KVT52 PX52 KVT54 PX54"));
        // As the command line's messages list them.
        QCOMPARE(ModelCatalogue::commandLineNames().join(u' '),
                 QStringLiteral("kvt7 kvt31 kvt33 kvt52 kvt54 px52 px54"));
        QVERIFY(!ModelCatalogue::named(QStringLiteral("KVT7"))); // as typed, lower case
    }

    void portSetup_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("inputLength");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<bool>("rtsCts");
        QTest::newRow("kvt7") << int(Family::Kvt7) << "9600,N,8,1" << 0 << 1 << false;
        QTest::newRow("kvt31_33") << int(Family::Kvt31_33) << "1200,N,8,1" << 0 << 2 << true;
        QTest::newRow("kvt52") << int(Family::Kvt52) << "4800,E,7,2" << 2 << 2 << true;
    }

    void portSetup()
    {
        QFETCH(int, family);
        // Only the four models take the operator's choice.
        const PortSetup setup = portSetupFor(Family(family), QStringLiteral("4800,E,7,2"));
        QTEST(setup.settings, "settings");
        QTEST(setup.inputLength, "inputLength");
        QTEST(setup.receiveThreshold, "threshold");
        QTEST(setup.handshaking == Handshaking::RtsCts, "rtsCts");
    }

    void blockCommands()
    {
        QStringList all;
        for (BlockKind kind : blockKinds)
            all << downloadCommand(kind) + u'/' + uploadCommand(kind) + u' ' + blockKindName(kind);
        QCOMPARE(all,
                 (QStringList{"S00/S03 PROGRAM", "S01/S04 POSITION DATA", "S02/S05 PARAMETER"}));
    }
};

QTEST_GUILESS_MAIN(TestFamily)
#include "tst_family.moc"
