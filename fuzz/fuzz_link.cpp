// The link's receive handling during an upload, fed the same bytes at once and in random
// pieces of 1 to 64 bytes: where the pieces fall may change where one reply ends and the
// next begins, but never what is received: every byte is reported once, in order, or is
// still waiting in the receive buffer.
#include "link/unitlink.h"
#include "link/wire.h"
#include "platform/latin1.h"
#include "tests/support/fakes.h"

#include <QCoreApplication>
#include <cstdlib>

namespace {

struct Rig {
    fakes::FakeSerialPort port;
    unitlink::UnitLink link{port};
    QString replies;
    int acknowledged = 0, total = 0;
    bool badOutput = false;
    Rig()
    {
        QObject::connect(&link, &unitlink::UnitLink::replyReceived, [this](const QString &text) { replies += text; });
        QObject::connect(&link, &unitlink::UnitLink::acknowledged, [this](int done, int of) {
            acknowledged = done;
            total = of;
        });
        QObject::connect(&link, &unitlink::UnitLink::outputReported,
                         [this](int output, bool) { badOutput |= output < 1 || output > 4; });
        link.setChainPassword(QStringLiteral("5831"));
        port.open(QStringLiteral("/dev/fuzz"), {});
        QList<unitlink::ChainCommand> chain;
        for (int i = 0; i < 8; ++i)
            chain.append({QStringLiteral("step"), QString::number(i), unitlink::wire::kAddNumber});
        link.startChain(chain);
    }
    // Everything received so far: the replies reported and what still waits.
    QString received() const { return replies + link.rxBuffer(); }
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
        // States go only to the four outputs.
        if (r->badOutput)
            abort();
        if (r->acknowledged > r->total || r->link.sentCount() > r->link.commandCount()
            || r->port.writes.size() > r->link.commandCount())
            abort();
    }
    return 0;
}
