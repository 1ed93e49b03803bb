#include "StartupWindow.h"
#include "Version.h"

#include "FrontEnds.h"

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

    lbltitle_1 =
        new QLabel(QStringLiteral("KVT CONTROLLERS COMMUNICATION SOFTWARE") +
                       QString(40, QLatin1Char(' ')) + QStringLiteral(KVTCOMM_VERSION_TEXT),
                   this);
    lbltitle_1->setObjectName(QStringLiteral("lbltitle_1"));
    lbltitle_1->setWordWrap(true);
    lbltitle_1->setAlignment(Qt::AlignCenter);
    QFont titleFont = lbltitle_1->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    lbltitle_1->setFont(titleFont);

    lbltitle_0 = new QLabel(tr("Stepper-motor controllers"), this);
    lbltitle_0->setObjectName(QStringLiteral("lbltitle_0"));
    lbltitle_0->setAlignment(Qt::AlignCenter);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(motorPicture());
    Image1->setAccessibleName(tr("Stepper motor"));

    Frame2 = new QGroupBox(tr("Controller"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* choices = new QGridLayout(Frame2);
    const std::array<const char*, 7> names{"KVT7", "KVT31", "KVT33", "KVT52",
                                           "PX52", "KVT54", "PX54"};
    for (std::size_t i = 0; i < optctrl.size(); ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(names[i]), Frame2);
        option->setObjectName(QStringLiteral("optctrl_%1").arg(i));
        // Double-clicking a model is the quick way to choose it.
        option->installEventFilter(this);
        const int row = static_cast<int>(i) % 4;
        const int column = static_cast<int>(i) / 4;
        choices->addWidget(option, row, column);
        optctrl[i] = option;
    }
    optctrl[0]->setChecked(true);

    cmdcont1 = new QPushButton(tr("OK"), this);
    cmdcont1->setObjectName(QStringLiteral("cmdcont1"));
    cmdcont1->setDefault(true);
    connect(cmdcont1, &QPushButton::clicked, this, &StartupWindow::cmdcont1_Click);

    cmdports = new QPushButton(tr("&Ports..."), this);
    cmdports->setObjectName(QStringLiteral("cmdports"));
    connect(cmdports, &QPushButton::clicked, this, &StartupWindow::portsRequested);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdcont1);
    buttons->addWidget(cmdports);
    buttons->addStretch();

    auto* middle = new QHBoxLayout;
    middle->addWidget(Image1, 0, Qt::AlignCenter);
    middle->addWidget(Frame2, 1);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(lbltitle_1);
    layout->addWidget(lbltitle_0);
    layout->addLayout(middle);
    layout->addLayout(buttons);
    setMaximumWidth(520);
}

bool StartupWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (auto* option = qobject_cast<QRadioButton*>(watched)) {
            option->setChecked(true);
            cmdcont1_Click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void StartupWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        cmdcont1_Click();
    else
        QMainWindow::keyPressEvent(event);
}

void StartupWindow::cmdcont1_Click()
{
    int choice = 6;
    for (int i = 0; i < 6; ++i) {
        if (optctrl[static_cast<std::size_t>(i)]->isChecked()) {
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
