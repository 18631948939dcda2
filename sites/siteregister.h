#pragma once
#include "settings/settingsset.h"
#include "sites/sitediff.h"
#include "sites/sitefiles.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

struct git_repository;

namespace sites {

// Why a register operation did not happen. Nothing in the register changes when one fails.
enum class Problem {
    None,
    NotARegister, // the folder exists, is not empty and is not a git repository
    UnknownSite,
    DamagedSite, // a file of the site cannot be read
    SiteExists,  // another site has that name, or that folder
    BadValue,    // a name, model or label that cannot be kept
    WriteFailed, // the repository refused the write (a disk, a lock)
    RemoteUnreachable,
    PushRefused,     // the remote took no push (not ours to say why, or nothing to push to)
    SameSiteChanged, // the remote and this register both changed one site
};

struct Status {
    Problem problem = Problem::None;
    QString message;
    QStringList sites; // the sites a sharing conflict names
    bool ok() const { return problem == Problem::None; }
};

// A site as the register lists it, without its settings.
struct SiteEntry {
    QString folder;
    SiteDetails details;
    UnitState unit;
};

// One event in a site's history: one commit of the register.
struct Version {
    QString id; // the commit
    QDateTime time;
    QString technician;
    QString program; // "NorvikConf 1.0.0"
    QString event;   // created, saved, read, upload, verification, merge
    QString summary; // one line
};

// What an upload did, for its record.
struct UploadRecord {
    settings::SettingsSet sent;
    QString plan; // the plan in one line ("Send 6 commands: ...")
    int commands = 0;
    int acknowledged = 0;
    bool completed = false; // every command acknowledged
    QString ended;          // how it ended, in words
};

// A folder that is a git repository of sites, one folder per site. Every change is one
// commit written whole: objects first, then the branch moves; a write cut off leaves the
// branch on the last whole version, and the site is always read from the branch, never from
// the working files (which follow each commit for people and for git tools).
class Register {
public:
    ~Register();
    Register(const Register &) = delete;
    Register &operator=(const Register &) = delete;

    // Opens the register at `dir`; with `create`, a folder that does not exist or is empty becomes one.
    static std::unique_ptr<Register> open(const QString &dir, bool create, Status *status);
    // The user's data folder's "sites", unless NORVIKCONF_REGISTER names another.
    static QString defaultPath();

    QString path() const { return path_; }
    // The system user, or the name set once for this register on this computer (never shared).
    QString technician() const;
    Status setTechnician(const QString &name);

    QList<SiteEntry> sites(Status *status) const;
    // The site called `name` (its name in any case, or its folder), at `version` (a commit id; empty: the last).
    std::optional<Site> site(const QString &name, Status *status, const QString &version = QString()) const;

    Status addSite(const SiteDetails &details, const settings::SettingsSet &set, const Labels &labels = {});
    // Records the site's settings, details and labels as they are now.
    Status save(const Site &site);
    // Records a read of the unit; `differences` gets how many differ from the last verified upload.
    Status recordRead(const QString &name, const settings::SettingsSet &unit, int *differences = nullptr);
    Status recordUpload(const QString &name, const UploadRecord &upload);
    Status recordVerification(const QString &name, const settings::SettingsSet &sent, int differences);

    // Newest first. Includes the versions of other registers merged in.
    QList<Version> history(const QString &name, Status *status) const;

    git_repository *repository() const { return repo_; }
    // Commits `site`'s files with `summary` as the first line; false with `status` set when it failed.
    Status commit(const Site &site, const QString &event, const QString &summary, const QString &details = QString());

private:
    Register(git_repository *repo, const QString &path);
    std::optional<Site> readSite(const QString &folder, const void *tree, Status *status) const;
    std::optional<Site> findSite(const QString &name, Status *status) const;

    git_repository *repo_;
    QString path_;
};

// How a failed status reads when nothing else is known.
Status failure(Problem problem, const QString &message);

} // namespace sites
