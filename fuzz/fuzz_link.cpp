// The link's receive handling during an upload, fed the same bytes at once and in random
// pieces of 1 to 64 bytes: where the pieces fall may change where one reply ends and the
// next begins, but never what is received: every byte is logged once, in order, or is
// still waiting in the receive buffer.
#include "link/unitlink.h"
#include "platform/latin1.h"
#include "tests/support/fakehost.h"
#include "tests/support/fakes.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <cstdlib>

namespace {

struct Rig {
    fakes::FakeSerialPort port;
    fakes::FakeTimer quiet;
    fakes::FakeDialogs dialogs;
    fakes::FakeHost host;
    unitlink::UnitLink link{port, quiet, dialogs, host};
    Rig()
    {
        host.pass = QStringLiteral("5831");
        port.open(QStringLiteral("/dev/fuzz"), {});
        link.set_link_mode(unitlink::kModeUpload);
        for (int i = 0; i < 8; ++i)
            link.queue_cmd(QStringLiteral("step"), QString::number(i), QStringLiteral("TEL ADDN "));
        link.start_upload();
    }
    // Everything received so far, taken back out of the log and the buffer.
    QString received() const
    {
        const QString sendMark = QStringLiteral("\r\nSEND: ");
        const QString recvMark = QStringLiteral("\r\nRECV: ");
        QString out;
        qsizetype at = host.log.indexOf(recvMark);
        while (at >= 0) {
            at += recvMark.size();
            qsizetype next = host.log.indexOf(recvMark, at);
            const qsizetype send = host.log.indexOf(sendMark, at);
            // A "SEND: " line can only follow a reply; it is the link's, not the unit's.
            const qsizetype end = send >= 0 && (next < 0 || send < next) ? send : next;
            out += host.log.mid(at, end < 0 ? -1 : end - at);
            at = next;
        }
        return out + link.rx_buffer();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_link";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size < 1)
        return 0;
    unsigned seed = data[0];
    const QByteArray stream(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (stream.contains("\r\nSEND: ") || stream.contains("\r\nRECV: "))
        return 0; // would read as the link's own lines

    Rig whole, pieces;
    whole.port.feedNow(stream);
    for (qsizetype at = 0; at < stream.size();) {
        seed = seed * 1103515245u + 12345u;
        const qsizetype n = qMin<qsizetype>(1 + (seed >> 16) % 64, stream.size() - at);
        pieces.port.feedNow(stream.mid(at, n));
        at += n;
    }
    const QString expected = platform::fromWire(stream);
    for (const Rig *r : {&whole, &pieces}) {
        if (r->received() != expected)
            abort();
        // Colours go only to the four outputs.
        static const QRegularExpression outputColours(QStringLiteral("^([1-4][rg?])*$"));
        if (!outputColours.match(r->host.colours).hasMatch())
            abort();
        if (r->host.value > r->host.maximum || r->link.cmd_pos() > r->link.cmd_count()
            || r->port.writes.size() > r->link.cmd_count())
            abort();
    }
    return 0;
}
