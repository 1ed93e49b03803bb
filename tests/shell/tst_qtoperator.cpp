#include "shell/QtOperator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

using namespace kvt;

Q_DECLARE_METATYPE(kvt::MessageIcon)
Q_DECLARE_METATYPE(kvt::MessageButtons)
Q_DECLARE_METATYPE(kvt::MessageAnswer)

class QtOperatorTest : public QObject {
    Q_OBJECT

private:
    enum class Act { Enter, Escape, CloseBox, ClickNo };

    // Acts on the box once it runs modally, the way the operator would.
    static void whenBoxOpens(Act act, QString* seenTitle)
    {
        QTimer::singleShot(0, [act, seenTitle] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return; // the test then times out on its answer and fails
            *seenTitle = box->windowTitle();
            switch (act) {
            case Act::Enter:
                QTest::keyClick(box, Qt::Key_Return);
                break;
            case Act::Escape:
                QTest::keyClick(box, Qt::Key_Escape);
                break;
            case Act::CloseBox:
                box->windowHandle()->close();
                break;
            case Act::ClickNo:
                box->button(QMessageBox::No)->click();
                break;
            }
        });
    }

private Q_SLOTS:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("kvtcomm")); }

    void operatorAnswers_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<MessageButtons>("buttons");
        QTest::addColumn<Act>("act");
        QTest::addColumn<QString>("boxTitle");
        QTest::addColumn<MessageAnswer>("answer");

        const QString port = QStringLiteral("PORT");
        QTest::newRow("untitled shows the program's name")
            << QString() << MessageButtons::Ok << Act::Enter << "kvtcomm" << MessageAnswer::Ok;
        QTest::newRow("Ok, Escape")
            << port << MessageButtons::Ok << Act::Escape << port << MessageAnswer::Ok;
        QTest::newRow("Ok, close box")
            << port << MessageButtons::Ok << Act::CloseBox << port << MessageAnswer::Ok;
        QTest::newRow("OkCancel, Enter")
            << port << MessageButtons::OkCancel << Act::Enter << port << MessageAnswer::Ok;
        QTest::newRow("OkCancel, Escape")
            << port << MessageButtons::OkCancel << Act::Escape << port << MessageAnswer::Cancel;
        QTest::newRow("OkCancel, close box")
            << port << MessageButtons::OkCancel << Act::CloseBox << port << MessageAnswer::Cancel;
        QTest::newRow("YesNo, Enter")
            << port << MessageButtons::YesNo << Act::Enter << port << MessageAnswer::Yes;
        QTest::newRow("YesNo, No")
            << port << MessageButtons::YesNo << Act::ClickNo << port << MessageAnswer::No;
        QTest::newRow("YesNo, Escape")
            << port << MessageButtons::YesNo << Act::Escape << port << MessageAnswer::No;
        QTest::newRow("YesNo, close box")
            << port << MessageButtons::YesNo << Act::CloseBox << port << MessageAnswer::No;
        QTest::newRow("YesNoCancel, Enter")
            << port << MessageButtons::YesNoCancel << Act::Enter << port << MessageAnswer::Yes;
        QTest::newRow("YesNoCancel, No")
            << port << MessageButtons::YesNoCancel << Act::ClickNo << port << MessageAnswer::No;
        QTest::newRow("YesNoCancel, Escape")
            << port << MessageButtons::YesNoCancel << Act::Escape << port << MessageAnswer::Cancel;
        QTest::newRow("YesNoCancel, close box") << port << MessageButtons::YesNoCancel
                                                << Act::CloseBox << port << MessageAnswer::Cancel;
    }

    void operatorAnswers()
    {
        QFETCH(QString, title);
        QFETCH(MessageButtons, buttons);
        QFETCH(Act, act);
        QtOperator op;
        QString seenTitle;
        whenBoxOpens(act, &seenTitle);

        const MessageAnswer answer =
            op.message(nullptr, Message{QStringLiteral("IS KVT7 CURRENTLY CONNECTED TO COM1 "),
                                        title, MessageIcon::Question, buttons});

        QTEST(seenTitle, "boxTitle");
        QTEST(answer, "answer");
    }

    // The window that asked can go away while its box is up; the box goes
    // with it and the caller gets the answer of a box closed without choosing.
    void askingWindowDestroyedWhileBoxIsUp_data()
    {
        QTest::addColumn<MessageButtons>("buttons");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::newRow("Ok") << MessageButtons::Ok << MessageAnswer::Ok;
        QTest::newRow("YesNo") << MessageButtons::YesNo << MessageAnswer::No;
        QTest::newRow("OkCancel") << MessageButtons::OkCancel << MessageAnswer::Cancel;
    }

    void askingWindowDestroyedWhileBoxIsUp()
    {
        QFETCH(MessageButtons, buttons);
        QtOperator op;
        auto* window = new QWidget;
        window->show();
        bool boxWasUp = false;
        QTimer::singleShot(0, window, [window, &boxWasUp] {
            boxWasUp = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
            delete window;
        });

        const MessageAnswer answer = op.message(
            window,
            Message{QStringLiteral("COMMUNICATION FAILED !!"), {}, MessageIcon::Critical, buttons});

        QVERIFY(boxWasUp);
        QTEST(answer, "answer");
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }
};

QTEST_MAIN(QtOperatorTest)
#include "tst_qtoperator.moc"
