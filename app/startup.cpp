#include "app/startup.h"

#include <QApplication>
#include <QFontMetrics>
#include <fontconfig/fontconfig.h>

namespace app {

FontsAhead::FontsAhead() : init_(std::async(std::launch::async, [] { return FcInit() == FcTrue; })) {}

void FontsAhead::finish()
{
    // Qt's own call to FcInit must not race this one, or both would load the configuration.
    if (init_.valid())
        init_.get();
    QFontMetrics(QApplication::font()).height();
}

} // namespace app
