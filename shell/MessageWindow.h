#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace kvt {

// frmmessage: tells the operator a transfer is running and lets them stop it.
// There is never more than one; a transfer engine takes it from instance(),
// listens to cancelled() and calls unload() when the transfer ends by itself.
class MessageWindow : public QWidget {
    Q_OBJECT
public:
    // The live window, or a fresh empty one after the last was unloaded.
    static MessageWindow* instance();
    // Ends the window without stopping anything: the transfer is already over.
    static void unload();

    void setMessage(const QString& text);
    QString message() const;

Q_SIGNALS:
    // The operator stopped the transfer; the transfer flags are already set.
    void cancelled();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit MessageWindow(QWidget* parent = nullptr);
    void cmdcancel_Click();

    static inline QPointer<MessageWindow> s_instance;
    bool m_unloading = false;

    QLabel* lblmessage = nullptr;
    QPushButton* cmdcancel = nullptr;
};

} // namespace kvt
