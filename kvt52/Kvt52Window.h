#pragma once

#include "CommChoice.h"
#include "frontend/FrontEndWindow.h"
#include "transfer/TransferOutcome.h"

#include <QPointer>

class QAction;
class QMenu;

namespace kvt {

class BlockDownload;
class BlockUpload;
class CommSetupDialog;

// frmkvt_px_52, the front end of the KVT52, KVT54, PX52 and PX54: the editor
// panel, the message panel for the transfers' status, the communication
// setup and block transfers of programs, position data and parameters.
class Kvt52Window : public FrontEndWindow {
    Q_OBJECT
public:
    Kvt52Window(Operator& op, std::unique_ptr<SerialPort> port, const Timings& timings = {},
                QWidget* parent = nullptr);
    ~Kvt52Window() override;

    void initialise() override;

    void formdisable();
    void editen();
    // The dialog is open and the window waits for its OK or Cancel.
    bool Commmenu() const { return m_commmenu; }
    const CommChoice& commChoice() const { return m_comm; }

protected:
    void closeOwnWindows() override;

private:
    void buildMenus();
    void mnucomm_Click(bool cancelOffered);
    void Comm_Init();
    void DownloadBlock(const QString& command);
    void downloadFinished(const BlockDownload& download, TransferOutcome outcome);
    // Reads back the kind last downloaded (a program before any download) and
    // compares it; after a download its result joins downloadReport.
    void verifyBlock(const QString& downloadReport);
    void UploadBlock(const QString& command);
    void uploadFinished(const BlockUpload& upload, TransferOutcome outcome, const QString& command);

    CommChoice m_comm;
    bool m_commmenu = false;
    QPointer<CommSetupDialog> frmcommsetup;

    QMenu* mnufile = nullptr;
    QMenu* mnuedit = nullptr;
    QMenu* mnudownload = nullptr;
    QAction* mnuverify = nullptr;
    QAction* mnuverifyafter = nullptr;
    QString m_lastDownloaded; // its opening command, S00 to S02
    QMenu* mnuupload = nullptr;
    QAction* mnucomm = nullptr;
    QMenu* mnuhelp = nullptr;
    QAction* mnuexit = nullptr;
};

} // namespace kvt
