#include "KeypadController.h"

#include <utility>

namespace kvt::sim {

namespace {

const QByteArray programEnd = QByteArrayLiteral("END");

// The displays, blanks as the PC quotes them in its instructions.
const std::array menuItems{QStringLiteral("Edit Program"), QStringLiteral("Set Parameters"),
                           QStringLiteral("External Communication")};
constexpr int communicationItem = 2;
const QString uploadChoice = QStringLiteral("UPLOAD ?");
const QString downloadChoice = QStringLiteral("DOWNLOAD ?");
const QString uploadProgram = QStringLiteral("UPLOAD  PROGRAM ?");
const QString downloadProgram = QStringLiteral("DOWNLOAD  PROGRAM ?");
const QString programNumber = QStringLiteral("Program Number ?");
const QString receiving = QStringLiteral("Receiving  Program");
const QString uploadReady = QStringLiteral("UPLOAD  READY  ?");
const QString programExists = QStringLiteral("Program Exist !");
const QString noSuchProgram = QStringLiteral("Program Not Exist !");
const QString emptyProgram = QStringLiteral("Program Empty !");
const QString programTooLong = QStringLiteral("Program Too Long !");
const QString lineTooLong = QStringLiteral("Line Too Long !");

constexpr int maxNumberDigits = 2;

std::optional<int> digitOf(Key key)
{
    if (int(key) < int(Key::Digit0))
        return std::nullopt;
    return int(key) - int(Key::Digit0);
}

} // namespace

KeypadController::KeypadController(const QString& model)
    : m_home(model + QStringLiteral(" READY")), m_display(m_home)
{
}

QStringList KeypadController::takeDisplayChanges()
{
    return std::exchange(m_displayChanges, {});
}

void KeypadController::show(const QString& text)
{
    if (text == m_display)
        return;
    m_display = text;
    m_displayChanges.append(text);
}

void KeypadController::goHome(const QString& message)
{
    if (!message.isEmpty())
        show(message);
    m_step = Step::Home;
    m_digits.clear();
    m_line.clear();
    m_received.clear();
    show(m_home);
}

Replies KeypadController::press(Key key)
{
    if (key == Key::No) {
        if (m_step != Step::Home) {
            goHome();
            return {};
        }
        m_step = Step::Menu;
        m_menuItem = 0;
        show(menuItems[0]);
        return {};
    }
    switch (m_step) {
    case Step::Menu:
        if (key == Key::PlusMinus) {
            m_menuItem = (m_menuItem + 1) % int(menuItems.size());
            show(menuItems[m_menuItem]);
        } else if (key == Key::Enter && m_menuItem == communicationItem) {
            m_step = Step::Communication;
            m_upload = true;
            show(uploadChoice);
        }
        break;
    case Step::Communication:
        if (key == Key::PlusMinus) {
            m_upload = !m_upload;
            show(m_upload ? uploadChoice : downloadChoice);
        } else if (key == Key::Enter) {
            m_step = Step::Transfer;
            show(m_upload ? uploadProgram : downloadProgram);
        }
        break;
    case Step::Transfer:
        if (key == Key::Enter) {
            m_step = Step::Number;
            m_digits.clear();
            show(programNumber);
        }
        break;
    case Step::Number:
        // ENT and DEL need a number; a third digit is not taken.
        if (const std::optional<int> digit = digitOf(key)) {
            if (m_digits.size() < maxNumberDigits) {
                m_digits += QString::number(*digit);
                show(programNumber + u' ' + m_digits);
            }
        } else if (!m_digits.isEmpty() && key == Key::Enter) {
            onNumberEnter();
        } else if (!m_digits.isEmpty() && key == Key::Delete) {
            deleteProgram();
        }
        break;
    case Step::UploadReady:
        if (key == Key::Enter) {
            const Replies pieces = uploadPieces();
            goHome(QStringLiteral("Program %1 Sent").arg(m_number));
            return pieces;
        }
        break;
    case Step::Home:
    case Step::Receiving:
        break;
    }
    return {};
}

void KeypadController::onNumberEnter()
{
    m_number = m_digits.toInt();
    const bool exists = m_programs[m_number].has_value();
    if (m_upload && !exists) {
        goHome(noSuchProgram);
    } else if (m_upload) {
        m_step = Step::UploadReady;
        show(uploadReady);
    } else if (exists) {
        // The operator has to delete it first, as the PC reminds them.
        goHome(programExists);
    } else {
        m_step = Step::Receiving;
        m_line.clear();
        m_received.clear();
        show(receiving);
    }
}

void KeypadController::deleteProgram()
{
    const int number = m_digits.toInt();
    if (!m_programs[number]) {
        goHome(noSuchProgram);
        return;
    }
    m_programs[number].reset();
    goHome(QStringLiteral("Program %1 Deleted").arg(number));
}

Replies KeypadController::receive(const QByteArray& bytes)
{
    // Outside "Receiving  Program" the controller does not listen to the line,
    // and once a program has ended, neither does it to what follows.
    for (const char c : bytes) {
        if (m_step != Step::Receiving)
            break;
        if (c == '\r')
            takeLine();
        else if (c == '\n')
            continue;
        else if (m_line.size() < maxLineLength)
            m_line.append(c);
        else
            goHome(lineTooLong);
    }
    return {};
}

void KeypadController::takeLine()
{
    const QByteArray line = std::exchange(m_line, {});
    if (line.isEmpty())
        return;
    if (line == programEnd) {
        storeProgram();
    } else if (m_received.size() >= maxProgramLines) {
        goHome(programTooLong);
    } else {
        m_received.append(line);
    }
}

void KeypadController::storeProgram()
{
    // A program with no lines would only block the number until deleted.
    if (m_received.isEmpty()) {
        goHome(emptyProgram);
        return;
    }
    m_programs[m_number] = m_received;
    goHome(QStringLiteral("Program %1 Stored").arg(m_number));
}

Replies KeypadController::uploadPieces() const
{
    return deliveredLines(*m_programs[m_number], programEnd, uploadPieceSize, lineBytesPerSecond);
}

void KeypadController::discardPartialInput()
{
    m_line.clear();
    m_received.clear();
}

} // namespace kvt::sim
