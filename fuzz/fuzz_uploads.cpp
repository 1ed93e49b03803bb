// Any bytes, in any split over reads, as a controller's answer to an upload
// of each family: the jobs collect it as the windows and the command line run
// them. The first byte picks the family and the program; every later byte
// below 0x20 cuts the stream there, so the fuzzer also chooses the reads.
#include "link/SerialLink.h"
#include "link/SerialPort.h"
#include "transfer/BlockUpload.h"
#include "transfer/Kvt7Upload.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

namespace {

// Takes every write at once and has nothing left to send, so a request
// leaves without the event loop's pacing.
class OpenLine : public kvt::SerialPort {
public:
    bool open(int) override { return true; }
    bool isOpen() const override { return true; }
    void close() override {}
    QString errorString() const override { return {}; }
    bool setSettings(const QString&) override { return true; }
    void setHandshaking(kvt::Handshaking) override {}
    bool write(const QByteArray&) override { return true; }
    qint64 bytesAvailable() const override { return 0; }
    qint64 bytesToWrite() const override { return 0; }

protected:
    QByteArray readRaw(qint64) override { return {}; }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kvt;
    using namespace std::chrono_literals;
    if (size == 0)
        return 0;
    const int choice = data[0];
    OpenLine port;
    SerialLink link(port, LinkProfile::kvt52(), Timings{});
    std::unique_ptr<TransferJob> job;
    if (choice % 3 == 0)
        job = std::make_unique<Kvt7Upload>(link, choice / 3 % 4, 1h);
    else if (choice % 3 == 1)
        job = std::make_unique<BlockUpload>(link, 1h);
    else
        job = std::make_unique<BlockUpload>(link, 1h, BlockUpload::Request{"S03", 1h});
    job->start();
    const auto* bytes = reinterpret_cast<const char*>(data + 1);
    qsizetype pieceStart = 0;
    for (qsizetype i = 0; i <= qsizetype(size - 1); ++i) {
        if (i < qsizetype(size - 1) && bytes[i] >= 0x20)
            continue;
        job->receive(QByteArray(bytes + pieceStart, i - pieceStart + (i < qsizetype(size - 1))));
        pieceStart = i + 1;
    }
    // What the window or the command line takes from the job at its end.
    if (auto* upload = dynamic_cast<BlockUpload*>(job.get())) {
        const program::UploadedBlock block = upload->block();
        if (block.text.contains(QLatin1String("END")))
            std::abort(); // the text handed on never holds the marker that ends it
        (void)program::cutAtEndText(block, QStringLiteral("the editor"));
    } else {
        (void)static_cast<Kvt7Upload*>(job.get())->programText();
    }
    job->stop(TransferOutcome::Abandoned);
    link.shutDown();
    return 0;
}
