#include "sites/git.h"

#include <QSysInfo>

#include <mutex>
#include <pwd.h>
#include <unistd.h>

namespace sites::git {

void init()
{
    static std::once_flag once;
    std::call_once(once, [] { git_libgit2_init(); });
}

QString lastError(const QString &fallback)
{
    const git_error *e = git_error_last();
    return e && e->message ? QString::fromUtf8(e->message) : fallback;
}

QString idText(const git_oid &id)
{
    char text[GIT_OID_HEXSZ + 1] = {};
    git_oid_tostr(text, sizeof text, &id);
    return QString::fromLatin1(text);
}

bool parseId(const QString &text, git_oid *id)
{
    const QByteArray latin = text.toLatin1();
    return git_oid_fromstrn(id, latin.constData(), size_t(latin.size())) == 0;
}

Commit headCommit(git_repository *repo)
{
    git_object *object = nullptr;
    if (git_revparse_single(&object, repo, "HEAD^{commit}") != 0)
        return nullptr;
    return Commit(reinterpret_cast<git_commit *>(object));
}

Tree commitTree(git_commit *commit)
{
    git_tree *tree = nullptr;
    if (!commit || git_commit_tree(&tree, commit) != 0)
        return nullptr;
    return Tree(tree);
}

Tree subtree(git_repository *repo, const git_tree *tree, const QString &name)
{
    if (!tree)
        return nullptr;
    const git_tree_entry *entry = git_tree_entry_byname(tree, name.toUtf8().constData());
    git_tree *out = nullptr;
    if (!entry || git_tree_entry_type(entry) != GIT_OBJECT_TREE || git_tree_lookup(&out, repo, git_tree_entry_id(entry)) != 0)
        return nullptr;
    return Tree(out);
}

bool fileBytes(git_repository *repo, const git_tree *tree, const QString &name, QByteArray *bytes)
{
    if (!tree)
        return false;
    const git_tree_entry *entry = git_tree_entry_byname(tree, name.toUtf8().constData());
    git_blob *blob = nullptr;
    if (!entry || git_tree_entry_type(entry) != GIT_OBJECT_BLOB || git_blob_lookup(&blob, repo, git_tree_entry_id(entry)) != 0)
        return false;
    const Blob owned(blob);
    *bytes = QByteArray(static_cast<const char *>(git_blob_rawcontent(blob)), qsizetype(git_blob_rawsize(blob)));
    return true;
}

QString headBranch(git_repository *repo)
{
    git_reference *head = nullptr;
    if (git_reference_lookup(&head, repo, "HEAD") != 0)
        return QStringLiteral("main");
    const Reference owned(head);
    const char *target = git_reference_symbolic_target(head);
    QString name = target ? QString::fromUtf8(target) : QStringLiteral("refs/heads/main");
    return name.remove(QStringLiteral("refs/heads/"));
}

QString systemUser()
{
    if (const passwd *entry = ::getpwuid(::getuid()); entry && entry->pw_name && *entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? QStringLiteral("technician") : user;
}

Signature signature(const QString &name)
{
    // git wants an address; this names the computer the version was written on.
    const QByteArray email = (systemUser() + QLatin1Char('@') + QSysInfo::machineHostName()).toUtf8();
    git_signature *out = nullptr;
    if (git_signature_now(&out, name.toUtf8().constData(), email.constData()) != 0)
        return nullptr;
    return Signature(out);
}

bool checkoutHead(git_repository *repo, const QString &folder)
{
    git_checkout_options options = GIT_CHECKOUT_OPTIONS_INIT;
    // The register's program is the one writer of its working folder.
    options.checkout_strategy = GIT_CHECKOUT_FORCE;
    QByteArray path = (folder + QStringLiteral("/")).toUtf8();
    char *paths[] = {path.data()};
    if (!folder.isEmpty()) {
        options.paths.strings = paths;
        options.paths.count = 1;
    }
    return git_checkout_head(repo, &options) == 0;
}

} // namespace sites::git
