#include "mainwindow/recentfiles.h"

#include <QFileInfo>
#include <QSettings>

namespace mainwindow {

namespace {
const QString kKey = QStringLiteral("recentFiles");
}

RecentFiles::RecentFiles(QSettings *store, QObject *parent) : QObject(parent), store_(store)
{
    if (store_)
        files_ = store_->value(kKey).toStringList().mid(0, kMax);
}

void RecentFiles::add(const QString &path)
{
    // Another window may have added files since: take its list up first.
    if (store_) {
        store_->sync();
        files_ = store_->value(kKey).toStringList().mid(0, kMax);
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    files_.removeAll(absolute);
    files_.prepend(absolute);
    while (files_.size() > kMax)
        files_.removeLast();
    keep();
}

void RecentFiles::remove(const QString &path)
{
    if (files_.removeAll(path) > 0)
        keep();
}

void RecentFiles::keep()
{
    if (store_)
        store_->setValue(kKey, files_);
    emit changed();
}

} // namespace mainwindow
