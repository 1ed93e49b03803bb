#include "StartupWindow.h"
#include "Version.h"

#include "FrontEnds.h"
#include "family/ModelCatalogue.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kvt {

namespace {

// A stepper motor seen from its shaft end: a square flange with four mounting
// holes, the round body and the shaft with its flat.
QPixmap motorPicture()
{
    constexpr int size = 96;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(QColor(150, 155, 165));
    p.drawRoundedRect(QRectF(6, 6, size - 12, size - 12), 8, 8);
    p.setBrush(QColor(60, 60, 70));
    for (const QPointF hole : {QPointF(18, 18), QPointF(78, 18), QPointF(18, 78), QPointF(78, 78)})
        p.drawEllipse(hole, 5, 5);
    p.setBrush(QColor(205, 210, 215));
    p.drawEllipse(QPointF(48, 48), 26, 26);
    p.setBrush(QColor(230, 230, 235));
    p.drawChord(QRectF(40, 40, 16, 16), 30 * 16, 300 * 16);
    return pixmap;
}

} // namespace

StartupWindow::StartupWindow(FrontEnds& frontEnds, QWidget* parent)
    : QMainWindow(parent), m_frontEnds(frontEnds)
{
    setObjectName(QStringLiteral("frmkvt_comm"));
    setWindowTitle(QStringLiteral("KVT COMMUNICATION SOFTWARE"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_title =
        new QLabel(QStringLiteral("KVT CONTROLLERS COMMUNICATION SOFTWARE") +
                       QString(40, QLatin1Char(' ')) + QStringLiteral(KVTCOMM_VERSION_TEXT),
                   this);
    m_title->setObjectName(QStringLiteral("lbltitle_1"));
    m_title->setWordWrap(true);
    m_title->setAlignment(Qt::AlignCenter);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    m_title->setFont(titleFont);

    m_subtitle = new QLabel(tr("Stepper-motor controllers"), this);
    m_subtitle->setObjectName(QStringLiteral("lbltitle_0"));
    m_subtitle->setAlignment(Qt::AlignCenter);

    m_motorPicture = new QLabel(this);
    m_motorPicture->setObjectName(QStringLiteral("Image1"));
    m_motorPicture->setPixmap(motorPicture());
    m_motorPicture->setAccessibleName(tr("Stepper motor"));

    m_modelBox = new QGroupBox(tr("Controller"), this);
    m_modelBox->setObjectName(QStringLiteral("Frame2"));
    auto* choices = new QGridLayout(m_modelBox);
    const auto models = ModelCatalogue::models();
    for (std::size_t i = 0; i < models.size(); ++i) {
        auto* option = new QRadioButton(models[i].name(), m_modelBox);
        option->setObjectName(QStringLiteral("optctrl_%1").arg(i));
        // Double-clicking a model is the quick way to choose it.
        option->installEventFilter(this);
        const int row = static_cast<int>(i) % 4;
        const int column = static_cast<int>(i) / 4;
        choices->addWidget(option, row, column);
        m_modelOptions.append(option);
    }
    m_modelOptions[0]->setChecked(true);

    m_okButton = new QPushButton(tr("OK"), this);
    m_okButton->setObjectName(QStringLiteral("cmdcont1"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &StartupWindow::openChosenModel);

    m_portsButton = new QPushButton(tr("&Ports..."), this);
    m_portsButton->setObjectName(QStringLiteral("cmdports"));
    connect(m_portsButton, &QPushButton::clicked, this, &StartupWindow::portsRequested);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_portsButton);
    buttons->addStretch();

    auto* middle = new QHBoxLayout;
    middle->addWidget(m_motorPicture, 0, Qt::AlignCenter);
    middle->addWidget(m_modelBox, 1);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(m_title);
    layout->addWidget(m_subtitle);
    layout->addLayout(middle);
    layout->addLayout(buttons);
    setMaximumWidth(520);
}

bool StartupWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (auto* option = qobject_cast<QRadioButton*>(watched)) {
            option->setChecked(true);
            openChosenModel();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void StartupWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        openChosenModel();
    else
        QMainWindow::keyPressEvent(event);
}

void StartupWindow::openChosenModel()
{
    // The last model when none is checked, as the first ones are asked in turn.
    int choice = int(m_modelOptions.size()) - 1;
    for (int i = 0; i < choice; ++i) {
        if (m_modelOptions[i]->isChecked()) {
            choice = i;
            break;
        }
    }
    // Hidden, not closed: for a moment no window is visible, and closing the
    // only one would end the program before the chosen window appears.
    hide();
    deleteLater();
    m_frontEnds.open(choice);
}

} // namespace kvt
