#pragma once

#include "family/ModelCatalogue.h"
#include "frontend/FrontEndWindow.h"
#include "transfer/TransferOutcome.h"

class QAction;
class QMenu;

namespace kvt {

class BlockUpload;

// frmkvt_31_33, the KVT31/KVT33 front end: the editor panel and the message
// panel. The controllers are worked from their own keypad; this window only
// edits programs, moves them while the operator steps the keypad, and shows
// what the controller sends.
class Kvt31_33Window : public FrontEndWindow {
    Q_OBJECT
public:
    Kvt31_33Window(const Model& model, Operator& op, std::unique_ptr<SerialPort> port,
                   const Timings& timings = {}, QWidget* parent = nullptr);
    ~Kvt31_33Window() override;

    void initialise() override;
    const Model& model() const { return m_model; }

    void greyOutEditor();
    void activateEditor();

private:
    void buildMenus();
    void buildFrames();
    void startDownload();
    void startUpload();
    void uploadFinished(const BlockUpload& upload, TransferOutcome outcome);
    // Reads the program back as an upload does, keyed in on the controller,
    // and compares it with the editor's.
    void startVerify();

    const Model& m_model;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_downloadMenu = nullptr;
    QAction* m_downloadItem = nullptr;
    QAction* m_verifyItem = nullptr;
    QAction* m_uploadItem = nullptr;
    QAction* m_exitItem = nullptr;
};

} // namespace kvt
