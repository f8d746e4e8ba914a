// The library from the index of an earlier start is the library a whole walk
// gives, whatever changed in between.
#include "core/bibliothek.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace Qt::StringLiterals;

namespace
{

void datei(const NativePath& pfad)
{
    ::close(::open(pfad.c_str(), O_CREAT | O_WRONLY, 0644));
}

// R and S are the source folders, T holds a link's target. The tree's times are
// trusted once the clock has left the tick of its last change, not before.
struct Baum {
    Baum()
    {
        for (const char* ordner : {"R/A/Sub", "R/B", "R/Z", "R/leer", "S", "T"})
            fs::create_directories(*this / ordner);
        for (const char* name : {"R/A/a.mp3", "R/A/b#.txt", "R/A/notiz.txt", "R/A/Sub/s.MP3",
                                 "R/B/b.mp3", "R/B/Grüße #2.wav", "R/B/ß.mid", "R/r.mp3",
                                 "R/Z/\xff\xfe.mp3", "R/Z/z.avi", "S/s1.mp3", "S/a.mp3"})
            datei(*this / name);
        // A link to a folder through a link outside the tree, a link to a file, a
        // link back up and one to nowhere.
        fs::create_directory_symlink(*this / "R/A/Sub", *this / "T/ziel");
        fs::create_directory_symlink(*this / "T/ziel", *this / "R/Link");
        fs::create_symlink(*this / "R/A/a.mp3", *this / "R/fl.mp3");
        fs::create_directory_symlink(*this / "R", *this / "R/A/zurueck");
        fs::create_symlink(*this / "R/nirgends", *this / "R/kaputt.mp3");
        datei(*this / "zuletzt");
        const FolderStamp zuletzt = stampOf(wurzel).value();
        timespec jetzt{};
        QTRY_VERIFY((::clock_gettime(CLOCK_REALTIME_COARSE, &jetzt),
                     std::pair<std::int64_t, std::int64_t>(jetzt.tv_sec, jetzt.tv_nsec) >
                         std::pair(zuletzt.ctime, zuletzt.ctimeNs)));
    }
    Q_DISABLE_COPY_MOVE(Baum)
    // QTemporaryDir cannot name every file of it to remove it.
    ~Baum()
    {
        std::error_code egal;
        fs::remove_all(wurzel, egal);
    }

    QTemporaryDir dir;
    NativePath wurzel = QFile::encodeName(dir.path()).toStdString();
    QStringList pfade{dir.filePath(u"R"_s), dir.filePath(u"S/"_s)};
    bool alleDateien = false;

    NativePath operator/(const char* name) const { return wurzel + '/' + name; }
    QString index() const { return Bibliothek::indexDatei(dir.path(), pfade, alleDateien); }
};

using Aenderung = std::function<void(Baum&)>;

// Everything that a start shows of the library: by N, its entry's text and
// path, its place in the sorted list and the entry that its path finds.
QStringList starten(const Baum& baum, bool mitIndex, int* gelesen = nullptr)
{
    Bibliothek b;
    b.AlleDateienAusAllenPfadenEinlesen(baum.pfade, baum.alleDateien,
                                        mitIndex ? baum.index() : QString());
    b.ListeÜbertragen();
    QStringList bild;
    for (int N = 0; N < b.size(); ++N)
        bild.append(u"%1 | %2 | %3 | %4"_s.arg(b.text(N), QString::fromLatin1(b.pfad(N)),
                                               QString::number(b.ListennummerErmitteln(N)),
                                               QString::number(b.nummerVon(b.pfad(N)))));
    if (gelesen)
        *gelesen = b.ordnerGelesen();
    b.indexSpeichern(); // done before b goes
    return bild;
}

} // namespace

Q_DECLARE_METATYPE(Aenderung)

class BibliotheksindexTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanupTestCase()
    {
        QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
    }

    void sameAsAWholeWalk_data()
    {
        QTest::addColumn<Aenderung>("aenderung");
        QTest::newRow("unchanged") << Aenderung([](Baum&) {});
        QTest::newRow("file added") << Aenderung([](Baum& b) { datei(b / "R/B/neu.mp3"); });
        // The two "a.mp3", #1# before #10#, become #2# after #12#.
        QTest::newRow("file added, twins renumbered")
            << Aenderung([](Baum& b) { datei(b / "R/A/Sub/t.mp3"); });
        // The link to it dangles now, and the folder of the link did not change.
        QTest::newRow("file removed") << Aenderung([](Baum& b) { fs::remove(b / "R/A/a.mp3"); });
        QTest::newRow("folder removed") << Aenderung([](Baum& b) { fs::remove_all(b / "R/B"); });
        QTest::newRow("folder moved")
            << Aenderung([](Baum& b) { fs::rename(b / "R/A/Sub", b / "R/Z/Sub"); });
        QTest::newRow("empty folder gets a file")
            << Aenderung([](Baum& b) { datei(b / "R/leer/l.mp3"); });
        QTest::newRow("modification time set back") << Aenderung([](Baum& b) {
            const FolderStamp vorher = stampOf(b / "R/A").value();
            datei(b / "R/A/spaet.mp3");
            const timespec zeiten[2] = {{vorher.mtime, vorher.mtimeNs},
                                        {vorher.mtime, vorher.mtimeNs}};
            QCOMPARE(::utimensat(AT_FDCWD, (b / "R/A").c_str(), zeiten, 0), 0);
        });
        // Only the link outside the tree changes: the tree's folders keep their times.
        QTest::newRow("link retargeted") << Aenderung([](Baum& b) {
            fs::remove(b / "T/ziel");
            fs::create_directory_symlink(b / "R/B", b / "T/ziel");
        });
        QTest::newRow("dangling link finds its target")
            << Aenderung([](Baum& b) { datei(b / "R/nirgends"); });
        QTest::newRow("source folder missing")
            << Aenderung([](Baum& b) { fs::remove_all(b / "S"); });
        QTest::newRow("extension rule flipped") << Aenderung([](Baum& b) { b.alleDateien = true; });
        QTest::newRow("index garbled") << Aenderung([](Baum& b) {
            // One letter of an entry, which still reads as a well-formed entry.
            QFile f(b.index());
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek(f.readAll().indexOf(QByteArray("r\0.\0m\0p\0", 8))) && f.pos() > 0);
            f.write("q", 1);
        });
        QTest::newRow("index unreadable") << Aenderung([](Baum& b) {
            QVERIFY(QFile::remove(b.index()));
            QVERIFY(QDir().mkdir(b.index()));
        });
    }

    void sameAsAWholeWalk()
    {
        QFETCH(Aenderung, aenderung);
        Baum baum;
        QCOMPARE(starten(baum, true), starten(baum, false));

        aenderung(baum);
        if (QTest::currentTestFailed())
            return;
        const QStringList ganz = starten(baum, false);
        QCOMPARE(starten(baum, true), ganz);
        // And the index that this start wrote, at the next.
        QCOMPARE(starten(baum, true), ganz);
    }

    // A file that joins a folder just after the read listed it, in the same
    // tick of a coarse clock, leaves the folder's times as the read saw them:
    // the next start reads that folder again all the same, and only that one.
    // This kernel stamps a change after a look at the times finer, so the read
    // is given the times after the change, as a coarse clock gives them.
    void changeInTheTickOfTheRead()
    {
        Baum baum;
        {
            Bibliothek b;
            b.setOrdnerLeser([&](const NativePath& ordner) {
                auto liste = GetFolder(ordner);
                if (liste && ordner == baum / "R/B") {
                    datei(baum / "R/B/dazu.mp3");
                    liste->stamp = stampOf(ordner).value();
                }
                return liste;
            });
            b.AlleDateienAusAllenPfadenEinlesen(baum.pfade, false, baum.index());
            b.ListeÜbertragen();
            b.indexSpeichern();
        }
        int gelesen = -1;
        QCOMPARE(starten(baum, true, &gelesen), starten(baum, false));
        // R/B, and the link back up, whose files no read has looked at.
        QCOMPARE(gelesen, 2);
        starten(baum, true, &gelesen);
        QCOMPARE(gelesen, 0);
    }
};

QTEST_GUILESS_MAIN(BibliotheksindexTest)
#include "tst_bibliotheksindex.moc"
