#pragma once

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
    Kvt31_33Window(Operator& op, std::unique_ptr<SerialPort> port, const Timings& timings = {},
                   QWidget* parent = nullptr);
    ~Kvt31_33Window() override;

    void initialise() override;

    void formdisable();
    void editen();

private:
    void buildMenus();
    void buildFrames();
    void mnudownload_Click();
    void mnuupload_Click();
    void uploadFinished(const BlockUpload& upload, TransferOutcome outcome);
    // Reads the program back as an upload does, keyed in on the controller,
    // and compares it with the editor's.
    void mnuverify_Click();

    QMenu* mnufile = nullptr;
    QMenu* mnuedit = nullptr;
    QMenu* mnudownloadmenu = nullptr;
    QAction* mnudownload = nullptr;
    QAction* mnuverify = nullptr;
    QAction* mnuupload = nullptr;
    QAction* mnuexit = nullptr;
};

} // namespace kvt
