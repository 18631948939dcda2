#include "sites/siteregister.h"

#include "platform/latin1.h"
#include "settings/unitmodel.h"
#include "settings/valuecheck.h"
#include "sites/git.h"
#include "transfer/settingsfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QStandardPaths>

namespace sites {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("sites", text); }

QString shortDate(const QDateTime &t) { return QLocale::system().toString(t.toLocalTime(), QLocale::ShortFormat); }

// Every value a site keeps goes through the same checks as the editors' values.
QString siteProblem(const SiteDetails &d, const Labels &labels)
{
    if (folder_for(d.name).isEmpty())
        return tr("a site's name needs at least one letter or digit");
    if (d.model != settings::kGate && d.model != settings::kIntercom)
        return tr("the model is gate or intercom, not \"%1\"").arg(d.model);
    for (auto it = labels.cbegin(); it != labels.cend(); ++it)
        if (const QString why = settings::label_problem(it.value()); !why.isEmpty())
            return tr("the label of %1 %2").arg(it.key(), why);
    return QString();
}

} // namespace

Status failure(Problem problem, const QString &message) { return Status{problem, message, {}}; }

Register::Register(git_repository *repo, const QString &path) : repo_(repo), path_(path) {}

Register::~Register() { git_repository_free(repo_); }

QString Register::defaultPath()
{
    const QString given = qEnvironmentVariable("NORVIKCONF_REGISTER");
    if (!given.isEmpty())
        return given;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/NorvikConf/sites");
}

std::unique_ptr<Register> Register::open(const QString &dir, bool create, Status *status)
{
    git::init();
    const QDir folder(dir);
    const bool empty = !folder.exists() || folder.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    git_repository *repo = nullptr;
    if (empty) {
        if (!create) {
            *status = failure(Problem::NotARegister,
                              tr("\"%1\" holds no register of sites yet; \"site add\" makes one there.").arg(dir));
            return nullptr;
        }
        git_repository_init_options options = GIT_REPOSITORY_INIT_OPTIONS_INIT;
        options.flags = GIT_REPOSITORY_INIT_MKPATH;
        options.initial_head = "main";
        if (git_repository_init_ext(&repo, QFile::encodeName(dir).constData(), &options) != 0) {
            *status = failure(Problem::WriteFailed, tr("A register cannot be made in \"%1\": %2").arg(dir, git::lastError()));
            return nullptr;
        }
    } else if (git_repository_open_ext(&repo, QFile::encodeName(dir).constData(), GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr)
                   != 0
               || git_repository_is_bare(repo)) {
        git_repository_free(repo);
        *status = failure(Problem::NotARegister,
                          tr("\"%1\" is not a register of sites: it is neither empty nor a git repository with a "
                             "working folder.")
                              .arg(dir));
        return nullptr;
    }
    *status = {};
    return std::unique_ptr<Register>(new Register(repo, QDir(dir).absolutePath()));
}

QString Register::technician() const
{
    git_config *config = nullptr;
    if (git_repository_config(&config, repo_) == 0) {
        const git::Config owned(config);
        git_buf buf = GIT_BUF_INIT;
        if (git_config_get_string_buf(&buf, config, "norvikconf.technician") == 0) {
            const QString name = QString::fromUtf8(buf.ptr);
            git_buf_dispose(&buf);
            if (!name.trimmed().isEmpty())
                return name.trimmed();
        }
    }
    return git::systemUser();
}

Status Register::setTechnician(const QString &name)
{
    git_config *config = nullptr;
    if (git_repository_config(&config, repo_) != 0)
        return failure(Problem::WriteFailed, git::lastError());
    const git::Config owned(config);
    if (git_config_set_string(config, "norvikconf.technician", name.trimmed().toUtf8().constData()) != 0)
        return failure(Problem::WriteFailed, git::lastError());
    return {};
}

QList<SiteEntry> Register::sites(Status *status) const
{
    *status = {};
    QList<SiteEntry> out;
    const git::Commit head = git::headCommit(repo_);
    const git::Tree root = git::commitTree(head.get());
    if (!root)
        return out;
    const size_t n = git_tree_entrycount(root.get());
    for (size_t i = 0; i < n; ++i) {
        const git_tree_entry *e = git_tree_entry_byindex(root.get(), i);
        if (git_tree_entry_type(e) != GIT_OBJECT_TREE)
            continue;
        const QString folder = QString::fromUtf8(git_tree_entry_name(e));
        const git::Tree tree = git::subtree(repo_, root.get(), folder);
        QByteArray bytes;
        if (!git::fileBytes(repo_, tree.get(), kDetailsFile, &bytes))
            continue; // not a site: a folder someone keeps beside them
        SiteEntry entry;
        entry.folder = folder;
        QString problem;
        if (!read_details(bytes, &entry.details, &problem) && entry.details.name.isEmpty())
            entry.details.name = folder;
        if (git::fileBytes(repo_, tree.get(), kUnitFile, &bytes))
            read_unit(bytes, &entry.unit, &problem);
        out.append(entry);
    }
    return out;
}

std::optional<Site> Register::readSite(const QString &folder, const void *rootTree, Status *status) const
{
    const auto *root = static_cast<const git_tree *>(rootTree);
    const git::Tree tree = git::subtree(repo_, root, folder);
    QByteArray bytes;
    if (!tree || !git::fileBytes(repo_, tree.get(), kDetailsFile, &bytes)) {
        *status = failure(Problem::UnknownSite, tr("There is no site \"%1\" in the register \"%2\".").arg(folder, path_));
        return std::nullopt;
    }
    Site site;
    site.folder = folder;
    QString problem, file = kDetailsFile;
    bool ok = read_details(bytes, &site.details, &problem);
    if (ok) {
        file = kSettingsFile;
        ok = git::fileBytes(repo_, tree.get(), kSettingsFile, &bytes)
             && transfer::read_settings_bytes(bytes, folder + QLatin1Char('/') + kSettingsFile, site.settings, &problem);
        if (problem.isEmpty() && !ok)
            problem = tr("it is missing");
    }
    if (ok && git::fileBytes(repo_, tree.get(), kLabelsFile, &bytes))
        ok = read_labels(bytes, &site.labels, &problem), file = kLabelsFile;
    if (ok && git::fileBytes(repo_, tree.get(), kUnitFile, &bytes))
        ok = read_unit(bytes, &site.unit, &problem), file = kUnitFile;
    if (ok && git::fileBytes(repo_, tree.get(), kVerifiedFile, &bytes)) {
        settings::SettingsSet verified;
        ok = transfer::read_settings_bytes(bytes, folder + QLatin1Char('/') + kVerifiedFile, verified, &problem);
        file = kVerifiedFile;
        site.verified = verified;
    }
    if (!ok) {
        *status = failure(Problem::DamagedSite,
                          tr("The site \"%1\" is damaged: its file \"%2\" cannot be read: %3").arg(folder, file, problem));
        return std::nullopt;
    }
    *status = {};
    return site;
}

std::optional<Site> Register::site(const QString &name, Status *status, const QString &version) const
{
    if (version.isEmpty())
        return findSite(name, status);
    git_object *object = nullptr;
    if (git_revparse_single(&object, repo_, (version + QStringLiteral("^{commit}")).toUtf8().constData()) != 0) {
        *status = failure(Problem::UnknownSite, tr("The register has no version \"%1\".").arg(version));
        return std::nullopt;
    }
    const git::Commit commit(reinterpret_cast<git_commit *>(object));
    const std::optional<Site> now = findSite(name, status);
    const QString folder = now ? now->folder : folder_for(name);
    const git::Tree root = git::commitTree(commit.get());
    return readSite(folder, root.get(), status);
}

std::optional<Site> Register::findSite(const QString &name, Status *status) const
{
    const git::Commit head = git::headCommit(repo_);
    const git::Tree root = git::commitTree(head.get());
    QString folder = folder_for(name);
    if (!git::subtree(repo_, root.get(), folder)) {
        // A name that gives another folder than its site's: a site renamed since.
        const QList<SiteEntry> all = sites(status);
        for (const SiteEntry &e : all)
            if (e.details.name.compare(name, Qt::CaseInsensitive) == 0 || e.folder == name)
                folder = e.folder;
    }
    std::optional<Site> out = readSite(folder, root.get(), status);
    if (!out && status->problem == Problem::UnknownSite)
        status->message = tr("There is no site \"%1\" in the register \"%2\".").arg(name, path_);
    return out;
}

Status Register::addSite(const SiteDetails &details, const settings::SettingsSet &set, const Labels &labels)
{
    if (const QString why = siteProblem(details, labels); !why.isEmpty())
        return failure(Problem::BadValue, tr("The site was not added: %1.").arg(why));
    Status status;
    for (const SiteEntry &e : sites(&status))
        if (e.folder == folder_for(details.name) || e.details.name.compare(details.name, Qt::CaseInsensitive) == 0)
            return failure(Problem::SiteExists,
                           tr("The register already has a site \"%1\" (folder \"%2\").").arg(e.details.name, e.folder));
    Site site;
    site.folder = folder_for(details.name);
    site.details = details;
    site.settings = set;
    site.labels = labels;
    return commit(site, QStringLiteral("created"),
                  tr("created with %1").arg(counted(int(set.numbers.size()), "1 number", "%1 numbers")));
}

Status Register::save(const Site &site)
{
    Status status;
    const std::optional<Site> was = findSite(site.folder, &status);
    if (!was)
        return status;
    if (const QString why = siteProblem(site.details, site.labels); !why.isEmpty())
        return failure(Problem::BadValue, tr("The site was not saved: %1.").arg(why));
    Site next = *was;
    next.details = site.details;
    next.settings = site.settings;
    next.labels = site.labels;
    QString summary = compare_settings(was->settings, site.settings, was->labels, site.labels).summary();
    if (was->details != site.details)
        summary += tr(", details changed");
    return commit(next, QStringLiteral("saved"), summary);
}

Status Register::recordRead(const QString &name, const settings::SettingsSet &unit, int *differences)
{
    Status status;
    std::optional<Site> site = findSite(name, &status);
    if (!site)
        return status;
    const int count = int(compare_settings(site->verified.value_or(site->settings), unit).changes.size());
    if (differences)
        *differences = count;
    site->unit.lastRead = QDateTime::currentDateTimeUtc();
    site->unit.differencesAtLastRead = count;
    const QString against = site->verified ? tr("the upload verified on %1").arg(shortDate(site->unit.lastVerified))
                                           : tr("the site's settings");
    const QString summary = count == 0 ? tr("unit read: it holds %1").arg(against)
                                       : tr("unit read: %1 from %2").arg(counted(count, "1 difference", "%1 differences"), against);
    return commit(*site, QStringLiteral("read"), summary);
}

Status Register::recordUpload(const QString &name, const UploadRecord &upload)
{
    Status status;
    std::optional<Site> site = findSite(name, &status);
    if (!site)
        return status;
    // What changed on the unit since the last verified upload; all of it the first time.
    const Comparison change = compare_settings(site->verified.value_or(upload.sent), upload.sent);
    const QString what = !site->verified ? tr("the whole settings")
                         : change.same() ? tr("the same settings again")
                                         : change.summary();
    site->unit.lastUpload = QDateTime::currentDateTimeUtc();
    site->unit.lastUploadEnded = upload.ended;
    const QString summary = upload.completed ? tr("uploaded %1; %2 acknowledged")
                                                   .arg(what, counted(upload.commands, "1 command", "%1 commands"))
                                             : tr("upload of %1 stopped: %2 of %3 commands acknowledged")
                                                   .arg(what)
                                                   .arg(upload.acknowledged)
                                                   .arg(upload.commands);
    const QString body = QStringLiteral("Plan: %1\nCommands: %2\nAcknowledged: %3\nEnded: %4\n")
                             .arg(upload.plan)
                             .arg(upload.commands)
                             .arg(upload.acknowledged)
                             .arg(upload.ended);
    return commit(*site, QStringLiteral("upload"), summary, body);
}

Status Register::recordVerification(const QString &name, const settings::SettingsSet &sent, int differences)
{
    Status status;
    std::optional<Site> site = findSite(name, &status);
    if (!site)
        return status;
    if (differences == 0) {
        site->verified = sent;
        site->unit.lastVerified = QDateTime::currentDateTimeUtc();
    }
    return commit(*site, QStringLiteral("verification"),
                  differences == 0 ? tr("verified: the unit holds what was sent")
                                   : tr("verification found %1").arg(counted(differences, "1 difference", "%1 differences")));
}

Status Register::commit(const Site &site, const QString &event, const QString &summary, const QString &details)
{
    const git::Commit parent = git::headCommit(repo_);
    const git::Tree root = git::commitTree(parent.get());
    const git::Tree old = git::subtree(repo_, root.get(), site.folder);
    const auto fail = [&] {
        return failure(Problem::WriteFailed, tr("The site \"%1\" was not recorded; the register keeps its last "
                                                "version: %2")
                                                 .arg(site.details.name, git::lastError()));
    };
    git_treebuilder *raw = nullptr;
    if (git_treebuilder_new(&raw, repo_, old.get()) != 0)
        return fail();
    const git::TreeBuilder files(raw);
    const auto put = [&](const QString &name, const QByteArray &bytes) {
        git_oid id;
        return git_blob_create_from_buffer(&id, repo_, bytes.constData(), size_t(bytes.size())) == 0
               && git_treebuilder_insert(nullptr, files.get(), name.toUtf8().constData(), &id, GIT_FILEMODE_BLOB) == 0;
    };
    const QString model = site.details.model;
    const auto settingsBytes = [&](const settings::SettingsSet &set) {
        return platform::toWire(transfer::settings_file_text(set, model) + QStringLiteral("\r\n"));
    };
    bool ok = put(kDetailsFile, details_text(site.details)) && put(kSettingsFile, settingsBytes(site.settings))
              && put(kLabelsFile, labels_text(site.labels)) && put(kUnitFile, unit_text(site.unit));
    if (ok && site.verified)
        ok = put(kVerifiedFile, settingsBytes(*site.verified));
    git_oid siteTree, rootTree, id;
    ok = ok && git_treebuilder_write(&siteTree, files.get()) == 0;
    if (!ok || git_treebuilder_new(&raw, repo_, root.get()) != 0)
        return fail();
    const git::TreeBuilder top(raw);
    git_tree *tree = nullptr;
    if (git_treebuilder_insert(nullptr, top.get(), site.folder.toUtf8().constData(), &siteTree, GIT_FILEMODE_TREE) != 0
        || git_treebuilder_write(&rootTree, top.get()) != 0 || git_tree_lookup(&tree, repo_, &rootTree) != 0)
        return fail();
    const git::Tree newTree(tree);
    const git::Signature who = git::signature(technician());
    if (!who)
        return fail();
    const QString message = site.details.name + QStringLiteral(": ") + summary + QStringLiteral("\n\n")
                            + (details.isEmpty() ? QString() : details + QLatin1Char('\n'))
                            + QStringLiteral("Site: %1\nEvent: %2\nTechnician: %3\nProgram: NorvikConf %4\n")
                                  .arg(site.folder, event, technician(), QCoreApplication::applicationVersion());
    const git_commit *parents[] = {parent.get()};
    // The branch moves only once every object is written: this is the moment the version exists.
    if (git_commit_create(&id, repo_, "HEAD", who.get(), who.get(), "UTF-8", message.toUtf8().constData(), newTree.get(),
                          parent ? 1 : 0, parents)
        != 0)
        return fail();
    git::checkoutHead(repo_, site.folder);
    return {};
}

} // namespace sites
