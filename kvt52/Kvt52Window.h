#pragma once

#include "CommChoice.h"
#include "family/BlockCommands.h"
#include "family/ModelCatalogue.h"
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
    Kvt52Window(const Model& model, Operator& op, std::unique_ptr<SerialPort> port,
                const Timings& timings = {}, QWidget* parent = nullptr);
    ~Kvt52Window() override;

    void initialise() override;
    const Model& model() const { return m_model; }

    void greyOutEditor();
    void activateEditor();
    // The dialog is open and the window waits for its OK or Cancel.
    bool isChoosingCommSettings() const { return m_choosingCommSettings; }
    const CommChoice& commChoice() const { return m_comm; }

protected:
    void closeOwnWindows() override;

private:
    void buildMenus();
    void chooseCommSettings(bool cancelOffered);
    void initComm();
    void downloadBlock(BlockKind kind);
    void downloadFinished(const BlockDownload& download, TransferOutcome outcome, BlockKind kind);
    // Reads back the kind last downloaded (a program before any download) and
    // compares it; after a download its result joins downloadReport.
    void verifyBlock(const QString& downloadReport);
    void uploadBlock(BlockKind kind);
    void uploadFinished(const BlockUpload& upload, TransferOutcome outcome, BlockKind kind);

    const Model& m_model;
    CommChoice m_comm;
    bool m_choosingCommSettings = false;
    QPointer<CommSetupDialog> m_commSetup;

    QMenu* m_fileMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_downloadMenu = nullptr;
    QAction* m_verifyItem = nullptr;
    QAction* m_verifyAfterItem = nullptr;
    BlockKind m_lastDownloaded = BlockKind::Program;
    QMenu* m_uploadMenu = nullptr;
    QAction* m_commItem = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_exitItem = nullptr;
};

} // namespace kvt
