#include "app/globals.h"

namespace Module1 {

QString unit_model;
qint16 comm_port = 0;
QVector<qint16> tab_frames{0};

} // namespace Module1
