#pragma once
#include <QString>

namespace cli {

// What the operator sees on stderr: one line per step, a progress bar under the lines when
// stderr is a terminal, and nothing but errors when asked to be quiet.
class Reporter {
public:
    Reporter(bool quiet, bool terminal);
    ~Reporter();

    // A step of a run of `maximum` steps, e.g. "upload: 612/1000" and the command acknowledged.
    void step(const QString &line, int value, int maximum);
    void info(const QString &line);
    void error(const QString &line);

private:
    void write(const QString &line);
    void clearBar();
    void drawBar();

    bool quiet_;
    bool terminal_;
    bool barShown_ = false;
    int value_ = 0;
    int maximum_ = 0;
};

} // namespace cli
