// Files that the player writes, at the core: what replaces what, and what a
// start clears away from the cache. The machine's faults (a full disk,
// another user's link, a pipe, a kill during the save) are met on the real
// program in e2e/faults_dateien.sh.
#include "core/aufraeumen.h"
#include "core/dateischreiben.h"
#include "tests/support/fakes.h"

#include <QDir>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

// A symbolic link owned by `besitzer`.
void verweis(const QString& ziel, const QString& pfad, uid_t besitzer)
{
    QVERIFY(QFile::link(ziel, pfad));
    QCOMPARE(::lchown(QFile::encodeName(pfad), besitzer, besitzer), 0);
}

} // namespace

class DateienTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void replace_data()
    {
        QTest::addColumn<bool>("daten");
        QTest::addColumn<QString>("steht");  // what stands at the path before
        QTest::addColumn<QString>("bleibt"); // a file that must keep "alt"
        QTest::addColumn<QString>("neuIn");  // where "neu" lands, or none
        QTest::newRow("data: a file keeps its mode") << true << u"datei"_s << QString() << u"f"_s;
        QTest::newRow("data: the user's own link leads to its target")
            << true << u"eigener Verweis"_s << QString() << u"ziel"_s;
        QTest::newRow("data: not through the user's own link to another user's")
            << true << u"Kette"_s << u"ziel"_s << QString();
        QTest::newRow("cache: even the user's own link is replaced, not its target")
            << false << u"eigener Verweis"_s << u"ziel"_s << u"f"_s;
        QTest::newRow("cache: a folder stays") << false << u"Ordner"_s << QString() << QString();
    }

    void replace()
    {
        QFETCH(bool, daten);
        QFETCH(QString, steht);
        QFETCH(QString, bleibt);
        QFETCH(QString, neuIn);
        const bool fremd = steht == u"Kette"_s;
        if (fremd && ::geteuid() != 0)
            QSKIP("a link of another user needs root to plant");
        Ordner o;
        const QString f = o.path(u"f"_s);
        ::chmod(QFile::encodeName(o.write(u"ziel"_s, "alt")), 0640);
        if (steht == u"datei"_s)
            ::chmod(QFile::encodeName(o.write(u"f"_s, "alt")), 0640);
        else if (steht == u"eigener Verweis"_s)
            verweis(o.path(u"ziel"_s), f, ::geteuid());
        else if (fremd) {
            verweis(o.path(u"ziel"_s), o.path(u"fremd"_s), 65534);
            verweis(o.path(u"fremd"_s), f, ::geteuid());
        } else
            QVERIFY(QDir().mkpath(o.path(u"f/x"_s)));
        const auto alle = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        const QStringList vorher = QDir(o.path()).entryList(alle);

        Schreibfehler fehler;
        QCOMPARE(dateiErsetzen(f, daten ? Dateiart::Daten : Dateiart::Cache, "neu"_ba, &fehler),
                 !neuIn.isEmpty());
        QCOMPARE(fehler.art == Schreibfehler::fremderVerweis, fremd);
        if (!bleibt.isEmpty())
            QCOMPARE(o.read(bleibt), "alt"_ba);
        if (!neuIn.isEmpty()) {
            QCOMPARE(o.read(neuIn), "neu"_ba);
            struct stat st;
            QCOMPARE(::stat(QFile::encodeName(o.path(neuIn)), &st), 0);
            QCOMPARE(int(st.st_mode & 07777), daten ? 0640 : 0600);
            QCOMPARE(QFileInfo(f).isSymLink(), daten && steht == u"eigener Verweis"_s);
        }
        // No temporary file stays, whatever came of it.
        QCOMPARE(QDir(o.path()).entryList(alle), vorher);
    }

    // This start's own index, unused for long, is in use again: its mark tells its folder.
    void startClearsTheCache_data()
    {
        QTest::addColumn<bool>("markiert");
        QTest::addColumn<int>("tage"); // since the mark's (or the index's) last use
        QTest::addColumn<bool>("bleibt");
        QTest::newRow("used 29 days ago") << true << 29 << true;
        QTest::newRow("unused for 31 days") << true << 31 << false;
        QTest::newRow("no mark, written today") << false << 0 << true;
        QTest::newRow("no mark, 31 days old") << false << 31 << false;
    }

    void startClearsTheCache()
    {
        QFETCH(bool, markiert);
        QFETCH(int, tage);
        Ordner o;
        const QString index = o.write(u"cache/bibliothek-0123-abcd"_s, "index");
        const QString marke = markiert ? o.write(u"cache/bibliothek-0123.ordner"_s, "/")
                                       : o.path(u"cache/bibliothek-0123.ordner"_s);
        const QString eigener = o.write(u"cache/bibliothek-4567-abcd"_s, "eigen");
        const QString rest = o.write(u"daten/.Warteliste.wob.tl-x1y2z3"_s, "halb");
        for (const auto& [datei, alter] :
             {std::pair{markiert ? marke : index, tage}, {eigener, 40}}) {
            const timespec zeit{::time(nullptr) - alter * 24 * 3600, 0}, zeiten[2] = {zeit, zeit};
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(datei), zeiten, 0), 0);
        }

        beimStartAufraeumen(eigener, o.path(u"daten"_s));

        QTEST(QFile::exists(index), "bleibt");
        QCOMPARE(QFile::exists(marke), markiert && QFile::exists(index));
        QVERIFY(QFile::exists(eigener) && !QFile::exists(rest));
        QCOMPARE(o.read(u"cache/bibliothek-4567.ordner"_s), QFile::encodeName(o.path(u"daten"_s)));
    }
};

QTEST_GUILESS_MAIN(DateienTest)
#include "tst_dateien.moc"
