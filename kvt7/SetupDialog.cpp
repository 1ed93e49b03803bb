#include "SetupDialog.h"

#include "Spinner.h"
#include "link/NumberText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

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
    button->setAutoDefault(false);
    button->setDefault(false);
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
    connect(spinner, &Spinner::numberChanged, this, [box, store = std::move(store)](int number) {
        box->setText(QString::number(number));
        store(number);
    });
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
