#include "sites/sitesharing.h"

#include "sites/git.h"

#include <QCoreApplication>
#include <QSet>

namespace sites {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("sites", text); }

git::Remote origin(Register &reg, Status *status)
{
    git_remote *remote = nullptr;
    if (git_remote_lookup(&remote, reg.repository(), "origin") != 0) {
        *status = failure(Problem::RemoteUnreachable,
                          tr("The register \"%1\" has no remote to share with; give --remote URL once.").arg(reg.path()));
        return nullptr;
    }
    return git::Remote(remote);
}

// The top folders whose entries differ between two root trees.
QStringList changedFolders(const git_tree *before, const git_tree *after)
{
    QSet<QString> out;
    for (const auto &[a, b] : {std::pair{before, after}, std::pair{after, before}}) {
        for (size_t i = 0; b && i < git_tree_entrycount(b); ++i) {
            const git_tree_entry *e = git_tree_entry_byindex(b, i);
            const git_tree_entry *other = a ? git_tree_entry_byname(a, git_tree_entry_name(e)) : nullptr;
            if (!other || !git_oid_equal(git_tree_entry_id(e), git_tree_entry_id(other)))
                out.insert(QString::fromUtf8(git_tree_entry_name(e)));
        }
    }
    QStringList list(out.cbegin(), out.cend());
    list.sort();
    return list;
}

// The entry `name` of `tree`, compared by what it holds.
bool sameEntry(const git_tree *a, const git_tree *b, const QString &name)
{
    const QByteArray n = name.toUtf8();
    const git_tree_entry *x = a ? git_tree_entry_byname(a, n.constData()) : nullptr;
    const git_tree_entry *y = b ? git_tree_entry_byname(b, n.constData()) : nullptr;
    return (!x && !y) || (x && y && git_oid_equal(git_tree_entry_id(x), git_tree_entry_id(y)));
}

// The merge of `ours` and `theirs`, a site folder at a time: a folder only one side changed
// comes from that side whole; one both changed differently is a conflict, which `keep` settles
// by taking that side's folder whole. (Two edits to one site never mix line by line.)
Status mergeCommit(Register &reg, git_commit *ours, git_commit *theirs, Keep keep, QStringList *merged)
{
    git_repository *repo = reg.repository();
    git_oid baseId, treeId, id;
    git_commit *base = nullptr;
    if (git_merge_base(&baseId, repo, git_commit_id(ours), git_commit_id(theirs)) == 0)
        git_commit_lookup(&base, repo, &baseId);
    const git::Commit baseCommit(base);
    const git::Tree baseTree = git::commitTree(base), ourTree = git::commitTree(ours), theirTree = git::commitTree(theirs);
    const QStringList mine = changedFolders(baseTree.get(), ourTree.get());
    const QStringList theirsChanged = changedFolders(baseTree.get(), theirTree.get());
    QStringList conflicts, names;
    for (const QString &folder : theirsChanged)
        if (mine.contains(folder) && !sameEntry(ourTree.get(), theirTree.get(), folder))
            conflicts << folder;
    Status status;
    for (const QString &folder : conflicts) {
        const std::optional<Site> site = reg.site(folder, &status);
        names << (site ? site->details.name : folder);
    }
    if (!conflicts.isEmpty() && keep == Keep::Neither) {
        Status refused = failure(Problem::SameSiteChanged,
                                 tr("Changed here and in the shared register since the last pull: %1. Nothing was "
                                    "merged; say whose version stands (--keep mine or --keep theirs); the other "
                                    "stays in the history.")
                                     .arg(names.join(QStringLiteral(", "))));
        refused.sites = names;
        return refused;
    }
    git_treebuilder *builder = nullptr;
    if (git_treebuilder_new(&builder, repo, ourTree.get()) != 0)
        return failure(Problem::WriteFailed, git::lastError());
    const git::TreeBuilder top(builder);
    for (const QString &folder : theirsChanged) {
        if (conflicts.contains(folder) && keep == Keep::Mine)
            continue;
        const QByteArray name = folder.toUtf8();
        if (const git_tree_entry *e = git_tree_entry_byname(theirTree.get(), name.constData()))
            git_treebuilder_insert(nullptr, top.get(), name.constData(), git_tree_entry_id(e), git_tree_entry_filemode(e));
        else
            git_treebuilder_remove(top.get(), name.constData());
    }
    git_tree *tree = nullptr;
    if (git_treebuilder_write(&treeId, top.get()) != 0 || git_tree_lookup(&tree, repo, &treeId) != 0)
        return failure(Problem::WriteFailed, git::lastError());
    const git::Tree mergedTree(tree);
    *merged = changedFolders(ourTree.get(), mergedTree.get());
    QString message = tr("Merged the shared register: %1").arg(counted(int(merged->size()), "1 site changed", "%1 sites changed"));
    if (!conflicts.isEmpty())
        message += tr("; kept %1 version of %2").arg(keep == Keep::Mine ? tr("this register's") : tr("the shared"), names.join(QStringLiteral(", ")));
    message += QStringLiteral("\n\n");
    for (const QString &folder : changedFolders(baseTree.get(), mergedTree.get()))
        message += QStringLiteral("Site: %1\n").arg(folder);
    message += QStringLiteral("Event: merge\nTechnician: %1\nProgram: NorvikConf %2\n")
                   .arg(reg.technician(), QCoreApplication::applicationVersion());
    const git::Signature who = git::signature(reg.technician());
    if (!who)
        return failure(Problem::WriteFailed, git::lastError());
    const git_commit *parents[] = {ours, theirs};
    if (git_commit_create(&id, repo, "HEAD", who.get(), who.get(), "UTF-8", message.toUtf8().constData(),
                          mergedTree.get(), 2, parents)
        != 0)
        return failure(Problem::WriteFailed, git::lastError());
    git::checkoutHead(repo);
    return {};
}

} // namespace

Status set_remote(Register &reg, const QString &url)
{
    git_remote *remote = nullptr;
    const QByteArray target = url.toUtf8();
    if (git_remote_lookup(&remote, reg.repository(), "origin") == 0) {
        git_remote_free(remote);
        if (git_remote_set_url(reg.repository(), "origin", target.constData()) != 0)
            return failure(Problem::WriteFailed, git::lastError());
        return {};
    }
    if (git_remote_create(&remote, reg.repository(), "origin", target.constData()) != 0)
        return failure(Problem::WriteFailed, git::lastError());
    git_remote_free(remote);
    return {};
}

Status pull(Register &reg, Keep keep, QStringList *merged)
{
    QStringList ignored;
    merged = merged ? merged : &ignored;
    Status status;
    const git::Remote remote = origin(reg, &status);
    if (!remote)
        return status;
    git_fetch_options options = GIT_FETCH_OPTIONS_INIT;
    if (git_remote_fetch(remote.get(), nullptr, &options, "fetch") != 0)
        return failure(Problem::RemoteUnreachable,
                       tr("The shared register \"%1\" cannot be reached: %2")
                           .arg(QString::fromUtf8(git_remote_url(remote.get())), git::lastError()));
    git_repository *repo = reg.repository();
    const git::Commit ours = git::headCommit(repo);
    QString branch = git::headBranch(repo);
    const auto remoteTip = [&](const QString &name) {
        git_object *object = nullptr;
        git_revparse_single(&object, repo, ("refs/remotes/origin/" + name + "^{commit}").toUtf8().constData());
        return git::Commit(reinterpret_cast<git_commit *>(object));
    };
    git::Commit theirs = remoteTip(branch);
    // A register without versions yet (a clone of a remote whose default branch has another
    // name) takes the shared register's branch, so that both keep one history.
    for (const QString &other : {QStringLiteral("main"), QStringLiteral("master")}) {
        if (theirs || ours)
            break;
        if ((theirs = remoteTip(other))) {
            branch = other;
            git_repository_set_head(repo, ("refs/heads/" + branch).toUtf8().constData());
        }
    }
    if (!theirs)
        return {}; // the shared register has nothing yet
    const git_oid *theirId = git_commit_id(theirs.get());
    if (ours && (git_oid_equal(git_commit_id(ours.get()), theirId) || git_graph_descendant_of(repo, git_commit_id(ours.get()), theirId) == 1))
        return {};
    if (!ours || git_graph_descendant_of(repo, theirId, git_commit_id(ours.get())) == 1) {
        const git::Tree before = git::commitTree(ours.get()), after = git::commitTree(theirs.get());
        *merged = changedFolders(before.get(), after.get());
        git_reference *ref = nullptr;
        if (git_reference_create(&ref, repo, ("refs/heads/" + branch).toUtf8().constData(), theirId, 1, "pull") != 0)
            return failure(Problem::WriteFailed, git::lastError());
        git_reference_free(ref);
        git::checkoutHead(repo);
        return {};
    }
    return mergeCommit(reg, ours.get(), theirs.get(), keep, merged);
}

Status push(Register &reg, Keep keep)
{
    Status status = pull(reg, keep);
    if (!status.ok())
        return status;
    const git::Remote remote = origin(reg, &status);
    if (!remote)
        return status;
    if (!git::headCommit(reg.repository()))
        return {}; // nothing to share yet
    const QByteArray spec = ("refs/heads/" + git::headBranch(reg.repository()) + ":refs/heads/"
                             + git::headBranch(reg.repository()))
                                .toUtf8();
    char *specs[] = {const_cast<char *>(spec.constData())};
    const git_strarray refspecs{specs, 1};
    git_push_options options = GIT_PUSH_OPTIONS_INIT;
    QString rejected;
    options.callbacks.payload = &rejected;
    options.callbacks.push_update_reference = [](const char *, const char *message, void *payload) {
        if (message)
            *static_cast<QString *>(payload) = QString::fromUtf8(message);
        return 0;
    };
    if (git_remote_push(remote.get(), &refspecs, &options) != 0 || !rejected.isEmpty())
        return failure(Problem::PushRefused, tr("The shared register \"%1\" refused the push: %2")
                                                 .arg(QString::fromUtf8(git_remote_url(remote.get())),
                                                      rejected.isEmpty() ? git::lastError() : rejected));
    return {};
}

} // namespace sites
