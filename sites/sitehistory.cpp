#include "sites/git.h"
#include "sites/siteregister.h"

#include <QStringList>

namespace sites {

namespace {

// The "Key: value" lines after the summary, where the register writes its facts.
QMultiMap<QString, QString> trailers(const char *message)
{
    QMultiMap<QString, QString> out;
    const QStringList lines = QString::fromUtf8(message).split(QLatin1Char('\n'));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(QStringLiteral(": "));
        if (colon > 0)
            out.insert(lines.at(i).left(colon), lines.at(i).mid(colon + 2));
    }
    return out;
}

} // namespace

QList<Version> Register::history(const QString &name, Status *status) const
{
    QList<Version> out;
    const std::optional<Site> site = findSite(name, status);
    if (!site)
        return out;
    git_revwalk *raw = nullptr;
    if (git_revwalk_new(&raw, repo_) != 0)
        return out;
    const git::RevWalk walk(raw);
    git_revwalk_sorting(walk.get(), GIT_SORT_TOPOLOGICAL | GIT_SORT_TIME);
    if (git_revwalk_push_head(walk.get()) != 0)
        return out;
    git_oid id;
    while (git_revwalk_next(&id, walk.get()) == 0) {
        git_commit *commit = nullptr;
        if (git_commit_lookup(&commit, repo_, &id) != 0)
            continue;
        const git::Commit owned(commit);
        const QMultiMap<QString, QString> facts = trailers(git_commit_message(commit));
        if (!facts.values(QStringLiteral("Site")).contains(site->folder))
            continue;
        Version v;
        v.id = git::idText(id);
        v.time = QDateTime::fromSecsSinceEpoch(git_commit_time(commit), Qt::UTC);
        v.technician = facts.value(QStringLiteral("Technician"), QString::fromUtf8(git_commit_author(commit)->name));
        v.program = facts.value(QStringLiteral("Program"));
        v.event = facts.value(QStringLiteral("Event"));
        v.summary = QString::fromUtf8(git_commit_summary(commit));
        out.append(v);
    }
    return out;
}

} // namespace sites
