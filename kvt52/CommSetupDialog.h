#pragma once

#include "CommChoice.h"

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QPushButton;

namespace kvt {

// Commsetup: the port and line settings of the four-model window. At start-up
// it offers no Cancel: the window cannot work before a port was chosen, so
// closing it then means OK. Later its close box and Escape mean Cancel.
class CommSetupDialog : public QDialog {
    Q_OBJECT
public:
    // devices: what COM1 and COM2 stand for on this computer, shown beside them.
    CommSetupDialog(const CommChoice& current, bool cancelOffered, const QStringList& devices,
                    QWidget* parent);

    CommChoice choice() const;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    void chosen(const CommChoice& choice);
    void cancelled();

private:
    QGroupBox* addFrame(const QString& caption, const char* name, const char* optionName,
                        const QStringList& options, int selected, QButtonGroup*& group);

    bool m_cancelOffered;
    bool m_decided = false;
    QButtonGroup* m_portGroup = nullptr;
    QButtonGroup* m_baudGroup = nullptr;
    QButtonGroup* m_parityGroup = nullptr;
    QButtonGroup* m_dataBitsGroup = nullptr;
    QButtonGroup* m_stopBitsGroup = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace kvt
