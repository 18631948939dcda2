#pragma once
#include <QObject>
#include <QStringList>

class QSettings;

namespace mainwindow {

// The files opened or saved last, the newest first, kept between starts in `store`
// (null: for this run only).
class RecentFiles : public QObject {
    Q_OBJECT
public:
    static constexpr int kMax = 10;

    explicit RecentFiles(QSettings *store, QObject *parent = nullptr);

    QStringList files() const { return files_; }
    void add(const QString &path);
    void remove(const QString &path);

signals:
    void changed();

private:
    void keep();

    QSettings *store_;
    QStringList files_;
};

} // namespace mainwindow
