#pragma once

#include "link/SerialLink.h"
#include "link/Timings.h"
#include "shell/Operator.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <functional>

class QBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kvt {

class Spinner;

// What the four KVT7 setup dialogs (frmspeed, frmjog, frmdirset, frmsenlog)
// share: a modeless window over the KVT7 window (centred on it and kept above
// it, so it cannot hide behind it), deleted when it closes, whose OK sends its
// lines through the KVT7 window's link as one sequence.
//
// Keys: Enter in a number box stores the value there and leaves the dialog
// open, so a value can be checked before it goes out; Enter anywhere else is
// OK (a focused button: that button). Escape is Cancel. Up and Down (Page Up,
// Page Down) in a number box step it as its spinner does.
//
// From OK until the last line has gone out the dialog is locked (disabled), so
// a second OK cannot queue the lines again; then it closes itself. Closing it
// earlier (close box) does not stop the lines: the link already holds the whole
// sequence. If the link goes away (KVT7 window closed) the dialog closes too.
class SetupDialog : public QDialog {
    Q_OBJECT
public:
    // True from OK until the dialog's lines are out.
    bool isSending() const { return m_sending; }

    // "500", "1.5", "-3": no exponent, no leading blank, no trailing zeros.
    static QString plainDecimal(double value);

protected:
    SetupDialog(const char* name, const QString& title, SerialLink& link, Operator& op,
                const Timings& timings, QWidget* parent);

    // The caller keeps one dialog of a kind in slot; an open one is reused.
    template <class Dialog, class... Arguments>
    static Dialog* reuseOrCreate(QPointer<Dialog>& slot, Arguments&&... arguments)
    {
        // A closed dialog waits in the slot for its deferred delete; every
        // dialog put there is shown at once, so a hidden one is on its way out.
        if (!slot || slot->isHidden())
            slot = new Dialog(std::forward<Arguments>(arguments)...);
        return slot.data();
    }
    void present();

    QPushButton* makeButton(const char* name, const QString& text);
    QLineEdit* makeNumberBox(const char* name, int maxLength, const QString& designText);
    QLabel* makeLabel(const char* name, const QString& text);
    static QBoxLayout* buttonRow(QPushButton* ok, QPushButton* cancel);

    // A value outside the spinner's range is told to the operator, then
    // replaced by the bound. False when the dialog went away meanwhile.
    bool correctRange(QLineEdit* box, const Spinner* spinner, const Message& below,
                      const Message& above);
    // Enter in a number box: correct the range, store the rounded value and
    // move the spinner.
    void checkEntry(QLineEdit* box, Spinner* spinner, const Message& below, const Message& above,
                    const std::function<void(int)>& store);
    // A spinner change writes its number into the box and stores it; the
    // box's arrow keys move the spinner.
    void followSpinner(QLineEdit* box, Spinner* spinner, std::function<void(int)> store);
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Queues the lines as one sequence, locks the dialog and closes it once
    // the last line has been sent (or the link gave up on it).
    void sendAndClose(const QList<SerialLink::Step>& steps);

    Operator& m_operator;
    const Timings m_timings;

private:
    struct NumberField {
        QLineEdit* box;
        Spinner* spinner;
        std::function<void(int)> store;
    };
    QList<NumberField> m_numberFields;
    const QEvent* m_enterInBox = nullptr;
    QPointer<SerialLink> m_link;
    bool m_sending = false;
};

} // namespace kvt
