#include "platform/latin1.h"

namespace platform {

bool isLatin1(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

} // namespace platform
