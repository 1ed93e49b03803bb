#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kvt {

// frmmessage: tells the operator a transfer is running and lets them stop it.
// The window whose transfer it belongs to owns it, listens to cancelled() and
// calls unload() when the transfer ends by itself. It sits above that window,
// centred over it, and deletes itself once closed.
class MessageWindow : public QDialog {
    Q_OBJECT
public:
    // None for owner leaves it a window of its own.
    explicit MessageWindow(QWidget* owner);

    // Ends the window without stopping anything: the transfer is already over.
    void unload();
    // Closed, by unload() or by the operator, and only waiting to be deleted.
    bool isUnloaded() const { return m_unloading; }

    void setMessage(const QString& text);
    QString message() const;

Q_SIGNALS:
    // The operator stopped the transfer.
    void cancelled();

public Q_SLOTS:
    // Escape: the same as Cancel.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void cancelClicked();

    bool m_unloading = false;

    QLabel* m_message = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace kvt
