// The player's data, without a window: data files, options, library, queue
// and search.
#include "tests/support/fakes.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

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
    b.AlleDateienAusAllenPfadenEinlesen({o.path(QStringLiteral("M"))}, alle);
    b.ListeÜbertragen();
}

} // namespace

class CoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readFirstLine_data();
    void readFirstLine();
    void failedSaveKeepsTheFileAndSaysWhy();
    void optionsLine_data();
    void optionsLine();
    void sourcePaths_data();
    void sourcePaths();
    void walkOrderNumbersAndPaths();
    void extensionRule();
    void walkLikeOneReader_data();
    void walkLikeOneReader();
    void sortedAsAGermanReaderExpects();
    void queueFile_data();
    void queueFile();
    void queueFileIsCapped();
    void queueEdits();
    void searchWords_data();
    void searchWords();
    void searchHits();
};

void CoreTest::readFirstLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("line");
    QTest::newRow("CR LF") << QByteArray("10100\r\nrest") << QStringLiteral("10100");
    QTest::newRow("LF") << QByteArray("a;b;\n") << QStringLiteral("a;b;");
    QTest::newRow("no line end") << QByteArray("x") << QStringLiteral("x");
    QTest::newRow("empty") << QByteArray("") << QString();
    QTest::newRow("UTF-8") << QByteArray("M\xc3\xbcsik;\r\n") << QStringLiteral("Müsik;");
    QTest::newRow("Windows-1252") << QByteArray("M\xfcsik \x80;\r\n") << QStringLiteral("Müsik €;");
}

void CoreTest::readFirstLine()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, line);
    Ordner o;
    QCOMPARE(Lesen(o.write(QStringLiteral("f.wob"), content)), line);
    QCOMPARE(Lesen(o.path(QStringLiteral("fehlt.wob"))), QString());
}

void CoreTest::failedSaveKeepsTheFileAndSaysWhy()
{
    // A file without an end is cut off, not read until memory runs out.
    QVERIFY(Lesen(QStringLiteral("/dev/zero")).size() < 17 * 1024 * 1024);
    Ordner o;
    QVERIFY(Speichern(QStringLiteral("Grüße"), o.path(QStringLiteral("a.wob"))));
    QCOMPARE(o.read(QStringLiteral("a.wob")), QByteArray("Gr\xc3\xbc\xc3\x9f"
                                                         "e\r\n"));
    // Root ignores permission bits; a folder in the file's place stops anyone.
    QDir().mkpath(o.path(QStringLiteral("ordner.wob")));
    QString grund;
    QVERIFY(!Speichern(QStringLiteral("x"), o.path(QStringLiteral("ordner.wob")), &grund));
    QCOMPARE(grund, QStringLiteral("An ihrer Stelle steht ein Ordner."));
    QVERIFY(!Speichern(QStringLiteral("x"), o.path(QStringLiteral("fehlt/a.wob")), &grund));
    QVERIFY(grund.startsWith(QStringLiteral("Der Ordner ")));
    QCOMPARE(o.read(QStringLiteral("a.wob")), QByteArray("Gr\xc3\xbc\xc3\x9f"
                                                         "e\r\n"));
}

void CoreTest::optionsLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("stored");
    QTest::newRow("all off") << QStringLiteral("00000") << QStringLiteral("00000");
    QTest::newRow("some on") << QStringLiteral("10101") << QStringLiteral("10101");
    QTest::newRow("missing") << QString() << QStringLiteral("00000");
    QTest::newRow("too short") << QStringLiteral("11") << QStringLiteral("11000");
    QTest::newRow("not digits") << QStringLiteral("1x-1 ") << QStringLiteral("10010");
    QTest::newRow("other digits") << QStringLiteral("29000") << QStringLiteral("29000");
    QTest::newRow("long") << QStringLiteral("111110000") << QStringLiteral("11111");
}

void CoreTest::optionsLine()
{
    QFETCH(QString, line);
    QFETCH(QString, stored);
    QCOMPARE(Optionen::ausZeile(line).zeile(), stored);
}

void CoreTest::sourcePaths_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("each followed by ;")
        << QByteArray("/a;/b c;\r\n") << QStringList{QStringLiteral("/a"), QStringLiteral("/b c")};
    QTest::newRow("text after the last ;")
        << QByteArray("/a;/b") << QStringList{QStringLiteral("/a"), QStringLiteral("/b")};
    QTest::newRow("empty parts") << QByteArray(";;/a;;") << QStringList{QStringLiteral("/a")};
    QTest::newRow("empty file: no fallback") << QByteArray("\r\n") << QStringList{};
}

void CoreTest::sourcePaths()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, paths);
    Ordner o;
    QCOMPARE(Bibliothek::PfadeEinlesen(o.write(QStringLiteral("Quellpfad.wob"), content)), paths);
    // Without the file, a first start looks in the music folder.
    QDir().mkpath(o.path(QStringLiteral("home/Music")));
    qputenv("HOME", o.path(QStringLiteral("home")).toUtf8());
    QCOMPARE(Bibliothek::PfadeEinlesen(o.path(QStringLiteral("fehlt.wob"))),
             QStringList{o.path(QStringLiteral("home/Music"))});
}

void CoreTest::walkOrderNumbersAndPaths()
{
    Ordner o;
    Bibliothek b;
    o.write(QStringLiteral("M/Sub/s.mp3"));
    o.write(QStringLiteral("M/b.mp3"));
    o.write(QStringLiteral("M/a.mp3"));
    const QString root = o.path(QStringLiteral("M"));
    // Subfolders first, then the folder's files, each in name order; a folder
    // named twice is read twice, with one separator either way.
    b.AlleDateienAusAllenPfadenEinlesen({root + u'/', root}, true);
    b.ListeÜbertragen();
    QCOMPARE(b.text(0), QStringLiteral("s.mp3   #0#"));
    QCOMPARE(b.text(2), QStringLiteral("b.mp3   #2#"));
    QCOMPARE(QString::fromStdString(b.pfad(0)), root + QStringLiteral("/Sub/s.mp3"));
    QCOMPARE(QString::fromStdString(b.pfad(4)), root + QStringLiteral("/a.mp3"));
    QCOMPARE(b.sortiert().first(), QStringLiteral("a.mp3   #1#"));
    for (int i = 0; i < b.size(); ++i)
        QCOMPARE(b.ListennummerErmitteln(b.nummer(i)), i);
    QCOMPARE(b.ListennummerErmitteln(6), -1);
    QCOMPARE(b.ListennummerErmitteln(-1), -1);
}

void CoreTest::extensionRule()
{
    const QStringList files{
        QStringLiteral("Lied.mp3"), QStringLiteral("Notiz.txt"), QStringLiteral("a#b.MID"),
        QStringLiteral("x.Wav"),    QStringLiteral("mp3"),       QStringLiteral("clip.mp3.jpg"),
        QStringLiteral("film.AVI"), QStringLiteral("v.mpg"),     QStringLiteral("w.wma")};
    Ordner o;
    Bibliothek alle;
    fill(alle, o, files);
    QCOMPARE(alle.size(), files.size());
    Bibliothek medien;
    fill(medien, o, files, false);
    QCOMPARE(names(medien), (QStringList{QStringLiteral("a#b.MID"), QStringLiteral("film.AVI"),
                                         QStringLiteral("Lied.mp3"), QStringLiteral("v.mpg"),
                                         QStringLiteral("w.wma"), QStringLiteral("x.Wav")}));
}

void CoreTest::walkLikeOneReader_data()
{
    QTest::addColumn<int>("threads");
    QTest::newRow("one reader") << 1;
    QTest::newRow("two readers") << 2;
    QTest::newRow("eight readers") << 8;
}

void CoreTest::walkLikeOneReader()
{
    QFETCH(int, threads);
    namespace fs = std::filesystem;
    Ordner o;
    const NativePath r = QFile::encodeName(o.path(QStringLiteral("R"))).toStdString();
    const NativePath other = QFile::encodeName(o.path(QStringLiteral("Other"))).toStdString();
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
        if (!file.starts_with("/B/")) {
            fs::create_directories(fs::path(r + file).parent_path());
            ::close(::open((r + file).c_str(), O_CREAT | O_WRONLY, 0644));
        }
    fs::create_directories(r + "/Weg/w");
    fs::create_directories(other);
    ::close(::open((other + "/o.mp3").c_str(), O_CREAT | O_WRONLY, 0644));
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

    std::vector<NativePath> seen;
    walkFolders(
        {r + "/", r + "/fehlt", r},
        [&](const NativePath& folder, std::vector<NativePath>& files) {
            for (const NativePath& file : files)
                seen.push_back(joinPath(folder, file).substr(r.size()));
        },
        read, threads);
    std::vector<NativePath> twice = order;
    twice.insert(twice.end(), order.begin(), order.end());
    QCOMPARE(seen, twice);

    Bibliothek b;
    b.setOrdnerLeser(read);
    b.AlleDateienAusAllenPfadenEinlesen({QFile::decodeName(QByteArray::fromStdString(r))}, true);
    QCOMPARE(b.gefunden(), int(order.size()));
    for (int N = 0; N < b.gefunden(); ++N)
        QCOMPARE(b.pfad(N), r + order[size_t(N)]);
    QCOMPARE(b.text(5), QStringLiteral("Lied #1# mit Raute.mp3   #5#"));
    QCOMPARE(b.name(5), QStringLiteral("Lied #1# mit Raute.mp3"));
    // QTemporaryDir cannot name them to remove them.
    fs::remove_all(r);
}

void CoreTest::sortedAsAGermanReaderExpects()
{
    Ordner o;
    Bibliothek b;
    fill(b, o,
         {QStringLiteral("zebra"), QStringLiteral("Stratus"), QStringLiteral("Straße"),
          QStringLiteral("Bach"), QStringLiteral("Ärzte"), QStringLiteral("Arzt"),
          QStringLiteral("apfel"), QStringLiteral("Strasse B"), QStringLiteral("Ōsaka")});
    QCOMPARE(names(b),
             (QStringList{QStringLiteral("apfel"), QStringLiteral("Arzt"), QStringLiteral("Ärzte"),
                          QStringLiteral("Bach"), QStringLiteral("Ōsaka"), QStringLiteral("Straße"),
                          QStringLiteral("Strasse B"), QStringLiteral("Stratus"),
                          QStringLiteral("zebra")}));
    QCOMPARE(sortKey(QStringLiteral("Æsop Øl")), QStringLiteral("aesop ol"));
}

void CoreTest::queueFile_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<QString>("stored");
    QTest::newRow("empty") << QStringLiteral("/") << QStringList{} << QStringLiteral("/");
    QTest::newRow("names in order")
        << QStringLiteral("b.mp3/a.mp3/b.mp3/")
        << QStringList{QStringLiteral("b.mp3   #3#"), QStringLiteral("a.mp3   #0#"),
                       QStringLiteral("b.mp3   #3#")}
        << QStringLiteral("b.mp3/a.mp3/b.mp3/");
    QTest::newRow("unknown names and text after the last /")
        << QStringLiteral("weg.mp3//x#1#y.mid") << QStringList{QStringLiteral("x#1#y.mid   #4#")}
        << QStringLiteral("x#1#y.mid/");
    QTest::newRow("the first entry of a name")
        << QStringLiteral("a.mp3/") << QStringList{QStringLiteral("a.mp3   #0#")}
        << QStringLiteral("a.mp3/");
    QTest::newRow("only blanks trimmed")
        << QStringLiteral("\tTab.wav/") << QStringList{QStringLiteral("\tTab.wav   #1#")}
        << QStringLiteral("\tTab.wav/");
}

void CoreTest::queueFile()
{
    QFETCH(QString, line);
    QFETCH(QStringList, queued);
    QFETCH(QString, stored);
    Ordner o;
    Bibliothek b;
    o.write(QStringLiteral("M/Sub/a.mp3"));
    fill(b, o,
         {QStringLiteral("a.mp3"), QStringLiteral("b.mp3"), QStringLiteral("\tTab.wav"),
          QStringLiteral("x#1#y.mid")});
    Warteliste w(b);
    w.WartelisteWiederherstellen(line);
    QStringList texts;
    for (int i = 0; i < w.Wartend(); ++i)
        texts.append(w.data(w.index(i)).toString());
    QCOMPARE(texts, queued);
    QCOMPARE(w.WartelisteSpeichern(), stored);
}

void CoreTest::queueFileIsCapped()
{
    Ordner o;
    Bibliothek b;
    fill(b, o, {QStringLiteral("a.mp3")});
    Warteliste w(b);
    w.WartelisteWiederherstellen(QStringLiteral("a.mp3/").repeated(Warteliste::Hoechstzahl + 5));
    QCOMPARE(w.Wartend(), Warteliste::Hoechstzahl);
}

void CoreTest::queueEdits()
{
    Ordner o;
    Bibliothek b;
    fill(b, o, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    Warteliste w(b);
    for (int N : {0, 1, 2})
        w.anhaengen(N);
    QCOMPARE(w.verschieben(0, -1), -1);
    QCOMPARE(w.verschieben(2, +1), -1);
    QCOMPARE(w.verschieben(0, +1), 1);
    QCOMPARE(w.verschieben(2, -1), 1);
    QCOMPARE(w.WartelisteSpeichern(), QStringLiteral("b/c/a/"));
    w.entfernen(5);
    w.entfernen(1);
    QCOMPARE(w.kopfNehmen(), 1);
    QCOMPARE(w.Wartend(), 1);
    w.leeren();
    QCOMPARE(w.kopfNehmen(), -1);
}

void CoreTest::searchWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("one") << QStringLiteral("Lied") << QStringList{QStringLiteral("lied")};
    QTest::newRow("blanks around and between")
        << QStringLiteral("  Mein   LIED ")
        << QStringList{QStringLiteral("mein"), QStringLiteral("lied")};
    QTest::newRow("only blanks") << QStringLiteral("   ") << QStringList{QString()};
    QTest::newRow("a tab is part of a word")
        << QStringLiteral("a\tb c") << QStringList{QStringLiteral("a\tb"), QStringLiteral("c")};
    QTest::newRow("umlauts fold") << QStringLiteral("ÄRZTE")
                                  << QStringList{QStringLiteral("ärzte")};
}

void CoreTest::searchWords()
{
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(Suche::Woerter(text), words);
}

void CoreTest::searchHits()
{
    Suche s;
    s.setInhalt({QStringLiteral("Mein Lied.mp3   #0#"), QStringLiteral("Lied für Dich   #1#"),
                 QStringLiteral("Dein Lied   #2#")});
    QCOMPARE(s.Suchen(QStringLiteral("lied MEIN")), std::vector<int>{0});
    QCOMPARE(s.Suchen(QStringLiteral("lied")), (std::vector<int>{0, 1, 2}));
    QCOMPARE(s.Suchen(QStringLiteral("#1#")), std::vector<int>{1});
    QCOMPARE(s.Suchen(QStringLiteral("  ")), (std::vector<int>{0, 1, 2}));
    QCOMPARE(s.Suchen(QStringLiteral("lied zz")), std::vector<int>{});
}

QTEST_GUILESS_MAIN(CoreTest)
#include "tst_core.moc"
