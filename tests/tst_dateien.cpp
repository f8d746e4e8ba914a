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

QByteArray nativ(const QString& pfad)
{
    return QFile::encodeName(pfad);
}

// A symbolic link owned by `besitzer`.
void verweis(const QString& ziel, const QString& pfad, uid_t besitzer)
{
    QVERIFY(QFile::link(ziel, pfad));
    QCOMPARE(::lchown(nativ(pfad).constData(), besitzer, besitzer), 0);
}

void alterSetzen(const QString& pfad, int tage)
{
    const timespec zeiten[2] = {{::time(nullptr) - tage * 24 * 3600, 0},
                                {::time(nullptr) - tage * 24 * 3600, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, nativ(pfad).constData(), zeiten, AT_SYMLINK_NOFOLLOW), 0);
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
        QTest::addColumn<bool>("ersetzt");   // the call reports success
        QTest::addColumn<QString>("bleibt"); // a file that must keep "alt"
        QTest::addColumn<QString>("neuIn");  // where "neu" lands, or none
        QTest::addColumn<int>("modus");      // of the new file
        QTest::newRow("data: a file keeps its mode")
            << true << u"datei"_s << true << QString() << u"f"_s << 0640;
        QTest::newRow("data: the user's own link leads to its target")
            << true << u"eigener Verweis"_s << true << QString() << u"ziel"_s << 0640;
        QTest::newRow("data: not through the user's own link to another user's")
            << true << u"Kette"_s << false << u"ziel"_s << QString() << 0;
        QTest::newRow("data: a folder stays")
            << true << u"Ordner"_s << false << QString() << QString() << 0;
        QTest::newRow("data: a writer that fails keeps the old file")
            << true << u"Schreibfehler"_s << false << u"f"_s << QString() << 0;
        QTest::newRow("cache: even the user's own link is replaced, not its target")
            << false << u"eigener Verweis"_s << true << u"ziel"_s << u"f"_s << 0600;
        QTest::newRow("cache: a folder stays")
            << false << u"Ordner"_s << false << QString() << QString() << 0;
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
        QFile::setPermissions(o.write(u"ziel"_s, "alt"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        if (steht == u"datei"_s || steht == u"Schreibfehler"_s)
            QFile::setPermissions(o.write(u"f"_s, "alt"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        else if (steht == u"eigener Verweis"_s)
            verweis(o.path(u"ziel"_s), f, ::geteuid());
        else if (steht == u"Kette"_s) {
            verweis(o.path(u"ziel"_s), o.path(u"fremd"_s), 65534);
            verweis(o.path(u"fremd"_s), f, ::geteuid());
        } else if (steht == u"Ordner"_s)
            QVERIFY(QDir().mkpath(o.path(u"f/x"_s)));
        const QStringList vorher = QDir(o.path()).entryList(QDir::AllEntries | QDir::Hidden |
                                                            QDir::System | QDir::NoDotAndDotDot);

        Schreibfehler fehler;
        const auto schreiben = [&](QIODevice& d) {
            return d.write("neu") == 3 && steht != u"Schreibfehler"_s;
        };
        QTEST(dateiErsetzen(f, daten ? Dateiart::Daten : Dateiart::Cache, schreiben, &fehler),
              "ersetzt");
        QCOMPARE(fehler.art == Schreibfehler::fremderVerweis, fremd && daten);
        if (!bleibt.isEmpty())
            QCOMPARE(o.read(bleibt), "alt"_ba);
        if (!neuIn.isEmpty()) {
            QCOMPARE(o.read(neuIn), "neu"_ba);
            struct stat st;
            QCOMPARE(::stat(nativ(o.path(neuIn)).constData(), &st), 0);
            QTEST(int(st.st_mode & 07777), "modus");
            QCOMPARE(QFileInfo(f).isSymLink(), daten && steht == u"eigener Verweis"_s);
        }
        // No temporary file stays, whatever came of it.
        QCOMPARE(QDir(o.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                          QDir::NoDotAndDotDot),
                 vorher);
    }

    void startClearsTheCache_data()
    {
        QTest::addColumn<bool>("markiert");
        QTest::addColumn<bool>("ordnerDa");
        QTest::addColumn<int>("tage"); // since the mark's (or the index's) last use
        QTest::addColumn<bool>("bleibt");
        QTest::newRow("folder there, used today") << true << true << 0 << true;
        QTest::newRow("folder there, used 29 days ago") << true << true << 29 << true;
        QTest::newRow("folder gone") << true << false << 0 << false;
        QTest::newRow("unused for 31 days") << true << true << 31 << false;
        QTest::newRow("no mark, written today") << false << true << 0 << true;
        QTest::newRow("no mark, 31 days old") << false << true << 31 << false;
    }

    void startClearsTheCache()
    {
        QFETCH(bool, markiert);
        QFETCH(bool, ordnerDa);
        QFETCH(int, tage);
        Ordner o;
        const QString cache = o.path(u"cache"_s);
        QVERIFY(QDir().mkpath(o.path(u"anderer"_s)));
        const QString index = o.write(u"cache/bibliothek-0123-abcd"_s, "index");
        const QString marke = cache + u"/bibliothek-0123.ordner"_s;
        if (markiert) {
            o.write(u"cache/bibliothek-0123.ordner"_s,
                    nativ(o.path(ordnerDa ? u"anderer"_s : u"weg"_s)));
            alterSetzen(marke, tage);
        } else {
            alterSetzen(index, tage);
        }
        const QString eigener = cache + u"/bibliothek-4567-abcd"_s;
        o.write(u"cache/bibliothek-4567-abcd"_s, "eigen");
        alterSetzen(eigener, 40);
        const QString rest = o.write(u"daten/.Warteliste.wob.tl-x1y2z3"_s, "halb");

        beimStartAufraeumen(eigener, o.path(u"daten"_s));

        QTEST(QFile::exists(index), "bleibt");
        QCOMPARE(QFile::exists(marke), markiert && QFile::exists(index));
        // This start's own index is in use, its mark tells its folder.
        QVERIFY(QFile::exists(eigener));
        QCOMPARE(o.read(u"cache/bibliothek-4567.ordner"_s), nativ(o.path(u"daten"_s)));
        QVERIFY(!QFile::exists(rest));
    }
};

QTEST_GUILESS_MAIN(DateienTest)
#include "tst_dateien.moc"
