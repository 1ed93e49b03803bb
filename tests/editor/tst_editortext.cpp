#include "EditorRig.h"

#include "editor/CharacterLimit.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

using namespace kvt;
using namespace kvt::test;

namespace {

enum class Act { MenuCopy, MenuCut, KeyCopy, KeyCut };

void select(QPlainTextEdit* edit, int from, int to)
{
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}

void caretAt(QPlainTextEdit* edit, int position)
{
    select(edit, position, position);
}

// n characters of program text as the editor counts them: lines of "G00,1"
// with CR LF, cut to length.
QString program(int n)
{
    QString text;
    while (text.size() < n)
        text += QStringLiteral("G00,1\r\n");
    text.truncate(n);
    if (text.endsWith(u'\r'))
        text.back() = u'X';
    return text;
}

} // namespace

Q_DECLARE_METATYPE(Act)

class EditorTextTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString fileWith(const QString& text)
    {
        const QString name = m_dir.filePath(QStringLiteral("prog.txt"));
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write('"' + text.toLatin1() + "\"\r\n");
        return name;
    }

private Q_SLOTS:
    void init() { QGuiApplication::clipboard()->setText(QStringLiteral("ON THE CLIPBOARD")); }

    void copyAndCut_data()
    {
        QTest::addColumn<Act>("act");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("pasteEnabled");

        const QString text = QStringLiteral("G00,100\r\nM30");
        const QString before = QStringLiteral("ON THE CLIPBOARD");
        QTest::newRow("Copy") << Act::MenuCopy << 0 << 3 << "G00" << text << true;
        QTest::newRow("Copy, nothing selected")
            << Act::MenuCopy << 2 << 2 << before << text << false;
        QTest::newRow("Cut") << Act::MenuCut << 3 << 7 << ",100"
                             << "G00\r\nM30" << true;
        QTest::newRow("Cut, nothing selected") << Act::MenuCut << 2 << 2 << before << text << false;
        QTest::newRow("Ctrl+C is the menu's Copy")
            << Act::KeyCopy << 8 << 11 << "M30" << text << true;
        QTest::newRow("Ctrl+X is the menu's Cut") << Act::KeyCut << 7 << 11 << "\nM30"
                                                  << "G00,100" << true;
    }

    void copyAndCut()
    {
        QFETCH(Act, act);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, clipboard);
        QFETCH(QString, text);
        QFETCH(bool, pasteEnabled);

        EditorRig rig(Window::Kvt31_33);
        rig.txteditor->setPlainText(QStringLiteral("G00,100\r\nM30"));
        select(rig.txteditor, from, to);
        QSignalSpy available(rig.editor.data(), &EditorController::pasteAvailableChanged);
        switch (act) {
        case Act::MenuCopy:
            rig.menu.mnucopy->trigger();
            break;
        case Act::MenuCut:
            rig.menu.mnucut->trigger();
            break;
        case Act::KeyCopy:
            QTest::keyClick(rig.txteditor, Qt::Key_C, Qt::ControlModifier);
            break;
        case Act::KeyCut:
            QTest::keyClick(rig.txteditor, Qt::Key_X, Qt::ControlModifier);
            break;
        }
        QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
        QCOMPARE(rig.editor->text(), text);
        QCOMPARE(rig.menu.mnupaste->isEnabled(), pasteEnabled);
        QCOMPARE(available.size(), pasteEnabled ? 1 : 0);
    }

    void pasteWaitsForCopyOrCut()
    {
        EditorRig rig(Window::FourModel);
        rig.txteditor->setPlainText(QStringLiteral("M30"));
        caretAt(rig.txteditor, 0);
        // The clipboard holds text, but Paste is greyed: Ctrl+V does nothing.
        QTest::keyClick(rig.txteditor, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(rig.editor->text(), QStringLiteral("M30"));

        select(rig.txteditor, 0, 3);
        rig.menu.mnucopy->trigger();
        caretAt(rig.txteditor, 3);
        QTest::keyClick(rig.txteditor, Qt::Key_Return);
        QTest::keyClick(rig.txteditor, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(rig.editor->text(), QStringLiteral("M30\r\nM30"));

        // The panel logic turns the editor on again: Paste waits once more.
        rig.editor->resetPaste();
        QVERIFY(!rig.menu.mnupaste->isEnabled());
        QTest::keyClick(rig.txteditor, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(rig.editor->text(), QStringLiteral("M30\r\nM30"));
    }

    void limitOnOpen_data()
    {
        QTest::addColumn<Window>("window");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("told");

        QTest::newRow("480 fit") << Window::Kvt7 << program(480) << program(480) << false;
        QTest::newRow("500 are cut to 480") << Window::Kvt7 << program(500) << program(480) << true;
        // Character 480 is the CR of a pair: the pair goes whole.
        const QString crAt480 = QString(479, u'X') + QStringLiteral("\r\nM30");
        QTest::newRow("never between CR and LF")
            << Window::Kvt7 << crAt480 << QString(479, u'X') << true;
        QTest::newRow("frmkvt_31_33 has no limit")
            << Window::Kvt31_33 << program(900) << program(900) << false;
        QTest::newRow("frmkvt_px_52 has no limit")
            << Window::FourModel << program(900) << program(900) << false;
    }

    void limitOnOpen()
    {
        QFETCH(Window, window);
        QFETCH(QString, file);
        QFETCH(QString, text);
        QFETCH(bool, told);
        EditorRig rig(window);
        rig.op.answerNextFile(fileWith(file));
        rig.editor->open();
        QCOMPARE(rig.editor->text(), text);
        QVERIFY(!rig.editor->editFlag());
        QVERIFY(rig.editor->fileFlag());
        QCOMPARE(rig.op.messages.size(), told ? 1 : 0);
        if (told) {
            QCOMPARE(rig.op.messages.constFirst().icon, MessageIcon::Exclamation);
            QVERIFY(rig.op.messages.constFirst().text.contains(QLatin1String("480")));
        }
    }

    void limitOnInput_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("text");

        const QString full = program(480);
        QTest::newRow("paste is cut at the limit")
            << program(470) << 470 << 470 << QString(30, u'A') << program(470) + QString(10, u'A');
        QTest::newRow("paste into the middle keeps the end")
            << program(470) << 0 << 0 << QString(30, u'A') << QString(10, u'A') + program(470);
        QTest::newRow("paste over a selection")
            << full << 0 << 5 << QString(20, u'A') << QString(5, u'A') + full.mid(5);
        QTest::newRow("a line break needs both characters")
            << program(479) << 479 << 479 << QStringLiteral("\nA") << program(479);
        QTest::newRow("nothing fits") << full << 480 << 480 << QStringLiteral("A") << full;
    }

    void limitOnInput()
    {
        QFETCH(QString, start);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, pasted);
        QFETCH(QString, text);
        EditorRig rig(Window::Kvt7);
        rig.txteditor->setPlainText(start);
        // Positions above count line breaks as one, as QTextCursor does.
        const auto position = [&start](int at) {
            return at - int(start.left(at).count(QStringLiteral("\r\n")));
        };
        select(rig.txteditor, position(from), position(to));
        QGuiApplication::clipboard()->setText(pasted);
        rig.editor->paste();
        QCOMPARE(rig.editor->text(), text);
        QCOMPARE(CharacterLimit::length(*rig.txteditor->document()), text.size());
        QVERIFY(rig.op.messages.isEmpty());
    }

    void typingStopsAtTheLimit()
    {
        EditorRig rig(Window::Kvt7);
        rig.op.answerNextFile(fileWith(program(476)));
        rig.editor->open();
        rig.txteditor->moveCursor(QTextCursor::End);
        QTest::keyClick(rig.txteditor, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(rig.txteditor, QStringLiteral("AB"));
        QCOMPARE(rig.editor->text(), program(476) + QStringLiteral("\r\nAB"));
        QVERIFY(rig.editor->editFlag());

        QTest::keyClicks(rig.txteditor, QStringLiteral("XYZ"));
        QTest::keyClick(rig.txteditor, Qt::Key_Return);
        QCOMPARE(rig.editor->text(), program(476) + QStringLiteral("\r\nAB"));
        // Undo still takes back what was typed before the limit.
        rig.txteditor->undo();
        QCOMPARE(rig.editor->text(), program(476) + QStringLiteral("\r\n"));

        // Deleting one makes room for one.
        QTest::keyClicks(rig.txteditor, QStringLiteral("AB"));
        QTest::keyClick(rig.txteditor, Qt::Key_Backspace);
        QTest::keyClicks(rig.txteditor, QStringLiteral("QR"));
        QCOMPARE(rig.editor->text(), program(476) + QStringLiteral("\r\nAQ"));
    }

    void keyAtTheLimitChangesNothing()
    {
        EditorRig rig(Window::Kvt7);
        rig.op.answerNextFile(fileWith(program(480)));
        rig.editor->open();
        rig.txteditor->moveCursor(QTextCursor::End);
        QTest::keyClicks(rig.txteditor, QStringLiteral("X\t"));
        QTest::keyClick(rig.txteditor, Qt::Key_Return);
        QCOMPARE(rig.editor->text(), program(480));
        // Nothing changed, so there is nothing to save.
        QVERIFY(!rig.editor->editFlag());
        // A key replacing a selection still fits.
        select(rig.txteditor, 0, 1);
        QTest::keyClicks(rig.txteditor, QStringLiteral("M"));
        QCOMPARE(rig.editor->text(), u'M' + program(480).mid(1));
    }

    void undoTakesBackPasteAndCutTogether_data()
    {
        QTest::addColumn<bool>("editMenu");
        QTest::newRow("Paste of the Edit menu") << true;
        QTest::newRow("the text box's own paste (context menu, drop)") << false;
    }

    void undoTakesBackPasteAndCutTogether()
    {
        QFETCH(bool, editMenu);
        EditorRig rig(Window::Kvt7);
        rig.txteditor->setPlainText(program(470));
        rig.txteditor->moveCursor(QTextCursor::End);
        QGuiApplication::clipboard()->setText(QString(30, u'A'));
        if (editMenu)
            rig.editor->paste();
        else
            rig.txteditor->paste();
        QCOMPARE(rig.editor->text(), program(470) + QString(10, u'A'));
        rig.txteditor->undo();
        QCOMPARE(rig.editor->text(), program(470));
        rig.txteditor->redo();
        QCOMPARE(rig.editor->text(), program(470) + QString(10, u'A'));
    }

    void upload_data()
    {
        QTest::addColumn<Window>("window");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("whole");

        QTest::newRow("frmkvt_7, fits") << Window::Kvt7 << "G00\rM30\r"
                                        << "G00\r\nM30\r\n"
                                        << true;
        QTest::newRow("frmkvt_7, cut") << Window::Kvt7 << program(600) << program(480) << false;
    }

    void upload()
    {
        QFETCH(Window, window);
        QFETCH(QString, received);
        QFETCH(QString, text);
        QFETCH(bool, whole);
        EditorRig rig(window);
        rig.op.answerNextFile(fileWith(QStringLiteral("OLD")));
        rig.editor->open();
        QCOMPARE(rig.editor->setUploadedText(received, QStringLiteral("PROGRAM #1")), whole);
        QCOMPARE(rig.editor->text(), text);
        QVERIFY(!rig.editor->fileFlag());
        QVERIFY(rig.editor->editFlag());
        QCOMPARE(rig.fraeditor->title(), QStringLiteral("PROGRAM #1"));
        // Not yet saved anywhere: Save asks for a name.
        rig.editor->save();
        QCOMPARE(rig.op.fileDialogs.size(), 2);
        QCOMPARE(rig.op.fileDialogs.constLast().title, QStringLiteral("Saves As"));
    }
};

QTEST_MAIN(EditorTextTest)
#include "tst_editortext.moc"
