#pragma once

#include "TransferJob.h"
#include "UploadedBlock.h"
#include "link/LineWait.h"

#include <QString>

namespace kvt {

// Collects a program block that ends in "END": after a request command on
// the four-model controllers, or whatever a KVT31/KVT33 sends once the
// operator pressed ENT at "UPLOAD READY". Only a controller that stays silent
// for the whole limit times out; once anything arrived, "END", the
// operator's Cancel or a flood past 1 MiB ends the wait.
class BlockUpload : public TransferJob {
    Q_OBJECT
public:
    static constexpr qsizetype bufferLimit = 1024 * 1024;

    struct Request {
        QString command; // "S03" ...
        milliseconds watchdog;
    };

    // No request: the controller is told on its own keypad.
    BlockUpload(SerialLink& link, milliseconds limit, std::optional<Request> request = {},
                QObject* parent = nullptr);

    void start() override;
    bool receive(const QByteArray& data) override;
    void cancel() override { finish(TransferOutcome::Cancelled); }

    // The program for the editor, once the upload is complete.
    program::UploadedBlock block() const { return program::uploadedBlock(m_collected); }

protected:
    void wrapUp() override { m_silence.stop(); }

private:
    LineWait m_silence;
    milliseconds m_limit;
    std::optional<Request> m_request;
    QString m_collected;
};

} // namespace kvt
