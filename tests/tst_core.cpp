// The player's data, without a window: data files, options, library, queue
// and search.
#include "tests/support/fakes.h"

#include <QDir>
#include <QFile>
#include <QPersistentModelIndex>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

QStringList names(const Bibliothek& b)
{
    QStringList out;
    for (int i = 0; i < b.size(); ++i)
        out.append(b.name(b.nummer(i)));
    return out;
}

// A library of empty files in the folder M of o.
void fill(Bibliothek& b, const Ordner& o, const QStringList& files, bool alle = true)
{
    o.music(files);
    b.AlleDateienAusAllenPfadenEinlesen({o.path(u"M"_s)}, alle);
    b.ListeÜbertragen();
}

void leer(const NativePath& pfad)
{
    std::filesystem::create_directories(std::filesystem::path(pfad).parent_path());
    ::close(::open(pfad.c_str(), O_CREAT | O_WRONLY, 0644));
}

} // namespace

class CoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A file without a line end is cut off, a pipe not waited for; a folder that
    // takes no new file has its regular files written in place.
    void readAndSaveNeverHang()
    {
        Ordner o;
        QVERIFY(QFile(o.write(u"lang.wob"_s)).resize(64 * 1024 * 1024));
        QVERIFY(Lesen(o.path(u"lang.wob"_s)).size() < 17 * 1024 * 1024);
        const QString datei = o.write(u"d/a.wob"_s, "alt\r\n");
        QCOMPARE(::mkfifo(QFile::encodeName(o.path(u"d/rohr.wob"_s)).constData(), 0600), 0);
        QCOMPARE(Lesen(o.path(u"d/rohr.wob"_s)), QString());
        QString grund;
        QVERIFY(!Speichern(u"x"_s, o.path(u"fehlt/a.wob"_s), &grund));
        QVERIFY(grund.startsWith(u"Der Ordner "_s));
        QFile::setPermissions(o.path(u"d"_s), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        // Root passes by permissions; without that power for a moment, as a user.
        __user_cap_header_struct kopf{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct macht[2]{};
        QCOMPARE(syscall(SYS_capget, &kopf, macht), 0);
        const auto zurueck = qScopeGuard([&, vorher = macht[0].effective] {
            macht[0].effective = vorher;
            syscall(SYS_capset, &kopf, macht);
        });
        macht[0].effective &= ~(1U << CAP_DAC_OVERRIDE);
        QCOMPARE(syscall(SYS_capset, &kopf, macht), 0);
        QVERIFY(!QFile(o.path(u"d/b.wob"_s)).open(QIODevice::WriteOnly));
        QVERIFY(Speichern(u"neu"_s, datei));
        QCOMPARE(o.read(u"d/a.wob"_s), "neu\r\n"_ba);
        QVERIFY(!Speichern(u"neu"_s, o.path(u"d/rohr.wob"_s), &grund));
        QCOMPARE(grund, u"An ihrer Stelle steht keine gewöhnliche Datei."_s);
    }

    void optionsLine()
    {
        for (const auto& [zeile, gespeichert] : {std::pair{u""_s, u"00000"_s},
                                                 {u"11"_s, u"11000"_s},
                                                 {u"1x-1 "_s, u"10010"_s},
                                                 {u"29000"_s, u"29000"_s},
                                                 {u"111110000"_s, u"11111"_s}})
            QCOMPARE(Optionen::ausZeile(zeile).zeile(), gespeichert);
    }

    void sourcePaths_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("UTF-8, text after the last ;")
            << "/\xc3\xa4;/b"_ba << QStringList{u"/ä"_s, u"/b"_s};
        QTest::newRow("the first line, LF") << "/a;\n/b;"_ba << QStringList{u"/a"_s};
        QTest::newRow("Windows-1252") << "/M\xfcsik \x80;\r\n"_ba << QStringList{u"/Müsik €"_s};
        QTest::newRow("empty file: no fallback") << ""_ba << QStringList{};
        QStringList viele(10'000, u"/nx"_s);
        viele[0] = viele[1] = u"/a"_s;
        QTest::newRow("cut after ten thousand, twins kept")
            << "/a;/a;" + QByteArray("/nx;").repeated(10'000) << viele;
    }

    void sourcePaths()
    {
        QFETCH(QByteArray, content);
        Ordner o;
        // A music folder to fall back on, as a first start without the file does.
        QDir().mkpath(o.path(u"home/Music"_s));
        qputenv("HOME", o.path(u"home"_s).toUtf8());
        QTEST(Bibliothek::PfadeEinlesen(o.write(u"Quellpfad.wob"_s, content)), "paths");
    }

    void extensionRule()
    {
        const QStringList files =
            u"Lied.mp3 Notiz.txt a#b.MID x.Wav mp3 clip.mp3.jpg film.AVI v.mpg w.wma"_s.split(u' ');
        Ordner o;
        Bibliothek medien;
        fill(medien, o, files, false);
        QCOMPARE(names(medien).join(u' '), u"a#b.MID film.AVI Lied.mp3 v.mpg w.wma x.Wav"_s);
    }

    void walkLikeOneReader()
    {
        namespace fs = std::filesystem;
        Ordner o;
        const NativePath r = QFile::encodeName(o.path(u"R"_s)).toStdString();
        const NativePath other = QFile::encodeName(o.path(u"Other"_s)).toStdString();
        // In the order of a walk that reads one folder after another: subfolders
        // first, names in byte order, links followed unless they lead back up.
        const std::vector<NativePath> order{"/A/Sub/s.mp3",
                                            "/A/a.mp3",
                                            "/B/o.mp3",
                                            "/\xc3\x84#\xff/x.mp3",
                                            "/Gr\xc3\xbc\xc3\x9f \xf0\x9f\x8e\xb5.mp3",
                                            "/Lied #1# mit Raute.mp3",
                                            "/ende \xc3",
                                            "/kaputt \xff\xfe.mp3",
                                            "/\xef\xbb\xbfzu.mp3"};
        for (const NativePath& file : order)
            leer(file.starts_with("/B/") ? other + file.substr(2) : r + file);
        fs::create_directory_symlink(r, r + "/A/zurueck");
        fs::create_directory_symlink(r + "/A", r + "/A/selbst");
        fs::create_directory_symlink(other, r + "/B");
        fs::create_directory_symlink(r + "/nirgends", r + "/kaputt");
        // Weg vanishes between the listing of R and its own read.
        const FolderReader read = [](const NativePath& folder) {
            if (folder.ends_with("/Weg")) {
                std::error_code ignored;
                fs::remove_all(folder, ignored);
            }
            return GetFolder(folder);
        };

        // A folder named twice is read twice, with one separator either way.
        std::vector<NativePath> twice = order;
        twice.insert(twice.end(), order.begin(), order.end());
        for (const int threads : {1, 2, 8}) {
            fs::create_directories(r + "/Weg/w");
            std::vector<NativePath> seen;
            walkFolders(
                {r + "/", r + "/fehlt", r},
                [&](const NativePath& folder, std::vector<NativePath>& files) {
                    for (const NativePath& file : files)
                        seen.push_back(joinPath(folder, file).substr(r.size()));
                },
                read, threads);
            QCOMPARE(seen, twice);
        }
        // The library spells each path again from its entry's text.
        Bibliothek b;
        b.AlleDateienAusAllenPfadenEinlesen({QFile::decodeName(QByteArray::fromStdString(r))},
                                            true);
        QCOMPARE(b.gefunden(), int(order.size()));
        for (int N = 0; N < b.gefunden(); ++N)
            QCOMPARE(b.pfad(N), r + order[size_t(N)]);
        // QTemporaryDir cannot name them to remove them.
        fs::remove_all(r);
    }

    void sortedAsAGermanReaderExpects()
    {
        Ordner o;
        Bibliothek b;
        fill(b, o,
             {u"zebra"_s, u"Stratus"_s, u"Straße"_s, u"Bach"_s, u"Ärzte"_s, u"Arzt"_s, u"apfel"_s,
              u"Strasse B"_s, u"Ōsaka"_s});
        QCOMPARE(names(b), (QStringList{u"apfel"_s, u"Arzt"_s, u"Ärzte"_s, u"Bach"_s, u"Ōsaka"_s,
                                        u"Straße"_s, u"Strasse B"_s, u"Stratus"_s, u"zebra"_s}));
        QCOMPARE(sortKey(u"Æsop Øl"_s), u"aesop ol"_s);
    }

    // A path finds its entry as the walk spelt it from a source named with a
    // separator, through a link with its folder's identity, never by the mark
    // for bytes that are no UTF-8. The journeys hand over other cases.
    void pathFindsItsEntry()
    {
        Ordner o;
        o.music({u"a.mp3"_s, u"b.mp3"_s});
        const NativePath m = QFile::encodeName(o.path(u"M"_s)).toStdString();
        const NativePath l = QFile::encodeName(o.path(u"L"_s)).toStdString();
        leer(m + "/\xff.mp3");
        std::filesystem::create_directory_symlink(m, l);
        Bibliothek b;
        b.AlleDateienAusAllenPfadenEinlesen({o.path(u"M/"_s)}, true);
        b.ListeÜbertragen();
        QCOMPARE(b.nummerVon(m + "/b.mp3"), 1);
        QCOMPARE(b.nummerVon(l + "/b.mp3", stampOf(l)->id), 1);
        QCOMPARE(b.nummerVon(m + "/\xef\xbf\xbd.mp3", stampOf(m)->id), -1);
        // QTemporaryDir cannot name it to remove it.
        std::filesystem::remove(m + "/\xff.mp3");
    }

    // Files that join in one step take the places a sort of all would give
    // them; the chooser's current row stays on its entry.
    void filesJoinInTheirSortedPlaces()
    {
        Ordner o;
        Bibliothek b;
        fill(b, o, {u"b.mp3"_s, u"d.mp3"_s, u"f.mp3"_s});
        const QPersistentModelIndex d = b.index(1);
        const NativePath x = QFile::encodeName(o.path(u"X/"_s)).toStdString();
        QCOMPARE(b.hinzufuegen({x + "e.mp3", x + "a.mp3", x + "e.mp3", x + "g.mp3"}),
                 (std::vector<int>{3, 4, 3, 5}));
        QCOMPARE(names(b), (QStringList{u"a.mp3"_s, u"b.mp3"_s, u"d.mp3"_s, u"e.mp3"_s, u"f.mp3"_s,
                                        u"g.mp3"_s}));
        QCOMPARE(d.row(), 2);
        QCOMPARE(b.nummerVon(x + "a.mp3"), 4);
        for (int i = 0; i < b.size(); ++i)
            QCOMPARE(b.ListennummerErmitteln(b.nummer(i)), i);
        QCOMPARE(b.ListennummerErmitteln(b.size()), -1);
    }

    // Names in order, repeated, and "/" alone come back through the journeys.
    void queueFile()
    {
        Ordner o;
        Bibliothek b;
        fill(b, o, {u"Sub/a.mp3"_s, u"a.mp3"_s, u"\tTab.wav"_s, u"b\nc.mp3"_s, u"x#1#y.mid"_s});
        Warteliste w(b);
        // Unknown names go; a name takes its first entry, keeps its tab and
        // counts after the last "/" too.
        w.WartelisteWiederherstellen(u"weg.mp3//\tTab.wav/a.mp3/x#1#y.mid"_s);
        QCOMPARE(w.data(w.index(1)).toString(), u"a.mp3   #0#"_s);
        // A line break in b\nc.mp3 (3) would end the line and every name after it.
        w.einfuegen(1, 3);
        QCOMPARE(w.WartelisteSpeichern(), u"\tTab.wav/a.mp3/x#1#y.mid/"_s);
        w.WartelisteWiederherstellen(u"a.mp3/"_s.repeated(Warteliste::Hoechstzahl + 5));
        QCOMPARE(w.Wartend(), Warteliste::Hoechstzahl);
    }

    // The cache holds the cover of the playing track only: the one before
    // goes when another track's or none comes, the last one at the end.
    void onlyThePlayingTracksCoverStays()
    {
        Ordner o;
        const QDir cache(o.path(u"cover"_s));
        {
            Liedangaben angaben(cache.path());
            // An empty picture: a track without a cover.
            for (const char* bild : {"A", "A", "B", "", "C"}) {
                MediaEngine::Tags tags;
                tags.cover = bild;
                tags.coverType = u"image/png"_s;
                angaben.setzen(tags);
                QStringList da;
                for (const QString& datei : cache.entryList(QDir::Files))
                    da.append(QString::fromLatin1(o.read(u"cover/"_s + datei)));
                QCOMPARE(da.join(u' '), QString::fromLatin1(bild));
            }
        }
        QCOMPARE(cache.entryList(QDir::Files), QStringList());
    }

    // A search starts from the last one's hits when it can, and runs side by
    // side on the cores: whatever came before, it finds what every word held
    // finds. "+" inserts an entry in the middle, "=" waits for the index.
    void searchFindsWhatTheWordsFind_data()
    {
        QTest::addColumn<QStringList>("schritte");
        QTest::newRow("back and on") << QStringList{u"="_s, u"straße 7"_s, u"straße"_s, u"ss"_s,
                                                    u"ẞ"_s, u"a"_s,        u" "_s,      u" a "_s};
        QTest::newRow("inserts between")
            << QStringList{u"="_s,      u"müll"_s,          u"+Müllabfuhr.mp3"_s, u"müll"_s,
                           u"müll a"_s, u"+MÜLLER A.mp3"_s, u"müll a"_s};
        QTest::newRow("inserts before the index")
            << QStringList{u"+Müller 1.mp3"_s, u"+ßtraße.mp3"_s, u"="_s, u"müller 1"_s, u"ss"_s};
    }
    void searchFindsWhatTheWordsFind()
    {
        QFETCH(QStringList, schritte);
        // Enough entries for a slice on every core.
        QStringList liste;
        const QStringList teile{u"Müller"_s, u"STRASSE"_s, u"Straße"_s, u"ΣΊΣΥΦΟΣ"_s, u"allein"_s};
        for (int i = 0; i < 70000; ++i)
            liste.append(teile[i % 5] + u' ' + teile[i / 5 % 5] + u' ' + QString::number(i) +
                         u".mp3"_s);
        Suche suche;
        QSignalSpy bereit(&suche, &Suche::bereit);
        suche.setInhalt(liste);
        for (const QString& schritt : std::as_const(schritte)) {
            if (schritt == u"=") {
                QVERIFY(bereit.wait());
            } else if (schritt.startsWith(u'+')) {
                const int mitte = static_cast<int>(liste.size() / 2);
                liste.insert(mitte, schritt.mid(1));
                suche.einfuegen({{mitte, schritt.mid(1)}});
            } else {
                const QStringList woerter = schritt.toCaseFolded().split(u' ', Qt::SkipEmptyParts);
                std::vector<int> erwartet;
                for (int i = 0; i < liste.size(); ++i)
                    if (std::all_of(woerter.begin(), woerter.end(), [&](const QString& w) {
                            return liste[i].toCaseFolded().contains(w);
                        }))
                        erwartet.push_back(i);
                QVERIFY2(suche.Suchen(schritt) == erwartet, qPrintable(schritt));
            }
        }
    }
};

QTEST_GUILESS_MAIN(CoreTest)
#include "tst_core.moc"
