// The simulated unit's framing: the same bytes fed at once and in random pieces of 1 to 64
// bytes must give the same commands, the same answers and the same unit state.
#include "unitsim/unitprotocol.h"

#include <cstdlib>

namespace {

bool sameState(const unitsim::UnitState &a, const unitsim::UnitState &b)
{
    if (a.password != b.password || a.systemName != b.systemName || a.masterNumber != b.masterNumber
        || a.inputNames != b.inputNames || a.outputs != b.outputs || a.numbers.size() != b.numbers.size()
        || a.errorReporting != b.errorReporting || a.monitorDigits != b.monitorDigits)
        return false;
    for (qsizetype i = 0; i < a.numbers.size(); ++i)
        if (a.numbers[i].number != b.numbers[i].number || a.numbers[i].value != b.numbers[i].value)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    unsigned seed = data[0];
    const bool intercom = data[1] & 1;
    const QByteArray stream(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));

    unitsim::UnitProtocol whole, pieces;
    for (unitsim::UnitProtocol *u : {&whole, &pieces})
        u->setModel(intercom ? unitsim::Model::Intercom : unitsim::Model::Gate);
    const QList<unitsim::Exchange> a = whole.feed(stream);
    QList<unitsim::Exchange> b;
    for (qsizetype at = 0; at < stream.size();) {
        seed = seed * 1103515245u + 12345u;
        const qsizetype n = qMin<qsizetype>(1 + (seed >> 16) % 64, stream.size() - at);
        b += pieces.feed(stream.mid(at, n));
        at += n;
    }
    if (a.size() != b.size() || whole.pendingBytes() != pieces.pendingBytes()
        || whole.pendingBytes() > unitsim::UnitProtocol::MaxFrame + 1)
        abort();
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].command != b[i].command || a[i].reply != b[i].reply)
            abort();
    if (!sameState(whole.state(), pieces.state()) || whole.dump() != pieces.dump())
        abort();
    return 0;
}
