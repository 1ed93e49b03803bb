#include "kvt7/Kvt7Window.h"
#include "support/FakeSerialPort.h"
#include "support/ScriptedOperator.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

using namespace kvt;
using kvt::test::FakeSerialPort;
using kvt::test::ScriptedOperator;

// What a screen reader hears: every control the operator works with has a name.
class TestAccessibility : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyControlHasAName();
};

void TestAccessibility::everyControlHasAName()
{
    ScriptedOperator op;
    Kvt7Window window(op, std::make_unique<FakeSerialPort>());
    window.initialise();
    window.show();
    QStringList unnamed;
    int checked = 0;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QGroupBox*>(w) || qobject_cast<QScrollBar*>(w) ||
                             (qobject_cast<QLabel*>(w) && !w->objectName().isEmpty()) ||
                             (qobject_cast<QAbstractScrollArea*>(w) && !w->objectName().isEmpty());
        if (!control || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        // Scroll bars inside text boxes belong to the box.
        if (qobject_cast<QScrollBar*>(w) && w->objectName().isEmpty())
            continue;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        QVERIFY(iface);
        ++checked;
        if (iface->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QStringLiteral("%1 (%2)").arg(w->objectName(),
                                                     QLatin1String(w->metaObject()->className()));
    }
    QVERIFY2(checked >= 55, qPrintable(QString::number(checked)));
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
