#include "ManualPanel.h"

#include "ManualCommands.h"
#include "frontend/PanelLook.h"
#include "shell/Operator.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <algorithm>

namespace kvt {

namespace {

struct ButtonDesign {
    const char* label;
    const char* caption;
};

const std::array<ButtonDesign, manual::buttonCount> buttons = {{
    {"Absolute Move", "G00"},
    {"Relative Move", "G10"},
    {"Absolute Jog", "G15"},
    {"Relative Jog", "G16"},
    {"Search High I/P", "G20"},
    {"Search Low I/P", "G21"},
    {"Home Search", "G27"},
    {"Imag Zero Set", "G92,0"},
    {"Program Delete", "DELP"},
    {"On/Off O/P", "M2n"},
    {"OFF All Output", "M28"},
    {"Program Trigger", "TRG"},
}};

// Bottom row, left to right: the output switch and the program commands.
constexpr std::array<int, 6> bottomRow = {6, 7, 9, 10, 11, 8};

QString indexed(const char* name, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

} // namespace

ManualPanel::ManualPanel(Operator& op, QWidget* parent)
    : QGroupBox(QStringLiteral("MANUAL MODE"), parent), m_operator(op)
{
    setObjectName(QStringLiteral("framanual"));
    for (int i = 0; i < manual::buttonCount; ++i) {
        m_buttonLabels[i] = new QLabel(QString::fromLatin1(buttons[i].label));
        m_buttonLabels[i]->setObjectName(indexed("lblcmd", i));
        m_buttonLabels[i]->setAlignment(Qt::AlignCenter);
        m_buttonLabels[i]->setWordWrap(true);
        m_manualButtons[i] = new QPushButton(QString::fromLatin1(buttons[i].caption));
        m_manualButtons[i]->setObjectName(indexed("cmdman", i));
        // The label names the function; the caption is the command itself.
        m_manualButtons[i]->setAccessibleDescription(m_buttonLabels[i]->text());
        m_buttonLabels[i]->setBuddy(m_manualButtons[i]);
        connect(m_manualButtons[i], &QPushButton::clicked, this,
                [this, i] { manualButtonClicked(i); });
    }

    m_absoluteMoveBar = makeBar("hscg00", -32767, 32767, 100, QStringLiteral("G00 steps"));
    m_relativeMoveBar = makeBar("hscg10", -32767, 32767, 100, QStringLiteral("G10 steps"));
    m_absoluteJogBar = makeBar("hscg15", -32767, 32767, 100, QStringLiteral("G15 steps"));
    m_relativeJogBar = makeBar("hscg16", -32767, 32767, 100, QStringLiteral("G16 steps"));
    m_highInputBar = makeBar("hscg20", 0, 4, 1, QStringLiteral("G20 input"));
    m_lowInputBar = makeBar("hscg21", 0, 4, 1, QStringLiteral("G21 input"));
    m_outputBar = makeBar("hscop", 0, 2, 1, QStringLiteral("M2n output"));
    m_triggerProgramBar = makeBar("hsctrg", 0, 3, 1, QStringLiteral("TRG program"));
    m_deleteProgramBar = makeBar("hscdelprg", 0, 3, 1, QStringLiteral("DELP program"));
    // Both search groups read "Forw" and "Rev"; only their names tell them apart.
    m_highDirection = makePair("optg20", QStringLiteral("Forw"), QStringLiteral("Rev"),
                               QStringLiteral("Search High direction"));
    m_lowDirection = makePair("optg21", QStringLiteral("Forw"), QStringLiteral("Rev"),
                              QStringLiteral("Search Low direction"));
    m_outputState = makePair("optop", QStringLiteral("ON"), QStringLiteral("OFF"),
                             QStringLiteral("Output state"));

    for (const BarNumber& entry : m_numbers)
        connect(entry.bar, &QScrollBar::valueChanged, this, &ManualPanel::showCommands);
    for (const OptionPair& pair : {m_highDirection, m_lowDirection, m_outputState})
        for (QRadioButton* option : pair)
            connect(option, &QRadioButton::clicked, this, &ManualPanel::showCommands);

    auto* grid = new QGridLayout(this);
    grid->setSpacing(2);
    grid->setContentsMargins(4, 4, 4, 4);
    auto place = [grid](int row, int column, QWidget* widget) {
        if (widget)
            grid->addWidget(widget, row, column);
    };
    auto pairBox = [](const OptionPair& pair) {
        auto* box = new QWidget;
        box->setAccessibleName(pair[0]->accessibleDescription());
        auto* layout = new QHBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(2);
        layout->addWidget(pair[0]);
        layout->addWidget(pair[1]);
        return box;
    };
    const std::array<QScrollBar*, 6> topBars = {m_absoluteMoveBar, m_relativeMoveBar,
                                                m_absoluteJogBar,  m_relativeJogBar,
                                                m_highInputBar,    m_lowInputBar};
    for (int column = 0; column < 6; ++column) {
        place(0, column, m_buttonLabels[column]);
        place(1, column, m_manualButtons[column]);
        place(2, column, barWithNumber(topBars[column]).row);
    }
    place(3, 4, pairBox(m_highDirection));
    place(3, 5, pairBox(m_lowDirection));
    for (int column = 0; column < 6; ++column) {
        const int index = bottomRow[column];
        place(4, column, m_buttonLabels[index]);
        place(5, column, m_manualButtons[index]);
    }
    place(6, 2, barWithNumber(m_outputBar).row);
    place(7, 2, pairBox(m_outputState));
    place(6, 4, barWithNumber(m_triggerProgramBar).row);
    place(6, 5, barWithNumber(m_deleteProgramBar).row);
    orderTabStops();
}

void ManualPanel::orderTabStops()
{
    // Column by column, top to bottom, as the eye reads a command and its parameters.
    QList<QWidget*> order;
    const auto add = [&](QScrollBar* bar) { order << bar << barWithNumber(bar).number; };
    const std::array<QScrollBar*, 6> topBars = {m_absoluteMoveBar, m_relativeMoveBar,
                                                m_absoluteJogBar,  m_relativeJogBar,
                                                m_highInputBar,    m_lowInputBar};
    for (int column = 0; column < 6; ++column) {
        order << m_manualButtons[column];
        add(topBars[column]);
    }
    order << m_highDirection[0] << m_highDirection[1] << m_lowDirection[0] << m_lowDirection[1]
          << m_manualButtons[6] << m_manualButtons[7] << m_manualButtons[9];
    add(m_outputBar);
    order << m_outputState[0] << m_outputState[1] << m_manualButtons[10] << m_manualButtons[11];
    add(m_triggerProgramBar);
    order << m_manualButtons[8];
    add(m_deleteProgramBar);
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

QWidget* ManualPanel::firstControl() const
{
    return m_manualButtons[0];
}

QScrollBar* ManualPanel::makeBar(const char* name, int minimum, int maximum, int pageStep,
                                 const QString& spokenName)
{
    auto* bar = new QScrollBar(Qt::Horizontal);
    bar->setObjectName(QLatin1String(name));
    bar->setRange(minimum, maximum);
    bar->setSingleStep(1);
    bar->setPageStep(pageStep);
    bar->setValue(0);
    bar->setAccessibleName(spokenName);
    bar->setFocusPolicy(Qt::StrongFocus);
    // Up and Page Up raise the value, as in the number beside it.
    bar->setInvertedControls(false);

    auto* number = new QSpinBox;
    number->setObjectName(QLatin1String("num") + QLatin1String(name).mid(3));
    number->setRange(minimum, maximum);
    number->setAccessibleName(spokenName);
    number->setButtonSymbols(QAbstractSpinBox::NoButtons);
    number->setAlignment(Qt::AlignRight);
    number->setValue(bar->value());
    connect(bar, &QScrollBar::valueChanged, number, &QSpinBox::setValue);
    connect(number, &QSpinBox::valueChanged, bar, &QScrollBar::setValue);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(bar, 1);
    layout->addWidget(number);
    m_numbers.append({bar, number, row});
    return bar;
}

const ManualPanel::BarNumber& ManualPanel::barWithNumber(const QScrollBar* bar) const
{
    return *std::find_if(m_numbers.cbegin(), m_numbers.cend(),
                         [bar](const BarNumber& entry) { return entry.bar == bar; });
}

ManualPanel::OptionPair ManualPanel::makePair(const char* name, const QString& first,
                                              const QString& second, const QString& spokenName)
{
    OptionPair pair = {new QRadioButton(first), new QRadioButton(second)};
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        pair[i]->setObjectName(indexed(name, i));
        pair[i]->setAccessibleDescription(spokenName);
        group->addButton(pair[i], i);
    }
    pair[0]->setChecked(true);
    return pair;
}

manual::Settings ManualPanel::settings() const
{
    manual::Settings s;
    s.absoluteMove = m_absoluteMoveBar->value();
    s.relativeMove = m_relativeMoveBar->value();
    s.absoluteJog = m_absoluteJogBar->value();
    s.relativeJog = m_relativeJogBar->value();
    s.highInput = m_highInputBar->value();
    s.highForward = m_highDirection[0]->isChecked();
    s.lowInput = m_lowInputBar->value();
    s.lowForward = m_lowDirection[0]->isChecked();
    s.output = m_outputBar->value();
    s.outputOn = m_outputState[0]->isChecked();
    s.triggerProgram = m_triggerProgramBar->value();
    s.deleteProgram = m_deleteProgramBar->value();
    return s;
}

void ManualPanel::showCommands()
{
    const manual::Settings now = settings();
    for (int i = 0; i < manual::buttonCount; ++i)
        m_manualButtons[i]->setText(manual::buttonCommand(i, now));
}

void ManualPanel::manualButtonClicked(int index)
{
    // Made from the controls as they stand, not read off the caption, so a
    // control whose change has not shown yet still sends what it is set to.
    const manual::Settings now = settings();
    if (index == manual::deleteButton) {
        const MessageAnswer answer = m_operator.message(
            this, {manual::deleteQuestion(now.deleteProgram), QStringLiteral("Delete Program"),
                   MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No});
        if (answer != MessageAnswer::Yes)
            return;
    }
    Q_EMIT sendRequested(manual::buttonCommand(index, now));
}

void ManualPanel::setControlsEnabled(bool enabled)
{
    for (const auto& pair : {m_outputState, m_highDirection, m_lowDirection})
        for (QRadioButton* option : pair)
            option->setEnabled(enabled);
    for (QPushButton* button : m_manualButtons)
        button->setEnabled(enabled);
    for (const BarNumber& entry : m_numbers) {
        entry.bar->setEnabled(enabled);
        entry.number->setEnabled(enabled);
    }
}

void ManualPanel::setActiveLook(bool active)
{
    const QColor back = active ? look::manualBack : look::inactiveBack;
    const QColor text = active ? look::black : look::inactiveText;
    look::paint(this, back, text);
    for (const auto& pair : {m_outputState, m_highDirection, m_lowDirection})
        for (QRadioButton* option : pair)
            look::paint(option, back, text);
    for (QLabel* label : m_buttonLabels)
        look::paint(label, back, text);
}

} // namespace kvt
