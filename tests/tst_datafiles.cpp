#include "datafiles/linestore.h"
#include "tests/support/fakes.h"

#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QTest>

#include "windows/frmwarteliste.h"

class DataFilesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readFirstLine_data();
    void readFirstLine();
    void missingAndUnwritableFiles();
    void saveReplacesWithCrLf();
    void partsOfALine_data();
    void partsOfALine();
    void sourcePathsAppendInFileOrder();
    void firstStartFallsBackToMusicFolder();
    void settingsRestore_data();
    void settingsRestore();
    void settingsRoundTripAndNothingWrittenAtStart();
    void queueRoundTrip_data();
    void queueRoundTrip();
    void queueLineFromHand_data();
    void queueLineFromHand();
};

void DataFilesTest::readFirstLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("line");
    QTest::newRow("crlf") << QByteArray("a;b;\r\nzweite\r\n") << QStringLiteral("a;b;");
    QTest::newRow("lf") << QByteArray("a;b;\nzweite") << QStringLiteral("a;b;");
    QTest::newRow("no line end") << QByteArray("11111") << QStringLiteral("11111");
    QTest::newRow("empty line") << QByteArray("\r\n") << QString();
    QTest::newRow("empty file") << QByteArray("") << QString();
    QTest::newRow("one byte") << QByteArray("/") << QStringLiteral("/");
    QTest::newRow("utf-8") << QByteArray("Gr\xc3\xbc\xc3\x9f" "e;\r\n") << QStringLiteral("Grüße;");
    QTest::newRow("windows-1252") << QByteArray("M\xfcller \x80;\r\n") << QStringLiteral("Müller €;");
    QTest::newRow("binary") << QByteArray("\x00\x01\xff\r\n", 5) << QString::fromUtf16(u"\u0000\u0001\u00ff", 3);
}

void DataFilesTest::readFirstLine()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, line);
    PlayerFixture f;
    f.write(QStringLiteral("x.wob"), content);
    QCOMPARE(Lesen(QStringLiteral("x.wob")), line);
}

void DataFilesTest::missingAndUnwritableFiles()
{
    PlayerFixture f;
    QCOMPARE(Lesen(QStringLiteral("fehlt.wob")), QString());
    QVERIFY(!Speichern(QStringLiteral("x"), QStringLiteral("kein/ordner/x.wob")));
    // A folder in the file's place is neither read nor destroyed.
    QDir().mkpath(f.path(QStringLiteral("ordner.wob")));
    QCOMPARE(Lesen(QStringLiteral("ordner.wob")), QString());
    QVERIFY(!Speichern(QStringLiteral("x"), QStringLiteral("ordner.wob")));
    QVERIFY(QFileInfo(f.path(QStringLiteral("ordner.wob"))).isDir());
    // A 10 MB line is read whole.
    f.write(QStringLiteral("lang.wob"), QByteArray(10 * 1024 * 1024, 'a') + "\r\n");
    QCOMPARE(Lesen(QStringLiteral("lang.wob")).size(), 10 * 1024 * 1024);
}

void DataFilesTest::saveReplacesWithCrLf()
{
    PlayerFixture f;
    f.write(QStringLiteral("x.wob"), "alt und viel länger\r\nzweite\r\n");
    QVERIFY(Speichern(QStringLiteral("Grüße;"), QStringLiteral("x.wob")));
    QCOMPARE(f.read(QStringLiteral("x.wob")), QByteArray("Gr\xc3\xbc\xc3\x9f" "e;\r\n"));
    QVERIFY(Speichern(QString(), QStringLiteral("x.wob")));
    QCOMPARE(f.read(QStringLiteral("x.wob")), QByteArray("\r\n"));
}

void DataFilesTest::partsOfALine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("two") << QStringLiteral("/Musik;/Lieder/Rock;")
                         << QStringList{QStringLiteral("/Musik"), QStringLiteral("/Lieder/Rock")};
    QTest::newRow("empty parts") << QStringLiteral(";/Musik;;/Lieder;")
                                 << QStringList{QStringLiteral("/Musik"), QStringLiteral("/Lieder")};
    QTest::newRow("text after the last") << QStringLiteral("/a;/b")
                                         << QStringList{QStringLiteral("/a"), QStringLiteral("/b")};
    QTest::newRow("blanks stay") << QStringLiteral(" /Meine Musik ;")
                                 << QStringList{QStringLiteral(" /Meine Musik ")};
    QTest::newRow("twice") << QStringLiteral("/a;/a;")
                           << QStringList{QStringLiteral("/a"), QStringLiteral("/a")};
}

void DataFilesTest::partsOfALine()
{
    QFETCH(QString, line);
    QFETCH(QStringList, parts);
    QCOMPARE(teileLesen(line, u';'), parts);
    if (line.endsWith(u';') && !line.startsWith(u';'))
        QCOMPARE(teileSchreiben(parts, u';'), line);
}

void DataFilesTest::sourcePathsAppendInFileOrder()
{
    PlayerFixture f;
    f.write(QStringLiteral("Quellpfad.wob"), "/nicht/da;/auch/nicht\r\n/zweite/zeile;\r\n");
    f.player->PfadeEinlesen();
    f.player->PfadeEinlesen();
    QCOMPARE(f.player->lstPfade(),
             (QStringList{QStringLiteral("/nicht/da"), QStringLiteral("/auch/nicht"),
                          QStringLiteral("/nicht/da"), QStringLiteral("/auch/nicht")}));
}

void DataFilesTest::firstStartFallsBackToMusicFolder()
{
    PlayerFixture f;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(f.path(QStringLiteral("home"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(f.path(QStringLiteral("home/.config"))));
    f.write(QStringLiteral("home/Music/Künstler/lied.mp3"));
    frmPlayer& p = f.start({}, {});
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    QCOMPARE(p.lsttemp(), QStringList{QStringLiteral("lied.mp3   #0#")});
    // Nothing is written at start.
    QVERIFY(!f.exists(QStringLiteral("Quellpfad.wob")));
    QVERIFY(!f.exists(QStringLiteral("Einstellungen.wob")));
    QVERIFY(!f.exists(QStringLiteral("Warteliste.wob")));

    // An empty file is not a missing one: no folder at all.
    PlayerFixture g;
    qputenv("HOME", QFile::encodeName(g.path(QStringLiteral("home"))));
    g.write(QStringLiteral("home/Music/lied.mp3"));
    frmPlayer& q = g.start({}, "\r\n");
    qputenv("HOME", oldHome);
    QVERIFY(q.lsttemp().isEmpty());
}

void DataFilesTest::settingsRestore_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QList<int>>("fields");
    QTest::addColumn<bool>("random");
    QTest::addColumn<bool>("minimized");
    QTest::newRow("all off") << QByteArray("00000\r\n") << QList<int>{0, 0, 0, 0, 0} << false << false;
    QTest::newRow("all on") << QByteArray("11111\r\n") << QList<int>{1, 1, 1, 1, 1} << true << true;
    QTest::newRow("long") << QByteArray("01010999\r\n") << QList<int>{0, 1, 0, 1, 0} << true << true;
    QTest::newRow("short") << QByteArray("1") << QList<int>{1, 0, 0, 0, 0} << false << false;
    QTest::newRow("garbled") << QByteArray("x1\xff 2") << QList<int>{0, 1, 0, 0, 2} << true << false;
    QTest::newRow("missing") << QByteArray() << QList<int>{0, 0, 0, 0, 0} << false << false;
}

void DataFilesTest::settingsRestore()
{
    QFETCH(QByteArray, line);
    QFETCH(QList<int>, fields);
    QFETCH(bool, random);
    QFETCH(bool, minimized);
    PlayerFixture f;
    QDir().mkpath(f.path(QStringLiteral("leer")));
    frmPlayer& p = f.start(line, f.path(QStringLiteral("leer")).toUtf8() + ";");
    QCOMPARE((QList<int>{p.WartelisteninhaltSpeichern, p.Zufallsstart, p.BeimStartLiedSpielen,
                         p.MinimiertStarten, p.DateiEndungenRegel}),
             fields);
    QCOMPARE(p.ZufallAn(), random);
    QCOMPARE(p.isMinimized(), minimized);
    QCOMPARE(p.AlleDateien(), fields[4] == 0);
}

void DataFilesTest::settingsRoundTripAndNothingWrittenAtStart()
{
    PlayerFixture f;
    frmPlayer& p = f.start("10201extra\r\n", "\r\n");
    QCOMPARE(f.read(QStringLiteral("Einstellungen.wob")), QByteArray("10201extra\r\n"));
    p.EinstellungenSpeichern(QStringLiteral("Einstellungen.wob"));
    QCOMPARE(f.read(QStringLiteral("Einstellungen.wob")), QByteArray("10201\r\n"));
}

void DataFilesTest::queueRoundTrip_data()
{
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("empty") << QStringList() << QByteArray("/\r\n");
    QTest::newRow("three in order")
        << QStringList{QStringLiteral("c.mp3"), QStringLiteral("a.mp3"), QStringLiteral("Mein Lied.wav")}
        << QByteArray("c.mp3/a.mp3/Mein Lied.wav/\r\n");
    QTest::newRow("part of another name")
        << QStringList{QStringLiteral("a.mp3")} << QByteArray("a.mp3/\r\n");
    QTest::newRow("hash in the name")
        << QStringList{QStringLiteral("Nr #1# Hit.mp3"), QStringLiteral("a.mp3")}
        << QByteArray("Nr #1# Hit.mp3/a.mp3/\r\n");
    QTest::newRow("same track twice")
        << QStringList{QStringLiteral("aa.mp3"), QStringLiteral("aa.mp3")}
        << QByteArray("aa.mp3/aa.mp3/\r\n");
}

void DataFilesTest::queueRoundTrip()
{
    QFETCH(QStringList, queued);
    QFETCH(QByteArray, line);
    const QStringList library{QStringLiteral("a.mp3"), QStringLiteral("aa.mp3"),
                              QStringLiteral("Banana.mp3"), QStringLiteral("c.mp3"),
                              QStringLiteral("Mein Lied.wav"), QStringLiteral("Mein.wav"),
                              QStringLiteral("Lied.wav"), QStringLiteral("Nr #1# Hit.mp3")};
    QStringList saved;
    {
        PlayerFixture f;
        for (const QString& name : library)
            f.write(QStringLiteral("M/") + name);
        frmPlayer& p = f.start("10000", f.path(QStringLiteral("M")).toUtf8() + ";");
        for (const QString& name : queued) {
            const auto it = std::find_if(p.LIST1Eintraege().begin(), p.LIST1Eintraege().end(),
                                         [&](const QString& t) { return t.startsWith(name + QStringLiteral("   #")); });
            QVERIFY(it != p.LIST1Eintraege().end());
            p.Warteliste->combowarteliste->addItem(*it);
            saved.append(*it);
        }
        p.WartelisteSpeichern();
        QCOMPARE(f.read(QStringLiteral("Warteliste.wob")), line);

        // The next start with the same library brings back exactly this queue.
        PlayerFixture g;
        for (const QString& name : library)
            g.write(QStringLiteral("M/") + name);
        g.write(QStringLiteral("Warteliste.wob"), line);
        frmPlayer& q = g.start("10000", g.path(QStringLiteral("M")).toUtf8() + ";");
        QStringList restored;
        for (int i = 0; i < q.Warteliste->combowarteliste->count(); ++i)
            restored.append(q.Warteliste->combowarteliste->item(i)->text());
        QCOMPARE(restored, saved);
        QCOMPARE(q.Wartend, saved.size());
    }
}

void DataFilesTest::queueLineFromHand_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("restored");
    QTest::newRow("missing") << QByteArray() << QStringList();
    QTest::newRow("empty line") << QByteArray("\r\n") << QStringList();
    QTest::newRow("lone slash") << QByteArray("/") << QStringList();
    QTest::newRow("empty names") << QByteArray("//a.mp3///") << QStringList{QStringLiteral("a.mp3")};
    QTest::newRow("trailing text") << QByteArray("a.mp3/b.mp3")
                                   << QStringList{QStringLiteral("a.mp3"), QStringLiteral("b.mp3")};
    QTest::newRow("gone from the library") << QByteArray("weg.mp3/b.mp3/") << QStringList{QStringLiteral("b.mp3")};
    QTest::newRow("only whole names") << QByteArray("a/mp3/") << QStringList();
}

void DataFilesTest::queueLineFromHand()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, restored);
    PlayerFixture f;
    f.write(QStringLiteral("M/a.mp3"));
    f.write(QStringLiteral("M/b.mp3"));
    frmPlayer& p = f.start("00000", f.path(QStringLiteral("M")).toUtf8() + ";", line);
    QStringList names;
    for (int i = 0; i < p.Warteliste->combowarteliste->count(); ++i) {
        const QString text = p.Warteliste->combowarteliste->item(i)->text();
        names.append(text.left(text.indexOf(QStringLiteral("   #"))));
    }
    QCOMPARE(names, restored);
    QCOMPARE(p.Wartend, restored.size());
}

QTEST_MAIN(DataFilesTest)
#include "tst_datafiles.moc"
