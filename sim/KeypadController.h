#pragma once

#include "Controller.h"
#include "Keypad.h"

#include <QByteArrayList>

#include <array>
#include <optional>

namespace kvt::sim {

// The KVT31 and KVT33 controllers, which are worked from their own keypad
// and exchange programs with a PC only while the operator holds them in the
// matching step of the "External Communication" menu. They never speak
// unasked: there is no greeting, and nothing is answered on the line.
//
// The menu, from the home display "<MODEL> READY":
//   NO                 opens the menu; anywhere else NO goes back home
//   +/-                "Edit Program", "Set Parameters", "External
//                      Communication" and round again
//   ENT                "UPLOAD ?"; +/- switches to "DOWNLOAD ?" and back
//   ENT                "UPLOAD  PROGRAM ?" / "DOWNLOAD  PROGRAM ?"
//   ENT                "Program Number ?"; up to two digits, then ENT:
//     download         "Receiving  Program", until the line END
//     upload           "UPLOAD  READY  ?", and ENT sends the program
// DEL after the digits deletes that program instead. Only the external
// communication is simulated; ENT on the other two items does nothing.
class KeypadController : public Controller, public Keypad {
public:
    static constexpr int programCount = 100;
    // A host that never sends END cannot grow the memory beyond this.
    static constexpr int maxProgramLines = 1000;
    static constexpr int maxLineLength = 80;
    // An upload goes out in pieces this long, each after the time the one
    // before it takes on a 1200 baud line: ten bits a character.
    static constexpr int uploadPieceSize = 12;
    static constexpr int lineBytesPerSecond = 120;

    // model: the name on the home display, e.g. "KVT31".
    explicit KeypadController(const QString& model);

    Replies receive(const QByteArray& bytes) override;
    Replies greeting() override { return {}; }
    // The half line and the lines received so far are dropped; the operator's
    // setup stands, so the next host can send its program from the start.
    void discardPartialInput() override;
    Keypad* keypad() override { return this; }

    Replies press(Key key) override;
    QString display() const override { return m_display; }
    QStringList takeDisplayChanges() override;

private:
    enum class Step { Home, Menu, Communication, Transfer, Number, Receiving, UploadReady };

    void onNumberEnter();
    void deleteProgram();
    void takeLine();
    void storeProgram();
    Replies uploadPieces() const;
    void goHome(const QString& message = {});
    void show(const QString& text);

    QString m_home;
    Step m_step = Step::Home;
    int m_menuItem = 0;
    bool m_upload = true;
    QString m_digits;
    int m_number = 0;
    QByteArray m_line;
    QByteArrayList m_received;
    // Kept exactly as received; nullopt for a program never stored or deleted.
    std::array<std::optional<QByteArrayList>, programCount> m_programs;
    QString m_display;
    QStringList m_displayChanges;
};

} // namespace kvt::sim
