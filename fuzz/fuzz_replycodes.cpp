// The reply code reader on any text: at most the first 21 codes, each the number read
// from the text between "(" and the next ")".
#include "link/replycodes.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<qint16> codes = unitlink::read_reply_codes(text);
    if (codes.size() > unitlink::kMaxReplyCodes || codes.size() > text.count(QLatin1Char(')')))
        abort();
    // A lone code reads back as itself.
    for (qint16 code : codes)
        if (code != unitlink::kCodeWithoutEffect
            && unitlink::read_reply_codes(QStringLiteral("(%1)").arg(code)) != QList<qint16>{code})
            abort();
    return 0;
}
