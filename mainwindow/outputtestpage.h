#pragma once
#include <QGroupBox>
#include <array>

class QLabel;
class QPushButton;

namespace mainwindow {

// An output's state label: red while off, green while on (0x00BBGGRR).
inline constexpr quint32 kColourRed = 255;
inline constexpr quint32 kColourGreen = 65280;

// The "Output Testing " page: an ON and an OFF button and a state label per output.
class OutputTestPage : public QGroupBox {
    Q_OBJECT
public:
    explicit OutputTestPage(QWidget *parent = nullptr);
    QPushButton *cmdStart(int output) const { return start_[output - 1]; }
    QPushButton *cmdStop(int output) const { return stop_[output - 1]; }
    QLabel *lblOutput(int output) const { return label_[output - 1]; }
    // Colour in the 0x00BBGGRR form the unit's codes are documented in.
    void setOutputColour(int output, quint32 colourBgr);
    void setButtonsEnabled(bool enabled);

signals:
    void pressed(int output, bool on);

private:
    std::array<QPushButton *, 4> start_{};
    std::array<QPushButton *, 4> stop_{};
    std::array<QLabel *, 4> label_{};
};

// Background colour of a widget, set so that every style honours it.
void setBackground(QWidget *widget, int r, int g, int b);

} // namespace mainwindow
