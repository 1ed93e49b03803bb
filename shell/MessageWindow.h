#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;

namespace kvt {

// frmmessage: tells the operator a transfer is running and lets them stop it.
// There is never more than one; a transfer engine takes it from instance(),
// listens to cancelled() and calls unload() when the transfer ends by itself.
// It sits above the window whose transfer it belongs to, centred over it.
class MessageWindow : public QDialog {
    Q_OBJECT
public:
    // The live window, or a fresh empty one after the last was unloaded;
    // either way it now belongs to owner (none leaves it a window of its own).
    static MessageWindow* instance(QWidget* owner = nullptr);
    // Ends the window without stopping anything: the transfer is already over.
    static void unload();

    void setMessage(const QString& text);
    QString message() const;

Q_SIGNALS:
    // The operator stopped the transfer; the transfer flags are already set.
    void cancelled();

public Q_SLOTS:
    // Escape: the same as Cancel.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    explicit MessageWindow(QWidget* owner);
    void cmdcancel_Click();

    static inline QPointer<MessageWindow> s_instance;
    bool m_unloading = false;

    QLabel* lblmessage = nullptr;
    QPushButton* cmdcancel = nullptr;
};

} // namespace kvt
