// Every text a person reads goes through a catalogue: under a pseudo-translation that wraps
// each text in brackets, a text shown bare was never translated. Also: the catalogue for the
// system's language is found and loaded.
#include "mainwindow/frmmain.h"
#include "platform/translations.h"
#include "settings/unitmodel.h"
#include "tests/support/fakes.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

namespace {

// Counts, lengths and numbers have nothing to translate.
bool wrapped(const QString &text)
{
    static const QRegularExpression words(QStringLiteral("[A-Za-z]{2}"));
    return !text.contains(words) || (text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')));
}

// "where: text" for each text under `root` that is shown bare.
QStringList bareTexts(QWidget *root)
{
    QStringList bare;
    const auto check = [&bare](const QObject *o, const char *what, const QString &text) {
        if (!wrapped(text))
            bare << QStringLiteral("%1 %2: %3").arg(o->objectName(), QLatin1String(what), text);
    };
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (const QWidget *w : widgets) {
        check(w, "name", w->accessibleName());
        check(w, "description", w->accessibleDescription());
        check(w, "tip", w->toolTip());
        if (const auto *label = qobject_cast<const QLabel *>(w))
            check(w, "text", label->text());
        if (const auto *button = qobject_cast<const QAbstractButton *>(w))
            check(w, "text", button->text());
        if (const auto *frame = qobject_cast<const QGroupBox *>(w))
            check(w, "title", frame->title());
        if (const auto *edit = qobject_cast<const QLineEdit *>(w))
            check(w, "placeholder", edit->placeholderText());
        if (const auto *menu = qobject_cast<const QMenu *>(w)) {
            check(w, "title", menu->title());
            for (const QAction *action : menu->actions())
                check(action, "action", action->text());
        }
        if (const auto *header = qobject_cast<const QHeaderView *>(w); header && header->model())
            for (int c = 0; c < header->model()->columnCount(); ++c)
                check(w, "column", header->model()->headerData(c, header->orientation()).toString());
    }
    return bare;
}

} // namespace

class TstTranslations : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(pseudo_.load(QStringLiteral(NORVIK_PSEUDO_CATALOGUE)), NORVIK_PSEUDO_CATALOGUE);
        QCoreApplication::installTranslator(&pseudo_);
    }

    void pages_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *page : {"frame_0", "frame_1", "frame_3", "frame_4", "menuBar"})
            QTest::newRow(page) << QString::fromLatin1(page);
    }
    void pages()
    {
        QFETCH(QString, name);
        QList<platform::SerialDevice> devices{{"/dev/ttyS0", "USB adapter", "Acme", {}, {}}};
        platform::PortCatalogue catalogue{[&devices] { return devices; }, {}, nullptr};
        fakes::FakeSerialPort port;
        fakes::FakeDialogs dialogs;
        mainwindow::Platform p{&port, &dialogs, [] { return std::make_unique<fakes::FakeTimer>(); }, &catalogue, {}, nullptr};
        mainwindow::FrmMain main(p, mainwindow::Choice{settings::kGate, {0, 1, 3, 4}, *catalogue.find(1)});
        main.show();
        main.start();
        auto *page = main.findChild<QWidget *>(name);
        QVERIFY(page);
        const QStringList bare = bareTexts(page);
        QVERIFY2(bare.isEmpty(), qPrintable(bare.join(QLatin1Char('\n'))));
    }

    // Each option's description in `norvikconf-cli --help`; Qt's own options (help, version)
    // come with Qt's catalogue.
    void commandLineHelp()
    {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(platform::kCatalogueVariable), QStringLiteral(NORVIK_PSEUDO_CATALOGUE));
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(NORVIK_CLI), {QStringLiteral("--help")});
        QVERIFY(cli.waitForFinished(10000));
        const QStringList lines = QString::fromLocal8Bit(cli.readAllStandardOutput()).split(QLatin1Char('\n'));
        QStringList bare;
        int options = 0;
        for (const QString &line : lines) {
            if (!line.startsWith(QLatin1String("  -")) || line.contains(QLatin1String("--help"))
                || line.contains(QLatin1String("--version")))
                continue;
            ++options;
            const QString description = line.trimmed().section(QRegularExpression(QStringLiteral("\\s{2,}")), 1);
            if (!description.startsWith(QLatin1Char('[')))
                bare << line;
        }
        QVERIFY(options >= 5);
        QEXPECT_FAIL("", "the command line's texts are wrapped with the command line's own work", Continue);
        QVERIFY2(bare.isEmpty(), qPrintable(bare.join(QLatin1Char('\n'))));
    }

    // The program's catalogue for the locale, from the first folder that has one; none for a
    // language without one.
    void catalogueForTheLocale()
    {
        QTemporaryDir empty, dir;
        QVERIFY(QFile::copy(QStringLiteral(NORVIK_PSEUDO_CATALOGUE), dir.filePath("norvikconf_de.qm")));
        const QStringList folders{empty.path(), dir.path()};
        qunsetenv(platform::kCatalogueVariable);
        QCOMPARE(platform::installTranslations(QLocale(QLocale::French, QLocale::France), folders), QString());
        QCOMPARE(platform::installTranslations(QLocale(QLocale::German, QLocale::Austria), folders),
                 dir.filePath("norvikconf_de.qm"));
        // The variable names a catalogue whatever the locale.
        qputenv(platform::kCatalogueVariable, QFile::encodeName(dir.filePath("norvikconf_de.qm")));
        QCOMPARE(platform::installTranslations(QLocale(QLocale::French, QLocale::France), folders),
                 dir.filePath("norvikconf_de.qm"));
        qunsetenv(platform::kCatalogueVariable);
    }

private:
    QTranslator pseudo_;
};

QTEST_MAIN(TstTranslations)
#include "tst_translations.moc"
