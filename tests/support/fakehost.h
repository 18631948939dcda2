#pragma once
// A link host that keeps what the link shows: the log, the progress and the output colours.
#include "link/unitlink.h"

#include <QString>

namespace fakes {

struct FakeHost : unitlink::LinkHost {
    QString pass = QStringLiteral("1234"), log, colours; // colours: "1g2r" = output 1 green, then output 2 red
    int appends = 0, value = 0, maximum = 100;
    QString password() const override { return pass; }
    void appendLog(const QString &text) override
    {
        log += text;
        ++appends;
    }
    void clearLog() override { log.clear(); }
    void setProgress(int v, int m) override
    {
        value = v;
        maximum = m;
    }
    int progressValue() const override { return value; }
    int progressMaximum() const override { return maximum; }
    void setOutputColour(int output, quint32 c) override
    {
        const char *name = c == 255 ? "r" : "?";
        if (c == 65280)
            name = "g";
        colours += QString::number(output) + QLatin1String(name);
    }
};

} // namespace fakes
