#pragma once

#include "TransferJob.h"
#include "UploadedBlock.h"
#include "link/LineWait.h"

#include <QString>

namespace kvt {

// Collects what a KVT31/KVT33 sends after the operator pressed ENT at
// "UPLOAD READY": everything until "END". Nothing is sent. Only a controller
// that stays silent for the whole limit times out; once anything arrived,
// "END", the operator's Cancel or a flood past 1 MiB ends the wait.
class KeypadUpload : public TransferJob {
    Q_OBJECT
public:
    static constexpr qsizetype bufferLimit = 1024 * 1024;

    KeypadUpload(SerialLink& link, milliseconds limit, QObject* parent = nullptr);

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
    QString m_collected;
};

} // namespace kvt
