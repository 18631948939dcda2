// The Sites menu over a temporary register: a site made from the settings shown, its labels,
// uploads and reads recorded, a unit that differs from the last verified upload, old versions.
#include "link/unitlink.h"
#include "mainwindow/document.h"
#include "mainwindow/download.h"
#include "mainwindow/sitesmenu.h"
#include "settings/unitmodel.h"
#include "sites/siteregister.h"
#include "tests/support/fakes.h"
#include "tests/transfer/rig.h"
#include "transfer/dumpreader.h"
#include "transfer/uploadjob.h"

#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Window {
    QWidget window;
    QMenuBar bar{&window};
    Pages pages;
    fakes::FakeSerialPort port;
    fakes::FakeTimer quiet, deadline;
    fakes::FakeDialogs dialogs;
    unitlink::UnitLink link{port};
    transfer::DumpReader reader{link, quiet, deadline, [](const QString &) {}};
    transfer::Download download{reader, pages.editors, dialogs, [] {}, [](const QString &) {}};
    transfer::UploadJob job{link, reader};
    mainwindow::Document document{window, pages.editors, settings::kGate, dialogs, std::make_unique<fakes::FakeTimer>(),
                                  QString()};
    mainwindow::SitesMenu sites{{window, bar, pages.editors, pages.grid, document, download, job, dialogs, settings::kGate}};

    QStringList events()
    {
        sites::Status status;
        QStringList out;
        for (const sites::Version &v : sites.siteRegister()->history(sites.openSiteName(), &status))
            out << v.event;
        return out;
    }
};

} // namespace

class TestSitesMenu : public QObject {
    Q_OBJECT
private slots:
    void siteLifecycle()
    {
        QTemporaryDir dir;
        Window w;
        QVERIFY(w.sites.useRegister(dir.path(), true));
        w.pages.setCount(3);
        QVERIFY(w.sites.newSite(QStringLiteral("Oak Ridge")));
        QVERIFY(w.window.windowTitle().contains(QStringLiteral("Oak Ridge")));
        QVERIFY(w.pages.grid.labelsShown());

        const int label = w.pages.grid.labelColumn();
        QVERIFY(w.pages.grid.setData(w.pages.grid.index(1, label), QStringLiteral("Flat 12 J. Dube")));
        w.pages.addRow(QStringLiteral("4"), QStringLiteral("+27829999999"));
        QVERIFY(w.sites.saveToSite());
        sites::Status status;
        std::optional<sites::Site> site = w.sites.siteRegister()->site(QStringLiteral("Oak Ridge"), &status);
        QCOMPARE(site->labels.value(QStringLiteral("+27820000001")), QStringLiteral("Flat 12 J. Dube"));
        QCOMPARE(site->settings.numbers.size(), 4);

        // A verified upload is recorded from the job's outcome: the upload and the verification.
        transfer::UploadOutcome done;
        done.total = done.acknowledged = 6;
        done.verification = transfer::Verification{30, {}, {}};
        emit w.job.finished(done);
        QCOMPARE(w.events(), (QStringList{"verification", "upload", "saved", "created"}));

        // A read that finds the unit without one number: recorded, said, and the site restored.
        settings::SettingsSet unit = w.pages.editors.store();
        unit.numbers.removeLast();
        w.pages.editors.load(unit);
        w.dialogs.choices = {0};
        emit w.download.unitRead(unit);
        QTRY_COMPARE(w.dialogs.questions.size(), 1);
        QVERIFY(w.dialogs.questions.first().text.contains(QStringLiteral("1 differences")));
        QCOMPARE(w.pages.grid.rows().size(), 4);
        QCOMPARE(w.events().first(), QStringLiteral("read"));

        // An old version opens into the editors, labels and all; nothing is recorded.
        const QList<sites::Version> history = w.sites.siteRegister()->history(QStringLiteral("Oak Ridge"), &status);
        w.pages.grid.setRows({}); // an unsaved change: opening asks, and "Discard" lets it go
        w.dialogs.choices = {1};
        QVERIFY(w.sites.openSite(QStringLiteral("Oak Ridge"), history.last().id));
        QCOMPARE(w.pages.grid.rows().size(), 3);
        QVERIFY(w.pages.grid.labels().isEmpty());
        QCOMPARE(w.sites.siteRegister()->history(QStringLiteral("Oak Ridge"), &status).size(), history.size());

        QVERIFY(!w.sites.openSite(QStringLiteral("Elm Park")));
        QCOMPARE(w.dialogs.messages.last().icon, platform::Dialogs::Icon::Stop);
    }
};

QTEST_MAIN(TestSitesMenu)
#include "tst_sitesmenu.moc"
