// The register of sites: files, history, comparison, a write cut off, and sharing.
#include "settings/valuecheck.h"
#include "sites/sitediff.h"
#include "sites/siteregister.h"
#include "sites/sitesharing.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace sites;
Q_DECLARE_METATYPE(sites::Problem)

// A register call that must succeed, with its message when it does not.
#define SUCCEEDS(call)                                   \
    do {                                                 \
        const sites::Status done_ = (call);              \
        QVERIFY2(done_.ok(), qPrintable(done_.message)); \
    } while (false)

namespace {

settings::NumberRow row(const QString &number, const QString &unit, std::array<bool, 4> outputs = {})
{
    return {unit, number, outputs};
}

settings::SettingsSet oakRidge()
{
    settings::SettingsSet set;
    set.systemName = QStringLiteral("Oak Gate");
    set.numbers = {row(QStringLiteral("+27821111111"), QStringLiteral("1"), {true, false, false, false}),
                   row(QStringLiteral("+27822222222"), QStringLiteral("2"), {true, true, false, false}),
                   row(QStringLiteral("+27823333333"), QStringLiteral("3"))};
    return set;
}

SiteDetails details(const QString &name) { return {name, QStringLiteral("gate"), QStringLiteral("1 Oak Rd"), {}, {}}; }

std::unique_ptr<Register> openAt(const QString &dir)
{
    Status status;
    auto reg = Register::open(dir, true, &status);
    if (!reg)
        qWarning() << status.message;
    return reg;
}

bool git(const QString &dir, const QStringList &args)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("git"),
            QStringList{QStringLiteral("-c"), QStringLiteral("user.name=t"), QStringLiteral("-c"),
                        QStringLiteral("user.email=t@t")}
                + args);
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

} // namespace

class TestSites : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCoreApplication::setApplicationVersion(QStringLiteral("9.8.7")); }

    void folderNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::newRow("words") << "Oak Ridge"
                               << "oak-ridge";
        QTest::newRow("punctuation runs") << "  Elm  Park / North!! "
                                          << "elm-park-north";
        QTest::newRow("accents dropped") << "Émile Côté"
                                         << "emile-cote";
        QTest::newRow("digits kept") << "Block 12B"
                                     << "block-12b";
        QTest::newRow("nothing usable") << "!!! ..."
                                        << "";
        QTest::newRow("dots cannot climb") << "../etc"
                                           << "etc";
    }
    void folderNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QCOMPARE(folder_for(name), folder);
    }

    void comparison_data()
    {
        QTest::addColumn<settings::SettingsSet>("after");
        QTest::addColumn<Labels>("labelsAfter");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("changed");
        QTest::addColumn<int>("settingsChanged");
        QTest::addColumn<int>("labels");
        QTest::addColumn<QString>("summary");

        const Labels labels{{QStringLiteral("+27821111111"), QStringLiteral("Flat 1")}};
        settings::SettingsSet s = oakRidge();
        QTest::newRow("same") << s << labels << 0 << 0 << 0 << 0 << 0 << "no change";
        s.numbers.append(row(QStringLiteral("+27824444444"), QStringLiteral("4")));
        s.numbers.append(row(QStringLiteral("+27825555555"), QStringLiteral("5")));
        s.numbers.removeAt(2);
        s.systemName = QStringLiteral("Oak Ridge");
        QTest::newRow("added, removed, name") << s << labels << 2 << 1 << 0 << 1 << 0
                                              << "2 numbers added, 1 removed, name changed";
        s = oakRidge();
        s.numbers[0].outputs = {false, false, false, true};
        s.password = QStringLiteral("1234");
        QTest::newRow("rights and password") << s << labels << 0 << 0 << 1 << 1 << 0
                                             << "1 number with other rights, password changed";
        s = oakRidge();
        s.systemOptionsKnown = false; // as the unit's dump: its options are nobody's word
        s.errorReporting = false;
        QTest::newRow("options unknown") << s << labels << 0 << 0 << 0 << 0 << 0 << "no change";
        QTest::newRow("labels") << oakRidge()
                                << Labels{{QStringLiteral("+27821111111"), QStringLiteral("Flat 2")},
                                          {QStringLiteral("+27822222222"), QStringLiteral("Caretaker")}}
                                << 0 << 0 << 0 << 0 << 2 << "2 labels changed";
    }
    void comparison()
    {
        QFETCH(settings::SettingsSet, after);
        QFETCH(Labels, labelsAfter);
        QFETCH(QString, summary);
        const Comparison c =
            compare_settings(oakRidge(), after, {{QStringLiteral("+27821111111"), QStringLiteral("Flat 1")}}, labelsAfter);
        QTEST(c.count(Change::Kind::NumberAdded), "added");
        QTEST(c.count(Change::Kind::NumberRemoved), "removed");
        QTEST(c.count(Change::Kind::NumberChanged), "changed");
        QTEST(c.count(Change::Kind::Setting), "settingsChanged");
        QTEST(c.count(Change::Kind::Label), "labels");
        QCOMPARE(c.summary(), summary);
        for (const Change &change : c.changes)
            QVERIFY2(!change.before.contains(QStringLiteral("1234")) && !change.after.contains(QStringLiteral("1234")),
                     "a password is never shown");
    }

    // Every event is one version; any version opens, and the unit's state follows the events.
    void historyOfEvents()
    {
        QTemporaryDir dir;
        auto reg = openAt(dir.path() + QStringLiteral("/new/register"));
        QVERIFY(reg);
        const Labels labels{{QStringLiteral("+27821111111"), QStringLiteral("Flat 12 J. Dube")}};
        SUCCEEDS(reg->addSite(details(QStringLiteral("Oak Ridge")), oakRidge(), labels));
        Status status;
        std::optional<Site> site = reg->site(QStringLiteral("oak ridge"), &status);
        QVERIFY2(site, qPrintable(status.message));
        QCOMPARE(site->settings, oakRidge());
        QCOMPARE(site->labels, labels);
        QCOMPARE(site->folder, QStringLiteral("oak-ridge"));

        site->settings.numbers.append(row(QStringLiteral("+27824444444"), QStringLiteral("4")));
        SUCCEEDS(reg->save(*site));
        settings::SettingsSet unit = oakRidge(); // the unit still holds the first three
        unit.systemOptionsKnown = false;
        int differences = -1;
        SUCCEEDS(reg->recordRead(QStringLiteral("Oak Ridge"), unit, &differences));
        QCOMPARE(differences, 1); // against the site's settings: nothing verified yet
        UploadRecord upload{site->settings, QStringLiteral("Send 2 commands"), 2, 2, true, QStringLiteral("done")};
        SUCCEEDS(reg->recordUpload(QStringLiteral("Oak Ridge"), upload));
        SUCCEEDS(reg->recordVerification(QStringLiteral("Oak Ridge"), site->settings, 0));
        SUCCEEDS(reg->recordRead(QStringLiteral("Oak Ridge"), unit, &differences));
        QCOMPARE(differences, 1); // now against the verified upload

        const QList<Version> history = reg->history(QStringLiteral("Oak Ridge"), &status);
        QStringList events;
        for (const Version &v : history)
            events << v.event;
        QCOMPARE(events, (QStringList{"read", "verification", "upload", "read", "saved", "created"}));
        QVERIFY(history.at(4).summary.contains(QStringLiteral("1 number added")));
        QCOMPARE(history.at(0).program, QStringLiteral("NorvikConf 9.8.7"));
        QCOMPARE(history.at(0).technician, reg->technician());

        const std::optional<Site> first = reg->site(QStringLiteral("Oak Ridge"), &status, history.last().id);
        QVERIFY(first);
        QCOMPARE(first->settings.numbers.size(), 3);
        const std::optional<Site> now = reg->site(QStringLiteral("Oak Ridge"), &status);
        QVERIFY(now && now->verified);
        QCOMPARE(now->verified->numbers.size(), 4);
        QVERIFY(now->unit.lastVerified.isValid());
        QCOMPARE(now->unit.differencesAtLastRead, 1);
        // The working folder shows the last version, for people and git tools.
        QFile file(reg->path() + QStringLiteral("/oak-ridge/labels.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("+27821111111\tFlat 12 J. Dube\n"));

        SUCCEEDS(reg->setTechnician(QStringLiteral("Thandi")));
        QCOMPARE(reg->technician(), QStringLiteral("Thandi"));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<Problem>("problem");
        QTest::newRow("not a register") << "not a register" << Problem::NotARegister;
        QTest::newRow("unknown site") << "unknown site" << Problem::UnknownSite;
        QTest::newRow("same name") << "same name" << Problem::SiteExists;
        QTest::newRow("same folder") << "same folder" << Problem::SiteExists;
        QTest::newRow("bad label") << "bad label" << Problem::BadValue;
        QTest::newRow("bad model") << "bad model" << Problem::BadValue;
        QTest::newRow("damaged settings") << "damaged settings" << Problem::DamagedSite;
        QTest::newRow("damaged labels") << "damaged labels" << Problem::DamagedSite;
        QTest::newRow("no remote") << "no remote" << Problem::RemoteUnreachable;
        QTest::newRow("remote gone") << "remote gone" << Problem::RemoteUnreachable;
    }
    // Each refusal names its problem and leaves the register's branch where it was.
    void refusals()
    {
        QFETCH(QString, what);
        QFETCH(Problem, problem);
        QTemporaryDir dir;
        Status status;
        if (what == QLatin1String("not a register")) {
            QFile f(dir.filePath(QStringLiteral("notes.txt")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.close();
            QVERIFY(!Register::open(dir.path(), true, &status));
            QCOMPARE(status.problem, problem);
            return;
        }
        auto reg = openAt(dir.path());
        SUCCEEDS(reg->addSite(details(QStringLiteral("Oak Ridge")), oakRidge()));
        const auto head = [&] {
            QProcess p;
            p.setWorkingDirectory(dir.path());
            p.start(QStringLiteral("git"), {QStringLiteral("rev-parse"), QStringLiteral("HEAD")});
            p.waitForFinished();
            return p.readAll();
        };
        const QByteArray before = head();
        if (what.startsWith(QLatin1String("damaged"))) {
            const QString file = what.endsWith(QLatin1String("settings")) ? QStringLiteral("oak-ridge/settings.gsm")
                                                                          : QStringLiteral("oak-ridge/labels.txt");
            QFile f(dir.filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("<START>|nonsense\n+2782 no tab\n");
            f.close();
            QVERIFY(git(dir.path(), {QStringLiteral("commit"), QStringLiteral("-qam"), QStringLiteral("damage")}));
            QVERIFY(!reg->site(QStringLiteral("Oak Ridge"), &status));
            QCOMPARE(status.problem, problem);
            QVERIFY(status.message.contains(file.section(QLatin1Char('/'), 1)));
            return;
        }
        if (what == QLatin1String("unknown site")) {
            QVERIFY(!reg->site(QStringLiteral("Elm Park"), &status));
            status = reg->recordRead(QStringLiteral("Elm Park"), oakRidge());
        } else if (what == QLatin1String("same name"))
            status = reg->addSite(details(QStringLiteral("OAK RIDGE")), oakRidge());
        else if (what == QLatin1String("same folder"))
            status = reg->addSite(details(QStringLiteral("Oak-Ridge!")), oakRidge());
        else if (what == QLatin1String("bad label"))
            status = reg->addSite(details(QStringLiteral("Elm")), oakRidge(),
                                  {{QStringLiteral("+27821111111"), QStringLiteral("Flat\n12")}});
        else if (what == QLatin1String("bad model")) {
            SiteDetails d = details(QStringLiteral("Elm"));
            d.model = QStringLiteral("garage");
            status = reg->addSite(d, oakRidge());
        } else if (what == QLatin1String("no remote"))
            status = pull(*reg);
        else {
            SUCCEEDS(set_remote(*reg, dir.path() + QStringLiteral("/gone.git")));
            status = push(*reg);
        }
        QCOMPARE(status.problem, problem);
        QVERIFY(!status.message.isEmpty());
        QCOMPARE(head(), before);
    }

    // A writer killed at any moment leaves the last whole version readable.
    void killedWrite()
    {
        QTemporaryDir dir;
        {
            auto reg = openAt(dir.path());
            settings::SettingsSet big = oakRidge();
            for (int i = 0; i < 1000; ++i)
                big.numbers.append(row(QStringLiteral("+2783%1").arg(i, 7, 10, QLatin1Char('0')), QString::number(i + 4)));
            SUCCEEDS(reg->addSite(details(QStringLiteral("Oak Ridge")), big));
        }
        int versions = 0;
        for (const int waitMs : {60, 150, 300}) {
            const pid_t child = fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                Status status;
                auto reg = Register::open(dir.path(), false, &status);
                for (int n = 0; reg; ++n) {
                    std::optional<Site> site = reg->site(QStringLiteral("Oak Ridge"), &status);
                    site->settings.numbers.removeLast();
                    site->labels.insert(site->settings.numbers.first().number, QStringLiteral("Write %1").arg(n));
                    reg->save(*site);
                }
                _exit(1);
            }
            QTest::qWait(waitMs);
            ::kill(child, SIGKILL);
            int wstatus = 0;
            ::waitpid(child, &wstatus, 0);
            QVERIFY(WIFSIGNALED(wstatus));
            auto reg = openAt(dir.path());
            Status status;
            const std::optional<Site> site = reg->site(QStringLiteral("Oak Ridge"), &status);
            QVERIFY2(site, qPrintable(status.message));
            const QList<Version> history = reg->history(QStringLiteral("Oak Ridge"), &status);
            // The last version is whole: each save dropped one number and labelled the first.
            QCOMPARE(site->settings.numbers.size(), 1003 - (history.size() - 1));
            versions = int(history.size());
        }
        QVERIFY2(versions > 1, "the writer was killed before it wrote anything");
    }

    // Two registers cloned from one remote: different sites merge, the same site is refused
    // with both versions kept, and the technician's choice then goes through.
    void sharing()
    {
        QTemporaryDir dir;
        const QString remote = dir.filePath(QStringLiteral("shared.git"));
        QVERIFY(git(dir.path(), {QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--bare"), remote}));
        auto a = openAt(dir.filePath(QStringLiteral("a")));
        SUCCEEDS(set_remote(*a, QStringLiteral("file://") + remote));
        const Labels labels{{QStringLiteral("+27822222222"), QStringLiteral("Flat 12 J. Dube")}};
        SUCCEEDS(a->addSite(details(QStringLiteral("Oak Ridge")), oakRidge(), labels));
        Status status = push(*a);
        QVERIFY2(status.ok(), qPrintable(status.message));

        QVERIFY(git(dir.path(), {QStringLiteral("clone"), QStringLiteral("-q"), remote, QStringLiteral("b")}));
        auto b = openAt(dir.filePath(QStringLiteral("b")));
        SUCCEEDS(pull(*b)); // the remote's own default branch is not ours: the pull finds ours
        const std::optional<Site> cloned = b->site(QStringLiteral("Oak Ridge"), &status);
        QVERIFY(cloned);
        QCOMPARE(cloned->labels, labels);

        SUCCEEDS(a->addSite(details(QStringLiteral("Elm Park")), oakRidge()));
        SUCCEEDS(push(*a));
        SUCCEEDS(b->addSite(details(QStringLiteral("Birch")), oakRidge()));
        status = push(*b);
        QVERIFY2(status.ok(), qPrintable(status.message));
        QCOMPARE(b->sites(&status).size(), 3);
        SUCCEEDS(pull(*a));
        QCOMPARE(a->sites(&status).size(), 3);

        Site mine = *a->site(QStringLiteral("Oak Ridge"), &status);
        mine.settings.systemName = QStringLiteral("From A");
        SUCCEEDS(a->save(mine));
        SUCCEEDS(push(*a));
        Site theirs = *b->site(QStringLiteral("Oak Ridge"), &status);
        theirs.settings.numbers.removeLast();
        SUCCEEDS(b->save(theirs));
        status = push(*b);
        QCOMPARE(status.problem, Problem::SameSiteChanged);
        QCOMPARE(status.sites, QStringList{QStringLiteral("Oak Ridge")});
        QCOMPARE(b->site(QStringLiteral("Oak Ridge"), &status)->settings.numbers.size(), 2); // nothing overwritten

        SUCCEEDS(push(*b, Keep::Mine));
        const std::optional<Site> kept = b->site(QStringLiteral("Oak Ridge"), &status);
        QCOMPARE(kept->settings.systemName, QStringLiteral("Oak Gate"));
        QCOMPARE(kept->settings.numbers.size(), 2);
        QStringList summaries;
        for (const Version &v : b->history(QStringLiteral("Oak Ridge"), &status))
            summaries << v.summary;
        QVERIFY2(summaries.filter(QStringLiteral("name changed")).size() == 1, qPrintable(summaries.join('\n')));
        QVERIFY(summaries.filter(QStringLiteral("1 number removed")).size() == 1);
        SUCCEEDS(pull(*a));
        QCOMPARE(a->site(QStringLiteral("Oak Ridge"), &status)->settings.numbers.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestSites)
#include "tst_sites.moc"
