#include "shell/MessageWindow.h"
#include "shell/Module1.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

using namespace kvt;

class MessageWindowTest : public QObject {
    Q_OBJECT

private:
    enum class Stop { CancelButton, CloseBox };

    static void stop(MessageWindow* window, Stop how)
    {
        if (how == Stop::CancelButton)
            QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdcancel")),
                              Qt::LeftButton);
        else
            // What the window manager's close box does: a close request on the native window.
            window->windowHandle()->close();
    }

    static MessageWindow* shownWindow(const QString& text)
    {
        MessageWindow* window = MessageWindow::instance();
        window->setWindowTitle(QStringLiteral("DOWNLOADING"));
        window->setMessage(text);
        window->show();
        return window;
    }

    // Runs the deletions deleteLater() scheduled, as the event loop would next.
    static void runDeferredDeletes()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static void transferRunning()
    {
        Module1::UploadActive = True;
        Module1::DownloadActive = True;
        Module1::TransferAborted = False;
    }

private Q_SLOTS:
    void init()
    {
        Module1::reset();
        // Only ever one window: each case starts without it.
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    void cleanup()
    {
        MessageWindow::unload();
        runDeferredDeletes();
    }

    void operatorStopsTransfer_data()
    {
        QTest::addColumn<Stop>("how");
        QTest::newRow("Cancel") << Stop::CancelButton;
        QTest::newRow("close box") << Stop::CloseBox;
    }

    void operatorStopsTransfer()
    {
        QFETCH(Stop, how);
        transferRunning();
        QPointer<MessageWindow> window = shownWindow(QStringLiteral("SENDING"));
        QSignalSpy cancelled(window.data(), &MessageWindow::cancelled);
        QSignalSpy destroyed(window.data(), &QObject::destroyed);

        stop(window, how);

        QCOMPARE(cancelled.size(), 1);
        QCOMPARE(Module1::UploadActive, False);
        QCOMPARE(Module1::DownloadActive, False);
        QCOMPARE(Module1::TransferAborted, True);
        QVERIFY(!window->isVisible());

        // The next transfer, even before the old window is actually deleted,
        // gets a window of its own with nothing left over.
        MessageWindow* fresh = MessageWindow::instance();
        QVERIFY(fresh != window.data());
        QVERIFY(fresh->message().isEmpty());
        QVERIFY(fresh->windowTitle().isEmpty());
        runDeferredDeletes();
        QCOMPARE(destroyed.size(), 1);
    }

    void unloadAfterTransferSetsNoFlag()
    {
        transferRunning();
        QPointer<MessageWindow> window = shownWindow(QStringLiteral("SENDING"));
        QSignalSpy cancelled(window.data(), &MessageWindow::cancelled);
        QSignalSpy destroyed(window.data(), &QObject::destroyed);

        MessageWindow::unload();

        QCOMPARE(cancelled.size(), 0);
        QCOMPARE(Module1::UploadActive, True);
        QCOMPARE(Module1::DownloadActive, True);
        QCOMPARE(Module1::TransferAborted, False);
        QVERIFY(!window->isVisible());
        runDeferredDeletes();
        QCOMPARE(destroyed.size(), 1);
        QVERIFY(MessageWindow::instance()->message().isEmpty());
    }

    // A transfer engine that answers cancelled() by unloading, as it would at
    // the end of any transfer, must not stop the transfer a second time.
    void engineUnloadingOnCancelStopsOnce_data() { operatorStopsTransfer_data(); }

    void engineUnloadingOnCancelStopsOnce()
    {
        QFETCH(Stop, how);
        transferRunning();
        QPointer<MessageWindow> window = shownWindow(QStringLiteral("SENDING"));
        QSignalSpy cancelled(window.data(), &MessageWindow::cancelled);
        QSignalSpy destroyed(window.data(), &QObject::destroyed);
        connect(window, &MessageWindow::cancelled, this, [] {
            Module1::TransferAborted = False; // the engine has wound down
            MessageWindow::unload();
        });

        stop(window, how);

        QCOMPARE(cancelled.size(), 1);
        QCOMPARE(Module1::TransferAborted, False);
        runDeferredDeletes();
        QCOMPARE(destroyed.size(), 1);
    }
};

QTEST_MAIN(MessageWindowTest)
#include "tst_messagewindow.moc"
