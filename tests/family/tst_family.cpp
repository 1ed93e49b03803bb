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
    void models()
    {
        QStringList shown; // in the start-up window's order
        for (const Model& model : ModelCatalogue::models()) {
            const QString name = QString::fromLatin1(model.commandLineName);
            QCOMPARE(ModelCatalogue::named(name), &model);
            shown << QStringLiteral("%1 %2 %3 %4 %5")
                         .arg(name, model.name())
                         .arg(int(model.family))
                         .arg(model.number.value_or(0))
                         .arg(QLatin1String(model.caption));
        }
        QCOMPARE(shown, (QStringList{"kvt7 KVT7 0 0 ",
                                     "kvt31 KVT31 1 1 KVT31 COMMUNICATION INTERFACE",
                                     "kvt33 KVT33 1 2 KVT33 COMMUNICATION INTERFACE",
                                     "kvt52 KVT52 2 2 KVT52 COMMUNICATION INTERFACE",
                                     "px52 PX52 2 12 PX52 COMMUNICATION INTERFACE",
                                     "kvt54 KVT54 2 4 KVT54 COMMUNICATION INTERFACE",
                                     "px54 PX54 2 14 PX54 COMMUNICATION INTERFACE"}));
        // As the command line's messages list them.
        QCOMPARE(ModelCatalogue::commandLineNames().join(u' '),
                 QStringLiteral("kvt7 kvt31 kvt33 kvt52 kvt54 px52 px54"));
        QVERIFY(!ModelCatalogue::named(QStringLiteral("KVT7"))); // as typed, lower case
    }

    void portSetupAndBlockCommands()
    {
        QStringList setups;
        for (const Family family : {Family::Kvt7, Family::Kvt31_33, Family::Kvt52}) {
            // Only the four models take the operator's choice.
            const PortSetup setup = portSetupFor(family, QStringLiteral("4800,E,7,2"));
            setups << QStringLiteral("%1 %2/%3 %4")
                          .arg(setup.settings)
                          .arg(setup.inputLength)
                          .arg(setup.receiveThreshold)
                          .arg(setup.handshaking == Handshaking::RtsCts ? "RTS/CTS" : "none");
        }
        QCOMPARE(setups, (QStringList{"9600,N,8,1 0/1 none", "1200,N,8,1 0/2 RTS/CTS",
                                      "4800,E,7,2 2/2 RTS/CTS"}));
        QStringList all;
        for (BlockKind kind : blockKinds)
            all << downloadCommand(kind) + u'/' + uploadCommand(kind) + u' ' + blockKindName(kind);
        QCOMPARE(all,
                 (QStringList{"S00/S03 PROGRAM", "S01/S04 POSITION DATA", "S02/S05 PARAMETER"}));
    }
};

QTEST_GUILESS_MAIN(TestFamily)
#include "tst_family.moc"
