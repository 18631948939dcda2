#pragma once
#include "sites/siteregister.h"

#include <QString>

// A team shares one register through its git remote "origin". Work on different sites merges
// by itself; when both sides changed one site nothing is overwritten: the technician says
// whose version stands, and the other stays in the history.
namespace sites {

enum class Keep { Neither,
                  Mine,
                  Theirs };

// Sets "origin" to `url` (a path, a file URL, or whatever libgit2 reaches). No credentials are kept.
Status set_remote(Register &reg, const QString &url);
// Fetches from origin and merges its branch. A site both sides changed is refused (naming it
// in `Status::sites`) unless `keep` says whose version stands. `merged` gets the sites that came in.
Status pull(Register &reg, Keep keep = Keep::Neither, QStringList *merged = nullptr);
// Pulls (refusing what pull refuses), then pushes the branch to origin.
Status push(Register &reg, Keep keep = Keep::Neither);

} // namespace sites
