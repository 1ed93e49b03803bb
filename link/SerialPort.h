#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

namespace kvt {

// Event codes reported by commEvent(), numbered as the controllers' PC software
// has always numbered them (the serial control of the original platform).
namespace CommEvent {
inline constexpr int Send = 1;
inline constexpr int Receive = 2;
inline constexpr int CtsChange = 3;
inline constexpr int DsrChange = 4;
inline constexpr int CdChange = 5;
inline constexpr int Ring = 6;
inline constexpr int EndOfFile = 7;
inline constexpr int Break = 1001;
inline constexpr int CtsTimeout = 1002;
inline constexpr int DsrTimeout = 1003;
inline constexpr int Frame = 1004;
inline constexpr int Overrun = 1006;
inline constexpr int CdTimeout = 1007;
inline constexpr int ReceiveOverflow = 1008;
inline constexpr int ReceiveParity = 1009;
inline constexpr int TransmitFull = 1010;
} // namespace CommEvent

enum class Handshaking { None = 0, RtsCts = 2 };

// The serial port as the windows see it: opened by number (1 = COM1, 2 = COM2),
// configured with a settings string, written one character per call, read in
// pieces of at most inputLength() characters.
//
// The receive threshold is implemented here, once, for every implementation:
// a Receive event is raised when at least threshold characters wait, and is
// raised again after each read while that many still wait, so a read limited
// to a few characters never strands a longer burst. One event takes up to
// readStep bytes in such pieces: at two characters per event a fast line
// outruns the reader, and what it cannot take piles up. Fewer characters than the
// threshold are reported once the line has been quiet for a short while, so
// the last character of an odd-length transmission is not left unread until
// the controller happens to send again.
class SerialPort : public QObject {
    Q_OBJECT
public:
    explicit SerialPort(QObject* parent = nullptr);

    virtual bool open(int portNumber) = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    // The device behind a port number, for the operator; empty where unknown.
    virtual QString deviceName(int /*portNumber*/) const { return {}; }
    // The operator may point a port number at another device (a USB adapter
    // plugged in elsewhere); it is used from the next open on.
    virtual void setDevice(int /*portNumber*/, const QString& /*device*/) {}
    // Whether the device that went away may be opened again now. Asked over
    // and over while it is away, so it never waits: a server on the network
    // is asked in the background, and the answer comes with a later call.
    virtual bool deviceMayBeBack(int portNumber);
    // Why the last open, write or settings change failed, for the operator.
    virtual QString errorString() const = 0;
    // "9600,N,8,1": baud, parity letter, data bits, stop bits. False when the
    // device refused any of them; it then keeps every one it took.
    virtual bool setSettings(const QString& settings) = 0;
    // What the open device really runs with, which after a refusal is not
    // what was asked for; empty where the port cannot tell.
    virtual QString settingsInEffect() const { return {}; }
    virtual void setHandshaking(Handshaking handshaking) = 0;
    // One call is one write on the line; callers pass single characters.
    virtual bool write(const QByteArray& data) = 0;
    virtual qint64 bytesAvailable() const = 0;
    // Bytes accepted by write() but not yet on the line, the system driver's
    // queue included. Nothing signals when that queue empties: a caller that
    // waits for it looks again.
    virtual qint64 bytesToWrite() const = 0;
    // Drops what is still waiting to go out. A line the handshake held back
    // would otherwise leave whenever the controller comes on, half a block
    // that nobody closes.
    virtual void discardOutput() {}

    // 0 reads everything that waits, N at most N characters.
    void setInputLength(int length) { m_inputLength = length; }
    int inputLength() const { return m_inputLength; }
    // 0 switches receive events off.
    void setReceiveThreshold(int threshold);
    int receiveThreshold() const { return m_receiveThreshold; }
    // How long fewer characters than the threshold may wait unreported; 0
    // leaves them waiting for more.
    void setStrandedReadDelay(std::chrono::milliseconds delay)
    {
        m_strandedRead.setInterval(delay);
    }
    // At 1200 baud a character takes about 8 ms: a gap of a few characters
    // means the controller has finished, not that it pauses between two.
    static constexpr std::chrono::milliseconds defaultStrandedReadDelay{30};

    // The most one Receive event takes, so a flood is read in steps that keep
    // the window answering, yet cost no more per byte than a long transfer.
    static constexpr qint64 readStep = 4096;

    // What successive reads of at most inputLength() characters would return,
    // in order, while the threshold is met, up to readStep bytes in all. The
    // first piece is read whatever waits: the event may be the one for a
    // short rest after a quiet period.
    QList<QByteArray> readPieces();

Q_SIGNALS:
    void commEvent(int code);
    // Some or all pending output reached the line; drain waits listen to this.
    void bytesWritten();
    // The device went away or failed for good; the port is already closed.
    void linkLost(const QString& reason);

protected:
    // Implementations call this whenever new input arrived.
    void notifyInput();
    virtual QByteArray readRaw(qint64 maxSize) = 0;

private:
    void recheckThreshold();
    // Fewer than threshold characters wait: they are read after a quiet period.
    void watchStranded();
    void onStrandedReadDue();

    QTimer m_strandedRead;
    int m_inputLength = 0;
    int m_receiveThreshold = 0;
    bool m_recheckPending = false;
};

} // namespace kvt
