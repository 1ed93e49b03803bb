#pragma once

#include "ReceiveLimit.h"
#include "TransferJob.h"
#include "UploadedBlock.h"
#include "link/LineWait.h"

#include <QString>

namespace kvt {

// Collects a program block that ends in "END": after a request command on
// the four-model controllers, or whatever a KVT31/KVT33 sends once the
// operator pressed ENT at "UPLOAD READY". A controller silent for the whole
// limit, before the first character or after any later one, times out: a
// cable pulled mid-block gives no other sign. The upload is complete once the
// line holding "END" has ended, so the operator learns what stood after the
// marker on it.
class BlockUpload : public TransferJob {
    Q_OBJECT
public:
    static constexpr qsizetype bufferLimit = receiveLimitBytes;

    struct Request {
        QString command; // "S03" ...
        milliseconds watchdog;
    };

    // No request: the controller is told on its own keypad.
    BlockUpload(SerialLink& link, milliseconds limit, std::optional<Request> request = {},
                QObject* parent = nullptr);

    void start() override;
    void receive(const QByteArray& data) override;
    bool keepsReceived() const override { return isRunning(); }
    void cancel() override { finish(TransferOutcome::Cancelled); }

    // How long the rest of the line holding "END" may keep the upload waiting.
    void setEndLineQuiet(milliseconds quiet) { m_endLineQuiet = quiet; }
    // Characters received so far, kept also when the upload did not complete.
    qsizetype arrived() const { return m_collected.size(); }

    // The program for the editor, once the upload is complete.
    program::UploadedBlock block() const { return program::uploadedBlock(m_collected); }

protected:
    void wrapUp() override
    {
        m_silence.stop();
        m_endLine.stop();
    }

private:
    LineWait m_silence;
    LineWait m_endLine;
    milliseconds m_limit;
    milliseconds m_endLineQuiet = Timings{}.endLineQuiet;
    std::optional<Request> m_request;
    QString m_collected;
    qsizetype m_endAt = -1;
};

} // namespace kvt
