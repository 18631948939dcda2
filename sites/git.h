#pragma once
#include <git2.h>

#include <QByteArray>
#include <QString>

#include <memory>

// Owning handles for libgit2's objects, and the few helpers every part of the register needs.
namespace sites::git {

template <typename T, void (*Free)(T *)>
struct Deleter {
    void operator()(T *p) const { Free(p); }
};
template <typename T, void (*Free)(T *)>
using Ptr = std::unique_ptr<T, Deleter<T, Free>>;

using Repo = Ptr<git_repository, git_repository_free>;
using Commit = Ptr<git_commit, git_commit_free>;
using Tree = Ptr<git_tree, git_tree_free>;
using Blob = Ptr<git_blob, git_blob_free>;
using Reference = Ptr<git_reference, git_reference_free>;
using Signature = Ptr<git_signature, git_signature_free>;
using TreeBuilder = Ptr<git_treebuilder, git_treebuilder_free>;
using RevWalk = Ptr<git_revwalk, git_revwalk_free>;
using Remote = Ptr<git_remote, git_remote_free>;
using Index = Ptr<git_index, git_index_free>;
using Config = Ptr<git_config, git_config_free>;

// libgit2 is set up once per process, on first use.
void init();
// The message of libgit2's last error, or `fallback`.
QString lastError(const QString &fallback = QStringLiteral("unknown error"));
QString idText(const git_oid &id);
bool parseId(const QString &text, git_oid *id);

// The commit HEAD names; null for a register without any commit yet (or on error).
Commit headCommit(git_repository *repo);
Tree commitTree(git_commit *commit);
// The subtree `name` of `tree`; null when there is none.
Tree subtree(git_repository *repo, const git_tree *tree, const QString &name);
// The bytes of file `name` in `tree`; false when there is none.
bool fileBytes(git_repository *repo, const git_tree *tree, const QString &name, QByteArray *bytes);
// The branch HEAD points at ("main" or "master"), also before the first commit.
QString headBranch(git_repository *repo);
// The name of the user running the program.
QString systemUser();
// The author of the register's commits: `name`, with the system user at this computer as its address.
Signature signature(const QString &name);
// Makes the working folder show HEAD again, for `folder` only when it is given.
bool checkoutHead(git_repository *repo, const QString &folder = QString());

} // namespace sites::git
