#include "mainwindow/sitesmenu.h"

#include "mainwindow/document.h"
#include "mainwindow/download.h"
#include "mainwindow/sitedialogs.h"
#include "platform/dialogs.h"
#include "settings/numberlistmodel.h"
#include "settings/settingseditors.h"
#include "sites/sitesharing.h"
#include "transfer/uploadjob.h"

#include <QAction>
#include <QFileDialog>
#include <QInputDialog>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>

namespace mainwindow {

namespace {

QAction *namedAction(QMenu *menu, const QString &name, const QString &text)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

} // namespace

SitesMenu::SitesMenu(const Parts &parts) : QObject(&parts.window), parts_(parts), menu_(parts.bar.addMenu(tr("S&ites")))
{
    menu_->setObjectName(QStringLiteral("menuSites"));
    connect(namedAction(menu_, QStringLiteral("actOpenSite"), tr("&Open Site...")), &QAction::triggered, this,
            &SitesMenu::chooseSite);
    QAction *save = namedAction(menu_, QStringLiteral("actSaveToSite"), tr("&Save to Site..."));
    connect(save, &QAction::triggered, this, &SitesMenu::saveToSite);
    connect(namedAction(menu_, QStringLiteral("actNewSite"), tr("&New Site from These Settings...")),
            &QAction::triggered, this, &SitesMenu::askNewSite);
    QAction *history = namedAction(menu_, QStringLiteral("actSiteHistory"), tr("Site &History..."));
    connect(history, &QAction::triggered, this, &SitesMenu::showHistory);
    menu_->addSeparator();
    connect(namedAction(menu_, QStringLiteral("actSitesPull"), tr("&Pull from the Shared Register")), &QAction::triggered,
            this, &SitesMenu::pull);
    connect(namedAction(menu_, QStringLiteral("actSitesPush"), tr("P&ush to the Shared Register")), &QAction::triggered,
            this, &SitesMenu::push);
    connect(namedAction(menu_, QStringLiteral("actChooseRegister"), tr("&Choose Register Folder...")),
            &QAction::triggered, this, &SitesMenu::chooseRegister);
    needSite_ = {save, history};
    connect(&parts_.download, &transfer::Download::unitRead, this, &SitesMenu::onUnitRead);
    connect(&parts_.upload, &transfer::UploadJob::finished, this, &SitesMenu::onUploadFinished);
    updateActions();
}

SitesMenu::~SitesMenu() = default;

void SitesMenu::updateActions()
{
    for (QAction *a : needSite_)
        a->setEnabled(!site_.isEmpty());
    parts_.document.setSiteName(site_);
}

void SitesMenu::showFailure(const sites::Status &status)
{
    parts_.dialogs.message(status.message, platform::Dialogs::Icon::Stop);
}

bool SitesMenu::useRegister(const QString &dir, bool create)
{
    sites::Status status;
    std::unique_ptr<sites::Register> reg = sites::Register::open(dir, create, &status);
    if (!reg) {
        showFailure(status);
        return false;
    }
    reg_ = std::move(reg);
    site_.clear();
    folder_.clear();
    parts_.list.setLabelsShown(false);
    updateActions();
    return true;
}

bool SitesMenu::ensureRegister() { return reg_ || useRegister(sites::Register::defaultPath(), true); }

void SitesMenu::chooseRegister()
{
    const QString dir = QFileDialog::getExistingDirectory(&parts_.window, tr("Register Folder"),
                                                          reg_ ? reg_->path() : sites::Register::defaultPath());
    if (!dir.isEmpty())
        useRegister(dir, true);
}

bool SitesMenu::openSite(const QString &name, const QString &version)
{
    if (!ensureRegister())
        return false;
    sites::Status status;
    const std::optional<sites::Site> site = reg_->site(name, &status, version);
    if (!site) {
        showFailure(status);
        return false;
    }
    if (site->details.model != parts_.unitModel) {
        parts_.dialogs.message(tr("\"%1\" is a site with a %2 unit; this window is set up for a %3 unit.")
                                   .arg(site->details.name, site->details.model, parts_.unitModel),
                               platform::Dialogs::Icon::Stop);
        return false;
    }
    if (!parts_.document.mayReplace())
        return false;
    show(*site, version.isEmpty() ? tr("Open site %1").arg(site->details.name)
                                  : tr("Open a version of site %1").arg(site->details.name));
    return true;
}

void SitesMenu::show(const sites::Site &site, const QString &what)
{
    parts_.editors.load(site.settings, settings::kLongValueDefault, what);
    parts_.list.setLabels(site.labels);
    parts_.list.setLabelsShown(true);
    // The settings are the site's: nothing unsaved, and no file of their own.
    parts_.document.unitRead();
    site_ = site.details.name;
    folder_ = site.folder;
    updateActions();
}

sites::Labels SitesMenu::shownLabels() const
{
    // A label whose number left the list leaves with it.
    sites::Labels out;
    for (const settings::NumberRow &row : parts_.list.rows())
        if (const QString label = parts_.list.label(row.number); !label.isEmpty())
            out.insert(row.number, label);
    return out;
}

bool SitesMenu::saveToSite()
{
    if (site_.isEmpty() || !reg_)
        return false;
    sites::Status status;
    std::optional<sites::Site> site = reg_->site(folder_, &status);
    if (site) {
        site->settings = parts_.editors.store();
        site->labels = shownLabels();
        status = reg_->save(*site);
    }
    if (!status.ok())
        showFailure(status);
    return status.ok();
}

bool SitesMenu::newSite(const QString &name)
{
    if (!ensureRegister())
        return false;
    const sites::Status status = reg_->addSite({name, parts_.unitModel, {}, {}, {}}, parts_.editors.store(), shownLabels());
    if (!status.ok()) {
        showFailure(status);
        return false;
    }
    site_ = name;
    folder_ = sites::folder_for(name);
    parts_.list.setLabelsShown(true);
    updateActions();
    return true;
}

void SitesMenu::askNewSite()
{
    bool ok = false;
    const QString name = QInputDialog::getText(&parts_.window, tr("New Site"), tr("The site's name:"), QLineEdit::Normal,
                                               QString(), &ok);
    if (ok && !name.trimmed().isEmpty())
        newSite(name.trimmed());
}

void SitesMenu::chooseSite()
{
    if (!ensureRegister())
        return;
    sites::Status status;
    SiteListDialog dialog(reg_->sites(&status), &parts_.window);
    if (dialog.exec() == QDialog::Accepted && !dialog.chosenFolder().isEmpty())
        openSite(dialog.chosenFolder());
}

void SitesMenu::showHistory()
{
    if (site_.isEmpty() || !reg_)
        return;
    SiteHistoryDialog dialog(*reg_, folder_, &parts_.window);
    connect(&dialog, &SiteHistoryDialog::openVersion, this, [this](const QString &id) { openSite(folder_, id); });
    dialog.exec();
}

void SitesMenu::pull() { share(false); }

void SitesMenu::push() { share(true); }

void SitesMenu::share(bool pushing)
{
    if (!ensureRegister())
        return;
    QStringList merged;
    sites::Status status = pushing ? sites::push(*reg_) : sites::pull(*reg_, sites::Keep::Neither, &merged);
    if (status.problem == sites::Problem::SameSiteChanged) {
        // Both versions stay in the history; the technician says which one stands.
        const int choice = parts_.dialogs.choose(status.message, QString(),
                                                 {tr("Keep Mine"), tr("Keep Theirs"), tr("Cancel")});
        if (choice == 2)
            return;
        const sites::Keep keep = choice == 0 ? sites::Keep::Mine : sites::Keep::Theirs;
        status = pushing ? sites::push(*reg_, keep) : sites::pull(*reg_, keep, &merged);
    }
    if (!status.ok())
        return showFailure(status);
    parts_.dialogs.message(pushing            ? tr("The shared register now holds this register's history.")
                           : merged.isEmpty() ? tr("The register was up to date.")
                                              : tr("Came in: %1.").arg(merged.join(QStringLiteral(", "))),
                           platform::Dialogs::Icon::Information);
}

void SitesMenu::onUnitRead(const settings::SettingsSet &unit)
{
    if (site_.isEmpty() || !reg_)
        return;
    sites::Status status;
    const std::optional<sites::Site> site = reg_->site(folder_, &status);
    int differences = 0;
    status = site ? reg_->recordRead(folder_, unit, &differences) : status;
    if (!status.ok())
        return showFailure(status);
    if (differences == 0 || !site->verified)
        return;
    // Asked once the read has put the unit's settings into the editors.
    const QString text = tr("The unit differs from the upload to %1 verified on %2: %3 differences.")
                             .arg(site_, QLocale().toString(site->unit.lastVerified.toLocalTime(), QLocale::ShortFormat))
                             .arg(differences);
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            const int choice = parts_.dialogs.choose(text, tr("The editors show the unit's settings now."),
                                                     {tr("Restore the Site's Settings"), tr("Keep the Unit's Settings")});
            sites::Status status;
            if (choice != 0)
                return;
            if (const std::optional<sites::Site> site = reg_->site(folder_, &status))
                show(*site, tr("Restore the settings of site %1").arg(site_));
            else
                showFailure(status);
        },
        Qt::QueuedConnection);
}

void SitesMenu::onUploadFinished(const transfer::UploadOutcome &outcome)
{
    if (site_.isEmpty() || !reg_ || outcome.total == 0)
        return;
    const settings::SettingsSet sent = parts_.editors.store();
    const transfer::UploadPlan &plan = parts_.upload.currentPlan();
    sites::Status status = reg_->recordUpload(
        folder_, {sent, plan.summary, outcome.total, outcome.acknowledged, outcome.acknowledged == outcome.total,
                  outcome.acknowledged == outcome.total ? tr("all commands acknowledged")
                                                        : tr("stopped after %1 of %2").arg(outcome.acknowledged).arg(outcome.total)});
    if (status.ok() && outcome.verification)
        status = reg_->recordVerification(folder_, sent, int(outcome.verification->differences.size()));
    if (!status.ok())
        showFailure(status);
}

} // namespace mainwindow
