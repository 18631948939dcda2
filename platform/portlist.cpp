#include "platform/portlist.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QSignalBlocker>

namespace platform {

PortList::PortList(const PortCatalogue &catalogue, QComboBox *combo, QLabel *label, QObject *parent)
    : QObject(parent), catalogue_(catalogue), combo_(combo), label_(label)
{
    connect(&catalogue_, &PortCatalogue::changed, this, &PortList::fill);
    connect(combo_, &QComboBox::currentIndexChanged, this, [this] {
        showChosen();
        emit chosenChanged();
    });
    fill();
}

std::optional<PortEntry> PortList::chosen() const
{
    const int index = combo_->currentIndex();
    if (index < 0 || index >= shown_.size())
        return std::nullopt;
    return shown_.at(index);
}

void PortList::choose(int number)
{
    for (qsizetype i = 0; i < shown_.size(); ++i)
        if (shown_.at(i).number == number)
            combo_->setCurrentIndex(int(i));
}

void PortList::fill()
{
    const auto before = chosen();
    {
        const QSignalBlocker block(combo_);
        shown_.clear();
        combo_->clear();
        for (const PortEntry &e : catalogue_.entries()) {
            if (e.number < kFirstPortNumber || e.number > kLastPortNumber)
                continue;
            shown_.append(e);
            combo_->addItem(QString::number(e.number));
        }
        combo_->setCurrentIndex(-1);
        if (before)
            choose(before->number);
    }
    showChosen();
}

void PortList::showChosen()
{
    const auto entry = chosen();
    QString text;
    if (entry)
        text = entry->label;
    else if (shown_.isEmpty())
        text = QCoreApplication::translate("platform", "No serial port found");
    label_->setText(text);
    // A screen reader on the list or on the label hears which device the number stands for.
    label_->setAccessibleName(text);
    combo_->setAccessibleDescription(text);
}

} // namespace platform
