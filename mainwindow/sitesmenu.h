#pragma once
#include "settings/settingsset.h"
#include "sites/siteregister.h"

#include <QObject>
#include <QString>

#include <memory>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace platform {
class Dialogs;
}
namespace settings {
class NumberListModel;
class SettingsEditors;
} // namespace settings
namespace transfer {
class Download;
class UploadJob;
struct UploadOutcome;
} // namespace transfer

namespace mainwindow {

class Document;

// The Sites menu: open a site into the editors (its labels in the list), save to it, make one
// from the settings shown, its history, and sharing the register. While a site is open, each
// read of the unit and each upload is recorded in it, and a unit that differs from the site's
// last verified upload is pointed out with the choice of whose settings stand.
class SitesMenu : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QWidget &window;
        QMenuBar &bar;
        settings::SettingsEditors &editors;
        settings::NumberListModel &list;
        Document &document;
        transfer::Download &download;
        transfer::UploadJob &upload;
        platform::Dialogs &dialogs;
        QString unitModel;
    };
    explicit SitesMenu(const Parts &parts);
    ~SitesMenu() override;

    QMenu *menu() const { return menu_; }
    // The register at `dir` (made there when `create` and it is empty); false with the reason shown.
    bool useRegister(const QString &dir, bool create);
    sites::Register *siteRegister() const { return reg_.get(); }
    QString openSiteName() const { return site_; }

    // Shows the site's settings (at `version`, the last when empty) and labels in the editors.
    bool openSite(const QString &name, const QString &version = QString());
    // The settings and labels shown become the open site's next version.
    bool saveToSite();
    // A new site called `name` from the settings and labels shown, and open.
    bool newSite(const QString &name);
    void pull();
    void push();

private:
    void chooseSite();
    void show(const sites::Site &site, const QString &what);
    void askNewSite();
    void showHistory();
    void share(bool pushing);
    void chooseRegister();
    bool ensureRegister();
    void onUnitRead(const settings::SettingsSet &unit);
    void onUploadFinished(const transfer::UploadOutcome &outcome);
    void showFailure(const sites::Status &status);
    void updateActions();
    sites::Labels shownLabels() const;

    Parts parts_;
    QMenu *menu_;
    std::unique_ptr<sites::Register> reg_;
    QString site_;   // the name of the open site; empty: none
    QString folder_; // its folder
    QList<QAction *> needSite_;
};

} // namespace mainwindow
