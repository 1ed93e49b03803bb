#include "SetupDialog.h"

#include "Spinner.h"
#include "base/NumberText.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace kvt {

SetupDialog::SetupDialog(const char* name, const QString& title, SerialLink& link, Operator& op,
                         const Timings& timings, QWidget* parent)
    : QDialog(parent), m_operator(op), m_timings(timings), m_link(&link)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(title);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    // The dialog sends through the KVT7 window's link and has no use without it.
    connect(&link, &QObject::destroyed, this, &QWidget::close);
}

QString SetupDialog::plainDecimal(double value)
{
    // Adding 0.0 turns -0 into 0, so "-0" never reaches the controller.
    return QString::number(value + 0.0, 'f', QLocale::FloatingPointShortest);
}

void SetupDialog::present()
{
    show();
    raise();
    activateWindow();
}

QPushButton* SetupDialog::makeButton(const char* name, const QString& text)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QLatin1String(name));
    // Enter on a focused button presses that button, not OK.
    button->setAutoDefault(true);
    return button;
}

QLineEdit* SetupDialog::makeNumberBox(const char* name, int maxLength, const QString& designText)
{
    auto* box = new QLineEdit(designText, this);
    box->setObjectName(QLatin1String(name));
    box->setMaxLength(maxLength);
    return box;
}

QLabel* SetupDialog::makeLabel(const char* name, const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    return label;
}

QBoxLayout* SetupDialog::buttonRow(QPushButton* ok, QPushButton* cancel)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

bool SetupDialog::correctRange(QLineEdit* box, const Spinner* spinner, const Message& below,
                               const Message& above)
{
    const double value = numericValue(box->text());
    const Message* problem = nullptr;
    int bound = 0;
    if (value < spinner->lowest()) {
        problem = &below;
        bound = spinner->lowest();
    } else if (value > spinner->highest()) {
        problem = &above;
        bound = spinner->highest();
    }
    if (!problem)
        return true;
    const QPointer<SetupDialog> alive(this);
    m_operator.message(this, *problem);
    if (!alive)
        return false;
    box->setText(QString::number(bound));
    return true;
}

void SetupDialog::checkEntry(QLineEdit* box, Spinner* spinner, const Message& below,
                             const Message& above, const std::function<void(int)>& store)
{
    if (!correctRange(box, spinner, below, above))
        return;
    const int stored = roundHalfEven(numericValue(box->text()));
    store(stored);
    // Moving the spinner rewrites the box; a spinner already there leaves the
    // text as the operator typed it, and OK sends that text.
    spinner->setNumber(stored);
}

void SetupDialog::followSpinner(QLineEdit* box, Spinner* spinner, std::function<void(int)> store)
{
    m_numberFields.append({box, spinner, store});
    box->installEventFilter(this);
    connect(spinner, &Spinner::numberChanged, this, [box, store = std::move(store)](int number) {
        box->setText(QString::number(number));
        store(number);
    });
}

bool SetupDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto field = std::find_if(m_numberFields.cbegin(), m_numberFields.cend(),
                                    [watched](const NumberField& f) { return f.box == watched; });
    if (field == m_numberFields.cend())
        return QDialog::eventFilter(watched, event);
    int step = 0;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The box handles it, then passes it on to the dialog, which must not take it for OK.
        m_enterInBox = event;
        return false;
    case Qt::Key_Up:
        step = field->spinner->singleStep();
        break;
    case Qt::Key_Down:
        step = -field->spinner->singleStep();
        break;
    case Qt::Key_PageUp:
        step = field->spinner->pageStep();
        break;
    case Qt::Key_PageDown:
        step = -field->spinner->pageStep();
        break;
    default:
        return QDialog::eventFilter(watched, event);
    }
    // From what the box shows, which may have been typed and not yet entered.
    const int lowest = field->spinner->lowest();
    const int highest = field->spinner->highest();
    const int shown = qBound(lowest, roundHalfEven(numericValue(field->box->text())), highest);
    const int number = qBound(lowest, shown + step, highest);
    {
        const QSignalBlocker quiet(field->spinner);
        field->spinner->setNumber(number);
    }
    field->box->setText(QString::number(number));
    field->store(number);
    return true;
}

void SetupDialog::keyPressEvent(QKeyEvent* event)
{
    // The box has taken its Enter already; the dialog stays open.
    if (std::exchange(m_enterInBox, nullptr) == event) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SetupDialog::sendAndClose(const QList<SerialLink::Step>& steps)
{
    if (m_sending)
        return;
    if (!m_link) {
        close();
        return;
    }
    m_sending = true;
    setEnabled(false);
    // The link owns the sequence from here on: it goes out whole even if the
    // operator closes the dialog meanwhile; only a dialog still there closes.
    SerialLink::Source source(*m_link, QStringLiteral("setup"));
    m_link->sendSequence(steps, this, [this](SendResult) { close(); });
}

} // namespace kvt
