#include "frontend/PanelLook.h"
#include "frontend/ReplyDisplay.h"

#include <QAccessible>
#include <QGroupBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace kvt;

Q_DECLARE_METATYPE(kvt::ReplyDisplay::Change)

class TestPanelLook : public QObject {
    Q_OBJECT
    QTemporaryDir m_remembered;

private Q_SLOTS:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_remembered.path());
    }

    void contrastRatio()
    {
        QCOMPARE(qRound(look::contrastRatio(look::black, look::white) * 100), 2100);
        QCOMPARE(qRound(look::contrastRatio(look::responseText, look::responseBack) * 100), 259);
    }

    void highContrastReadsWell_data()
    {
        QTest::addColumn<QColor>("back");
        const QColor backs[] = {look::inactiveBack, look::white,       look::editorFrame,
                                look::onlineFrame,  look::onlineEntry, look::onlineHistory,
                                look::manualBack,   look::monitorBack, look::responseBack};
        for (const QColor& back : backs)
            QTest::newRow(qPrintable(back.name())) << back;
    }

    void highContrastReadsWell()
    {
        QFETCH(QColor, back);
        const look::Colours shown =
            look::highContrast({back, look::inactiveText}, look::Surface::Panel);
        QVERIFY(look::contrastRatio(shown.back, shown.text) >= 7.0);
        // A colour that reads well already keeps its hue.
        QCOMPARE(shown.back == back, qMax(look::contrastRatio(back, look::black),
                                          look::contrastRatio(back, look::white)) >= 7.0);
    }

    void switchingRepaintsAndReads()
    {
        QGroupBox panel(QStringLiteral("EDITOR"));
        new QVBoxLayout(&panel); // a child of the frame that is not its caption's
        look::paint(&panel, look::inactiveBack, look::inactiveText);
        ReplyDisplay replies(19);
        look::paint(&replies, look::responseBack, look::responseText);
        panel.show();
        panel.setTitle(QStringLiteral("ONLINE")); // an upload retitles an inactive frame
        QTRY_COMPARE(panel.accessibleName(), QStringLiteral("ONLINE (inactive)"));

        look::LookSwitch::instance().choose(true);
        QCOMPARE(replies.palette().color(QPalette::Window), look::white);
        QCOMPARE(replies.palette().color(QPalette::WindowText), look::black);
        // The design colours stay what the window tells its panels' states by.
        QCOMPARE(look::background(&panel), look::inactiveBack);
        look::paint(&panel, look::onlineFrame, look::black);
        QVERIFY(panel.accessibleName().isEmpty());
        QVERIFY(QSettings().value(QStringLiteral("view/highContrast")).toBool());

        look::LookSwitch::instance().choose(false);
        QCOMPARE(replies.palette().color(QPalette::Window), look::responseBack);
        QCOMPARE(replies.palette().color(QPalette::WindowText), look::responseText);

        replies.appendReceived(QStringLiteral("OK\r\nP=5"));
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&replies);
        QVERIFY(reader->textInterface());
        QCOMPARE(reader->textInterface()->text(4, 7), QStringLiteral("P=5"));
        QCOMPARE(reader->text(QAccessible::Name), replies.text());
    }

    void replyChanges_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("now");
        QTest::addColumn<int>("appended");
        QTest::addColumn<ReplyDisplay::Change>("change");
        const QString ok = QStringLiteral("OK\r\n");
        const QString timeout = QStringLiteral("Upload timeout error ! ");
        QTest::newRow("appended") << ok << ok + "P=5" << 3 << ReplyDisplay::Change{"", 4, "P=5"};
        QTest::newRow("oldest dropped") << ok + "P=5\r\n"
                                        << "P=5\r\nEND" << 3 << ReplyDisplay::Change{ok, 5, "END"};
        QTest::newRow("more than is kept") << ok << "B" << 9 << ReplyDisplay::Change{ok, 0, "B"};
        QTest::newRow("replaced") << ok << timeout << -1 << ReplyDisplay::Change{ok, 0, timeout};
    }

    void replyChanges()
    {
        QFETCH(QString, before);
        QFETCH(QString, now);
        QFETCH(int, appended);
        QTEST(ReplyDisplay::changeOf(before, now, appended), "change");
    }
};

QTEST_MAIN(TestPanelLook)
#include "tst_panellook.moc"
