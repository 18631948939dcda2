#pragma once
#include "platform/portcatalogue.h"

#include <QObject>
#include <optional>

class QComboBox;
class QLabel;

namespace platform {

// Shows the catalogue's port numbers in a combo box and names the chosen one's device in a
// label, following the catalogue as devices come and go. The choice is read from the list
// the operator sees, so a number always means the device its label showed.
class PortList : public QObject {
    Q_OBJECT
public:
    PortList(const PortCatalogue &catalogue, QComboBox *combo, QLabel *label, QObject *parent = nullptr);

    std::optional<PortEntry> chosen() const;
    void choose(int number);

signals:
    void chosenChanged();

private:
    void fill();
    void showChosen();

    const PortCatalogue &catalogue_;
    QComboBox *combo_;
    QLabel *label_;
    QList<PortEntry> shown_;
};

} // namespace platform
