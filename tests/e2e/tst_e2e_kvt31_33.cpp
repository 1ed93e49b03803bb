#include "editor/EditorController.h"
#include "family/ModelCatalogue.h"
#include "kvt31_33/Kvt31_33Window.h"
#include "support/SimWindowRig.h"

#include <QAction>
#include <QLabel>
#include <QTest>

using namespace kvt;
using kvt::test::slowMachineMs;

// The KVT31/KVT33 window on the real serial port against kvtsim's keypad
// controller, the keypad stepped as the window's instructions say.
class TestE2eKvt31_33 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void downloadThenUploadThroughTheKeypad();
};

// The two models differ in the start-up boxes only, which the window's own test covers.
void TestE2eKvt31_33::downloadThenUploadThroughTheKeypad()
{
    kvt::test::SimWindowRig<Kvt31_33Window> rig(QStringLiteral("kvt33"));
    QVERIFY2(rig.ready(), qPrintable(rig.whyNotReady()));
    Kvt31_33Window& window = *rig.window;
    test::SimProcess& sim = *rig.sim;
    QCOMPARE(rig.op.messages.size(), 1); // only the COM1 question: the port opened
    auto* response = rig.find<QLabel>("lblresponse");

    QVERIFY(sim.pressKeys(QStringLiteral("NO +/- +/- ENT +/- ENT ENT 5 ENT")));
    QVERIFY(sim.waitForDisplay(QStringLiteral("Receiving  Program")));
    window.editor().setUploadedText(QStringLiteral("m31,5\r\ng00,+1000 to the stop\r\nG27\r\nM30"),
                                    {});
    rig.find<QAction>("mnudownload")->trigger(); // OK in the setup box
    QTRY_VERIFY_WITH_TIMEOUT(!window.transferRunning(), slowMachineMs);
    QCOMPARE(response->text(), QStringLiteral("Download  Completed.        "));
    QVERIFY(sim.waitForDisplay(QStringLiteral("Program 5 Stored")));

    rig.op.answerNext(MessageAnswer::No); // the editor's text need not be saved
    rig.find<QAction>("mnuupload")->trigger();
    QVERIFY(sim.pressKeys(QStringLiteral("NO +/- +/- ENT ENT ENT 5 ENT")));
    QVERIFY(sim.waitForDisplay(QStringLiteral("UPLOAD  READY  ?")));
    QVERIFY(sim.pressKeys(QStringLiteral("ENT")));
    QTRY_VERIFY_WITH_TIMEOUT(!window.transferRunning(), slowMachineMs);
    QCOMPARE(response->text(), QStringLiteral("Program Uploaded . . . "));
    QCOMPARE(window.editor().text(), QStringLiteral("M31,5\r\nG00,+1000\r\nG27\r\nM30\r\n"));
    QCOMPARE(window.editor().caption(), QStringLiteral("EDITOR - Upload # 5"));
    QVERIFY(window.isEnabled());
}

QTEST_MAIN(TestE2eKvt31_33)
#include "tst_e2e_kvt31_33.moc"
