#pragma once
#include "settings/unitmodel.h"

#include <QString>
#include <QVector>

// What the selection window decides once per run and both windows read.
namespace Module1 {

extern QString unit_model;         // "gate" or "intercom"
extern qint16 comm_port;           // the chosen port number
extern QVector<qint16> tab_frames; // element k (k >= 1) is the page shown as tab k; element 0 unused

using settings::kGate;
using settings::kIntercom;

} // namespace Module1
