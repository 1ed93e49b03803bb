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

const std::array<ButtonDesign, 12> buttons = {{
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
constexpr int deleteIndex = 8;

QString indexed(const char* name, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

} // namespace

ManualPanel::ManualPanel(Operator& op, QWidget* parent)
    : QGroupBox(QStringLiteral("MANUAL MODE"), parent), m_operator(op)
{
    setObjectName(QStringLiteral("framanual"));
    for (int i = 0; i < 12; ++i) {
        lblcmd[i] = new QLabel(QString::fromLatin1(buttons[i].label));
        lblcmd[i]->setObjectName(indexed("lblcmd", i));
        lblcmd[i]->setAlignment(Qt::AlignCenter);
        lblcmd[i]->setWordWrap(true);
        cmdman[i] = new QPushButton(QString::fromLatin1(buttons[i].caption));
        cmdman[i]->setObjectName(indexed("cmdman", i));
        // The label names the function; the caption is the command itself.
        cmdman[i]->setAccessibleDescription(lblcmd[i]->text());
        lblcmd[i]->setBuddy(cmdman[i]);
        connect(cmdman[i], &QPushButton::clicked, this, [this, i] { cmdman_Click(i); });
    }

    hscg00 = makeBar("hscg00", -32767, 32767, 100, QStringLiteral("G00 steps"));
    hscg10 = makeBar("hscg10", -32767, 32767, 100, QStringLiteral("G10 steps"));
    hscg15 = makeBar("hscg15", -32767, 32767, 100, QStringLiteral("G15 steps"));
    hscg16 = makeBar("hscg16", -32767, 32767, 100, QStringLiteral("G16 steps"));
    hscg20 = makeBar("hscg20", 0, 4, 1, QStringLiteral("G20 input"));
    hscg21 = makeBar("hscg21", 0, 4, 1, QStringLiteral("G21 input"));
    hscop = makeBar("hscop", 0, 2, 1, QStringLiteral("M2n output"));
    hsctrg = makeBar("hsctrg", 0, 3, 1, QStringLiteral("TRG program"));
    hscdelprg = makeBar("hscdelprg", 0, 3, 1, QStringLiteral("DELP program"));
    // Both search groups read "Forw" and "Rev"; only their names tell them apart.
    optg20 = makePair("optg20", QStringLiteral("Forw"), QStringLiteral("Rev"),
                      QStringLiteral("Search High direction"));
    optg21 = makePair("optg21", QStringLiteral("Forw"), QStringLiteral("Rev"),
                      QStringLiteral("Search Low direction"));
    optop = makePair("optop", QStringLiteral("ON"), QStringLiteral("OFF"),
                     QStringLiteral("Output state"));

    connect(hscg00, &QScrollBar::valueChanged, this, &ManualPanel::hscg00_Change);
    connect(hscg10, &QScrollBar::valueChanged, this, &ManualPanel::hscg10_Change);
    connect(hscg15, &QScrollBar::valueChanged, this, &ManualPanel::hscg15_Change);
    connect(hscg16, &QScrollBar::valueChanged, this, &ManualPanel::hscg16_Change);
    connect(hscg20, &QScrollBar::valueChanged, this, &ManualPanel::hscg20_Change);
    connect(hscg21, &QScrollBar::valueChanged, this, &ManualPanel::hscg21_Change);
    connect(hscop, &QScrollBar::valueChanged, this, &ManualPanel::hscop_Change);
    connect(hsctrg, &QScrollBar::valueChanged, this, &ManualPanel::hsctrg_Change);
    connect(hscdelprg, &QScrollBar::valueChanged, this, &ManualPanel::hscdelprg_Change);
    for (QRadioButton* option : optg20)
        connect(option, &QRadioButton::clicked, this, &ManualPanel::hscg20_Change);
    for (QRadioButton* option : optg21)
        connect(option, &QRadioButton::clicked, this, &ManualPanel::hscg21_Change);
    for (QRadioButton* option : optop)
        connect(option, &QRadioButton::clicked, this, &ManualPanel::hscop_Change);

    auto* grid = new QGridLayout(this);
    grid->setSpacing(2);
    grid->setContentsMargins(4, 4, 4, 4);
    auto place = [grid](int row, int column, QWidget* widget) {
        if (widget)
            grid->addWidget(widget, row, column);
    };
    auto pairBox = [](const std::array<QRadioButton*, 2>& pair) {
        auto* box = new QWidget;
        box->setAccessibleName(pair[0]->accessibleDescription());
        auto* layout = new QHBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(2);
        layout->addWidget(pair[0]);
        layout->addWidget(pair[1]);
        return box;
    };
    const std::array<QScrollBar*, 6> topBars = {hscg00, hscg10, hscg15, hscg16, hscg20, hscg21};
    for (int column = 0; column < 6; ++column) {
        place(0, column, lblcmd[column]);
        place(1, column, cmdman[column]);
        place(2, column, barWithNumber(topBars[column]).row);
    }
    place(3, 4, pairBox(optg20));
    place(3, 5, pairBox(optg21));
    for (int column = 0; column < 6; ++column) {
        const int index = bottomRow[column];
        place(4, column, lblcmd[index]);
        place(5, column, cmdman[index]);
    }
    place(6, 2, barWithNumber(hscop).row);
    place(7, 2, pairBox(optop));
    place(6, 4, barWithNumber(hsctrg).row);
    place(6, 5, barWithNumber(hscdelprg).row);
    orderTabStops();
}

void ManualPanel::orderTabStops()
{
    // Column by column, top to bottom, as the eye reads a command and its parameters.
    QList<QWidget*> order;
    const auto add = [&](QScrollBar* bar) { order << bar << barWithNumber(bar).number; };
    const std::array<QScrollBar*, 6> topBars = {hscg00, hscg10, hscg15, hscg16, hscg20, hscg21};
    for (int column = 0; column < 6; ++column) {
        order << cmdman[column];
        add(topBars[column]);
    }
    order << optg20[0] << optg20[1] << optg21[0] << optg21[1] << cmdman[6] << cmdman[7]
          << cmdman[9];
    add(hscop);
    order << optop[0] << optop[1] << cmdman[10] << cmdman[11];
    add(hsctrg);
    order << cmdman[8];
    add(hscdelprg);
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

QWidget* ManualPanel::firstControl() const
{
    return cmdman[0];
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

std::array<QRadioButton*, 2> ManualPanel::makePair(const char* name, const QString& first,
                                                   const QString& second, const QString& spokenName)
{
    std::array<QRadioButton*, 2> pair = {new QRadioButton(first), new QRadioButton(second)};
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        pair[i]->setObjectName(indexed(name, i));
        pair[i]->setAccessibleDescription(spokenName);
        group->addButton(pair[i], i);
    }
    pair[0]->setChecked(true);
    return pair;
}

void ManualPanel::rebuildAllCaptions()
{
    hscg00_Change();
    hscg10_Change();
    hscg15_Change();
    hscg16_Change();
    hscg20_Change();
    hscg21_Change();
    hscop_Change();
    hsctrg_Change();
    hscdelprg_Change();
}

void ManualPanel::hscg00_Change()
{
    cmdman[0]->setText(manual::moveCommand(QStringLiteral("G00"), hscg00->value()));
}

void ManualPanel::hscg10_Change()
{
    cmdman[1]->setText(manual::moveCommand(QStringLiteral("G10"), hscg10->value()));
}

void ManualPanel::hscg15_Change()
{
    cmdman[2]->setText(manual::moveCommand(QStringLiteral("G15"), hscg15->value()));
}

void ManualPanel::hscg16_Change()
{
    cmdman[3]->setText(manual::moveCommand(QStringLiteral("G16"), hscg16->value()));
}

void ManualPanel::hscg20_Change()
{
    cmdman[4]->setText(
        manual::searchCommand(QStringLiteral("G20"), hscg20->value(), optg20[0]->isChecked()));
}

void ManualPanel::hscg21_Change()
{
    cmdman[5]->setText(
        manual::searchCommand(QStringLiteral("G21"), hscg21->value(), optg21[0]->isChecked()));
}

void ManualPanel::hscop_Change()
{
    cmdman[9]->setText(manual::outputCommand(hscop->value(), optop[0]->isChecked()));
}

void ManualPanel::hsctrg_Change()
{
    cmdman[11]->setText(manual::triggerCommand(hsctrg->value()));
}

void ManualPanel::hscdelprg_Change()
{
    cmdman[deleteIndex]->setText(manual::deleteCommand(hscdelprg->value()));
}

void ManualPanel::cmdman_Click(int index)
{
    if (index == deleteIndex) {
        const MessageAnswer answer = m_operator.message(
            this, {manual::deleteQuestion(hscdelprg->value()), QStringLiteral("Delete Program"),
                   MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No});
        if (answer != MessageAnswer::Yes)
            return;
    }
    Q_EMIT sendRequested(cmdman[index]->text());
}

void ManualPanel::setControlsEnabled(bool enabled)
{
    for (const auto& pair : {optop, optg20, optg21})
        for (QRadioButton* option : pair)
            option->setEnabled(enabled);
    for (QPushButton* button : cmdman)
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
    for (const auto& pair : {optop, optg20, optg21})
        for (QRadioButton* option : pair)
            look::paint(option, back, text);
    for (QLabel* label : lblcmd)
        look::paint(label, back, text);
}

} // namespace kvt
