// The settings as a document: the title and the modified mark, the question before unsaved
// changes are lost, the crash copy, file names, the recent files and the menu bar.
#include "mainwindow/document.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/numberimport.h"
#include "mainwindow/recentfiles.h"
#include "platform/savename.h"
#include "platform/textfile.h"
#include "settings/numberlistmodel.h"
#include "settings/numberpage.h"
#include "settings/systemparameterspage.h"
#include "settings/unitmodel.h"
#include "tests/support/fakes.h"
#include "tests/transfer/rig.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

using fakes::FakeDialogs;
using fakes::FakeTimer;

namespace {

const QStringList kSaveButtons{"Save", "Discard", "Cancel"};

// The main window on fake ports, dialogs and timers, with its state folder and its settings
// in a scratch folder.
struct Window {
    QTemporaryDir &dir;
    QList<platform::SerialDevice> devices{{"/dev/ttyS0", "USB adapter", "Acme", {}, {}},
                                          {"/dev/ttyUSB0", "USB adapter", "Acme", {}, {}}};
    platform::PortCatalogue catalogue{[this] { return devices; }, {}, nullptr};
    fakes::FakeSerialPort port;
    FakeDialogs dialogs;
    QSettings settings;
    std::unique_ptr<mainwindow::FrmMain> main;

    explicit Window(QTemporaryDir &scratch) : dir(scratch), settings(scratch.filePath("settings.ini"), QSettings::IniFormat)
    {
        mainwindow::Platform p{&port, &dialogs, [] { return std::make_unique<FakeTimer>(); }, &catalogue, dir.filePath("state"), &settings};
        main = std::make_unique<mainwindow::FrmMain>(p, mainwindow::Choice{settings::kGate, {0, 1, 3, 4}, *catalogue.find(1)});
        main->show();
        main->start();
    }
    void setName(const QString &name)
    {
        main->numberPage()->txtSysName()->setText(name);
        QCoreApplication::processEvents(); // the comparison waits for the event loop
    }
    void trigger(const char *action) { main->findChild<QAction *>(QLatin1String(action))->trigger(); }
    QStringList dialogTitles() const
    {
        return fakes::textsOf(dialogs.fileDialogs, [](const QString &d) { return d.section('\n', 0, 0); });
    }
};

QByteArray fileText(const QString &path)
{
    QByteArray bytes;
    platform::readFile(path, &bytes, nullptr);
    return bytes;
}

} // namespace

class TstDocument : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Closing, loading, reading from the unit and opening a port ask first when there are
    // unsaved changes, and go on or not as the answer says.
    void askBeforeLosingWork_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QList<int>>("answers"); // Save, Discard, Cancel
        QTest::addColumn<QString>("saveAs");     // typed in the save dialog; empty: cancelled
        QTest::addColumn<bool>("goesOn");
        for (const char *action : {"actQuit", "actOpen", "actRead", "actOpenPort"}) {
            const QString a = QLatin1String(action);
            QTest::addRow("%s, nothing changed", action) << a << false << QList<int>{} << QString() << true;
            QTest::addRow("%s, save", action) << a << true << QList<int>{0} << "oak-ridge" << true;
            QTest::addRow("%s, discard", action) << a << true << QList<int>{1} << QString() << true;
            QTest::addRow("%s, cancel", action) << a << true << QList<int>{2} << QString() << false;
        }
        QTest::newRow("actQuit, save dialog cancelled") << "actQuit" << true << QList<int>{0} << QString() << false;
    }
    void askBeforeLosingWork()
    {
        QFETCH(QString, action);
        QFETCH(bool, modified);
        QFETCH(QList<int>, answers);
        QFETCH(QString, saveAs);
        QFETCH(bool, goesOn);
        QTemporaryDir dir;
        Window w(dir);
        if (modified)
            w.setName("Oak Ridge");
        w.dialogs.choices = answers;
        w.dialogs.saveAnswer = saveAs.isEmpty() ? QString() : dir.filePath(saveAs);
        w.trigger(action.toLatin1());

        if (modified) {
            QCOMPARE(w.dialogs.questions.size(), 1);
            QCOMPARE(w.dialogs.questions[0].text, "Save changes to Untitled.gsm?");
            QCOMPARE(w.dialogs.questions[0].buttons, kSaveButtons);
        } else {
            QVERIFY(w.dialogs.questions.isEmpty());
        }
        const bool saved = answers == QList<int>{0} && !saveAs.isEmpty();
        QCOMPARE(QFile::exists(dir.filePath("oak-ridge.gsm")), saved);
        if (saved)
            QVERIFY(fileText(dir.filePath("oak-ridge.gsm")).contains("SN,Oak Ridge|"));
        if (action == "actQuit")
            QCOMPARE(!w.main->isVisible(), goesOn);
        else if (action == "actOpen")
            QCOMPARE(w.dialogTitles().contains("File Open"), goesOn);
        else if (action == "actRead")
            QCOMPARE(w.port.writes.size(), goesOn ? 1 : 0);
        else
            QCOMPARE(w.port.opened.size(), goesOn ? 2 : 1);
        QVERIFY(w.dialogs.messages.isEmpty());
        // Nothing replaces the settings before another port opens: "Discard" puts back what the
        // start held, and redo brings the changes back.
        if (action == "actOpenPort" && answers == QList<int>{1}) {
            QCOMPARE(w.main->editors().systemName(), "GSM Unit");
            QVERIFY(!w.main->isWindowModified());
            w.main->editors().redoAction()->trigger();
            QCOMPARE(w.main->editors().systemName(), "Oak Ridge");
            QVERIFY(w.main->isWindowModified());
        } else if (modified && goesOn && action != "actRead") {
            QCOMPARE(w.main->editors().systemName(), "Oak Ridge"); // replaced by what comes, if anything
        }
    }

    // The title names the file and marks changes; the mark follows what the settings hold,
    // not how many edits were made. Save writes to the current file without asking again.
    void titleFollowsTheFile()
    {
        QTemporaryDir dir;
        Window w(dir);
        const QString tail = " - NorvikConf - COMM PORT 1: /dev/ttyS0 - USB adapter, Acme";
        QCOMPARE(w.main->windowTitle(), "Untitled.gsm[*]" + tail);
        w.setName("Oak Ridge");
        QVERIFY(w.main->isWindowModified());
        w.setName("GSM Unit"); // the start value again
        QVERIFY(!w.main->isWindowModified());
        w.main->systemPage()->chksys()->click(); // what to upload is no setting of the file
        QCoreApplication::processEvents();
        QVERIFY(!w.main->isWindowModified());

        // A tick after an edit, and its undo, leave the mark to the edit.
        w.setName("Oak Ridge");
        w.main->systemPage()->chksys()->click();
        w.main->editors().undoAction()->trigger();
        QVERIFY(w.main->isWindowModified());
        w.main->editors().undoAction()->trigger();
        QVERIFY(!w.main->isWindowModified());

        w.trigger("actOpen"); // untitled: the dialog starts where it likes
        w.setName("Oak Ridge");
        w.dialogs.saveAnswer = dir.filePath("oak-ridge");
        w.trigger("actSave"); // untitled: asks for a name
        QCOMPARE(w.main->windowTitle(), "oak-ridge.gsm[*]" + tail);
        QVERIFY(!w.main->isWindowModified());
        w.setName("Oak Ridge 2");
        QVERIFY(w.main->isWindowModified());
        // Undo from the Edit menu brings back what was saved, and with it the clean title.
        const QList<QAction *> edit = w.main->findChild<QMenu *>("menuEdit")->actions();
        QCOMPARE(edit.size(), 2);
        edit.first()->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(w.main->editors().systemName(), "Oak Ridge");
        QVERIFY(!w.main->isWindowModified());
        edit.last()->trigger();
        QCoreApplication::processEvents();
        QVERIFY(w.main->isWindowModified());
        w.trigger("actSave");
        QCOMPARE(w.dialogTitles(), (QStringList{"File Open", "Save File"}));
        QVERIFY(fileText(dir.filePath("oak-ridge.gsm")).contains("SN,Oak Ridge 2|"));
        QVERIFY(!w.main->isWindowModified());

        // Numbers added in front of the file's own: the settings differ from the file.
        settings::NumberListModel &list = w.main->numberPage()->numberModel();
        list.change({{QString(), "+2782", {}}}, "Add");
        QCoreApplication::processEvents();
        w.dialogs.choices = {1, 1}; // discard, then add to the list
        w.dialogs.openAnswer = dir.filePath("oak-ridge.gsm");
        w.trigger("actOpen");
        QCOMPARE(w.dialogs.openFolders, (QStringList{QString(), QDir(dir.path()).absolutePath()}));
        QCOMPARE(w.main->editors().systemName(), "Oak Ridge 2");
        QCOMPARE(list.rowCount(), 1);
        QVERIFY(w.main->isWindowModified());
        QCOMPARE(w.main->windowTitle(), "oak-ridge.gsm[*]" + tail);
    }

    // Save adds ".gsm" and Export CSV ".csv" to a name typed without an extension, and asks
    // before the completed name replaces a file the dialog did not ask about.
    void extensionAdded_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        const QList<std::pair<QString, QString>> rows{{"oak-ridge", "oak-ridge.gsm"}, {"site.v2", "site.v2"}, {"old.sites/oak", "old.sites/oak.gsm"}, {".oak", ".oak.gsm"}, {"oak.gsm", "oak.gsm"}, {"St. Marys Estate", "St. Marys Estate.gsm"}, {"Mt.Frere", "Mt.Frere.gsm"}, {"backup.2024", "backup.2024"}, {"oak.", "oak.gsm"}};
        for (const auto &[typed, written] : rows)
            QTest::newRow(qPrintable(typed)) << typed << written;
    }
    void extensionAdded()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("old.sites"));
        Pages p;
        QWidget window;
        FakeDialogs d;
        mainwindow::Document doc(window, p.editors, settings::kGate, d, std::make_unique<FakeTimer>(), QString());
        d.saveAnswer = dir.filePath(typed);
        QVERIFY(doc.saveAs());
        QVERIFY(QFile::exists(dir.filePath(written)));
        QCOMPARE(doc.path(), dir.filePath(written));
    }
    void completedNameAsksBeforeReplacing()
    {
        QTemporaryDir dir;
        Pages p;
        p.addRow("1", "+27821");
        FakeDialogs d;
        const QString csv = dir.filePath("list.csv");
        d.saveAnswer = dir.filePath("list");
        mainwindow::exportNumbers(p.editors, settings::kGate, d);
        QVERIFY(fileText(csv).contains("27821"));
        QVERIFY(d.questions.isEmpty());

        QVERIFY(platform::writeFileAtomically(csv, "kept", nullptr));
        d.answerYes = false;
        mainwindow::exportNumbers(p.editors, settings::kGate, d);
        QCOMPARE(fileText(csv), "kept");
        QCOMPARE(d.questions.last().text, "\"list.csv\" already exists. Replace it?");
        d.answerYes = true;
        mainwindow::exportNumbers(p.editors, settings::kGate, d);
        QVERIFY(fileText(csv).contains("27821"));
        QVERIFY(platform::withExtension(QString(), "gsm").isEmpty()); // a cancelled dialog stays cancelled
    }

    // While there are unsaved changes a copy is kept every 30 s; a program that stopped without
    // closing leaves it, and the next start offers it back. A save or a clean close removes it.
    void crashCopy()
    {
        QTemporaryDir dir;
        const QString state = dir.filePath("state");
        struct Instance {
            Pages pages;
            QWidget window;
            FakeDialogs dialogs;
            FakeTimer *autosave = nullptr;
            std::unique_ptr<mainwindow::Document> doc;
            Instance(const QString &folder, const QString &model = settings::kGate)
            {
                auto timer = std::make_unique<FakeTimer>();
                autosave = timer.get();
                doc = std::make_unique<mainwindow::Document>(window, pages.editors, model, dialogs, std::move(timer),
                                                             folder);
            }
        };

        auto a = std::make_unique<Instance>(state);
        a->dialogs.saveAnswer = dir.filePath("oak-ridge");
        QVERIFY(a->doc->saveAs());
        QVERIFY(!a->autosave->isActive());
        a->pages.editors.setSystemName("Oak Ridge");
        a->pages.addRow("1", "+27821");
        QVERIFY(a->doc->isModified());
        QVERIFY(a->autosave->isActive());
        QCOMPARE(a->autosave->interval(), 30000);
        const QString copy = a->doc->crashCopyPath();
        QVERIFY(!QFile::exists(copy));
        const QString before = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm");
        a->autosave->fire();
        const QString after = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm");
        QVERIFY(fileText(copy).contains("SN,Oak Ridge|"));
        // A copy's temporary file, as a kill during its writing leaves it: kept while its
        // program runs, removed by the next start once it stopped.
        const QString temp = copy + ".Q1w2E3";
        QFile(temp).open(QIODevice::WriteOnly);
        {
            Instance running(state); // a second window while the first still runs: not its copy
            running.doc->start(QString());
            QVERIFY(running.dialogs.questions.isEmpty());
            QVERIFY(QFile::exists(temp));
        }
        a.reset(); // the crash: the window goes without being closed
        QVERIFY(QFile::exists(copy));

        Instance intercom(state, settings::kIntercom); // another model's settings are not offered
        intercom.doc->start(QString());
        QVERIFY(intercom.dialogs.questions.isEmpty());
        QVERIFY(!QFile::exists(temp));

        Instance later(state);
        later.doc->start(QString()); // Escape: decide at the next start
        QCOMPARE(later.dialogs.questions.size(), 1);
        const QString asked = later.dialogs.questions[0].text;
        QVERIFY2(asked == "NorvikConf stopped without closing. Unsaved changes to oak-ridge.gsm from " + before + " were kept."
                     || asked.contains(after),
                 qPrintable(asked));
        QCOMPARE(later.dialogs.questions[0].buttons, QStringList({"Bring them back", "Discard them", "Decide later"}));
        QVERIFY(QFile::exists(copy));
        QCOMPARE(later.pages.state(), kStart);

        Instance back(state);
        back.dialogs.choices = {0};
        back.doc->start(QString());
        QCOMPARE(back.pages.editors.systemName(), "Oak Ridge");
        QCOMPARE(back.pages.rows(), "1:+27821");
        QVERIFY(back.doc->isModified());
        QCOMPARE(back.window.windowTitle(), "oak-ridge.gsm[*] - NorvikConf");
        QVERIFY(!QFile::exists(copy));
        QVERIFY(QFile::exists(back.doc->crashCopyPath())); // kept again, under this window's name
        QVERIFY(back.doc->save());                         // to oak-ridge.gsm, without asking
        QCOMPARE(back.dialogs.fileDialogs.size(), 0);
        QVERIFY(fileText(dir.filePath("oak-ridge.gsm")).contains("TN,27821,1,|"));
        QCOMPARE(QDir(state).entryList(QDir::Files), QStringList());

        // Changes discarded at a clean close leave nothing behind either.
        back.pages.editors.setSystemName("Oak Ridge 3");
        QVERIFY(back.doc->isModified());
        back.autosave->fire();
        QVERIFY(QFile::exists(back.doc->crashCopyPath()));
        back.dialogs.choices = {1};
        QVERIFY(back.doc->mayClose());
        QCOMPARE(QDir(state).entryList(QDir::Files), QStringList());
    }

    // F1 shows the guide for people who use the program, not the notes on building it.
    void guide()
    {
        QTemporaryDir dir;
        Window w(dir);
        QCOMPARE(w.main->findChild<QAction *>("actGuide")->shortcut(), QKeySequence(Qt::Key_F1));
        w.trigger("actGuide");
        auto *shown = w.main->findChild<QTextBrowser *>("txtGuide");
        QVERIFY(shown);
        const QString text = shown->toPlainText();
        QVERIFY2(text.contains("Ctrl+F") && text.contains("Verify after upload"), qPrintable(text.left(200)));
        QVERIFY(!text.contains("cmake") && !text.contains("ctest"));
        QVERIFY(w.dialogs.messages.isEmpty());
    }

    // The last ten files opened or saved, the newest first, in the File menu and at the next start.
    void recentFiles()
    {
        QTemporaryDir dir;
        {
            QSettings store(dir.filePath("list.ini"), QSettings::IniFormat);
            mainwindow::RecentFiles recent(&store);
            for (int i = 1; i <= 12; ++i)
                recent.add(dir.filePath(QStringLiteral("f%1.gsm").arg(i)));
            recent.add(dir.filePath("f5.gsm"));
        }
        QSettings store(dir.filePath("list.ini"), QSettings::IniFormat);
        QStringList expected{"f5.gsm", "f12.gsm", "f11.gsm", "f10.gsm", "f9.gsm", "f8.gsm", "f7.gsm", "f6.gsm", "f4.gsm", "f3.gsm"};
        for (QString &name : expected)
            name = dir.filePath(name);
        QCOMPARE(mainwindow::RecentFiles(&store).files(), expected);

        {
            Window w(dir);
            w.dialogs.saveAnswer = dir.filePath("first");
            w.trigger("actSaveAs");
            w.setName("Second");
            w.dialogs.saveAnswer = dir.filePath("second.gsm");
            w.trigger("actSaveAs");
        }
        Window w(dir); // the next start
        auto *recent1 = w.main->findChild<QAction *>("actRecent1");
        auto *recent2 = w.main->findChild<QAction *>("actRecent2");
        QVERIFY(recent1 && recent2);
        QCOMPARE(recent1->text(), "&1 second.gsm");
        QCOMPARE(recent2->text(), "&2 first.gsm");
        recent1->trigger();
        QCOMPARE(w.main->editors().systemName(), "Second");
        QCOMPARE(w.main->windowTitle().section('[', 0, 0), "second.gsm");

        // A file that is gone is told about and leaves the list.
        QVERIFY(QFile::remove(dir.filePath("first.gsm")));
        w.main->findChild<QAction *>("actRecent2")->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(w.dialogs.messages.size(), 1);
        QVERIFY(!w.main->findChild<QAction *>("actRecent2"));
        QCOMPARE(w.main->windowTitle().section('[', 0, 0), "second.gsm");
    }
};

QTEST_MAIN(TstDocument)
#include "tst_document.moc"
