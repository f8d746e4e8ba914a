#include "tests/support/fakes.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTest>
#include <unistd.h>

namespace
{

QStringList entryNames(const QStringList& texts)
{
    QStringList names;
    for (const QString& t : texts)
        names.append(t.left(t.lastIndexOf(QStringLiteral("   #"))));
    return names;
}

} // namespace

class LibraryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void walkOrderTextsAndPaths();
    void extensionRule_data();
    void extensionRule();
    void trailingSeparatorAndDuplicateFolder();
    void missingFoldersAndLinkLoops();
    void oddFileNamesKeepTheirBytes();
    void sortedListsFollowTheLanguage();
    void emptyLibraryStartsQuietly();
    void moreEntriesThanSixteenBits();
    void numberFromTheMarker_data();
    void numberFromTheMarker();
    void positionInAList();
};

void LibraryTest::walkOrderTextsAndPaths()
{
    PlayerFixture f;
    f.write(QStringLiteral("R/r.mp3"));
    f.write(QStringLiteral("R/B/b.mp3"));
    f.write(QStringLiteral("R/A/a.mp3"));
    const QString root = f.path(QStringLiteral("R"));
    frmPlayer& p = f.start("00000\r\n", root.toUtf8() + ";\r\n");

    // Subfolders in name order first, then the folder's own files.
    QCOMPARE(p.lsttemp(), (QStringList{QStringLiteral("a.mp3   #0#"), QStringLiteral("b.mp3   #1#"),
                                       QStringLiteral("r.mp3   #2#")}));
    QCOMPARE(p.ListeMitPfadNamen().size(), size_t(3));
    QCOMPARE(QString::fromStdString(p.ListeMitPfadNamen()[0]), root + QStringLiteral("/A/a.mp3"));
    QCOMPARE(QString::fromStdString(p.ListeMitPfadNamen()[2]), root + QStringLiteral("/r.mp3"));
    QCOMPARE(p.LIST1->count(), 3);
    QCOMPARE(p.LIST1->currentIndex(), 0);
    QCOMPARE(p.Listennummer, 0);
}

// Media and other files, some with "#" and odd letter case.
const QStringList mixedNames{
    QStringLiteral("Lied.mp3"), QStringLiteral("Notiz.txt"),    QStringLiteral("a#b.txt"),
    QStringLiteral("a#b.mp3"),  QStringLiteral("a#b.MID"),      QStringLiteral("x.Wav"),
    QStringLiteral("mp3"),      QStringLiteral("clip.mp3.jpg"), QStringLiteral("film.AVI"),
    QStringLiteral("v.mpg"),    QStringLiteral("w.wma")};

void LibraryTest::extensionRule_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QStringList>("taken");
    QTest::newRow("every file") << QByteArray("00000") << mixedNames;
    QTest::newRow("media only") << QByteArray("00001")
                                << QStringList{
                                       QStringLiteral("Lied.mp3"), QStringLiteral("a#b.mp3"),
                                       QStringLiteral("a#b.MID"),  QStringLiteral("x.Wav"),
                                       QStringLiteral("film.AVI"), QStringLiteral("v.mpg"),
                                       QStringLiteral("w.wma")};
}

void LibraryTest::extensionRule()
{
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, taken);
    PlayerFixture f;
    for (const QString& name : mixedNames)
        f.write(QStringLiteral("M/") + name);
    frmPlayer& p = f.start(settings + "\r\n", f.path(QStringLiteral("M")).toUtf8() + ";");
    QStringList names = entryNames(p.lsttemp());
    names.sort();
    taken.sort();
    QCOMPARE(names, taken);
}

void LibraryTest::trailingSeparatorAndDuplicateFolder()
{
    PlayerFixture f;
    f.write(QStringLiteral("M/Sub/s.mp3"));
    f.write(QStringLiteral("M/m.mp3"));
    const QString root = f.path(QStringLiteral("M"));
    frmPlayer& p = f.start("00000", (root + QStringLiteral("/;") + root + u';').toUtf8());

    QCOMPARE(p.lsttemp().size(), 4);
    QCOMPARE(p.lsttemp().at(2), QStringLiteral("s.mp3   #2#"));
    // One separator between folder and name, whether or not the folder ends in one.
    QCOMPARE(QString::fromStdString(p.ListeMitPfadNamen()[0]), root + QStringLiteral("/Sub/s.mp3"));
    QCOMPARE(QString::fromStdString(p.ListeMitPfadNamen()[2]), root + QStringLiteral("/Sub/s.mp3"));
    QCOMPARE(QString::fromStdString(p.ListeMitPfadNamen()[3]), root + QStringLiteral("/m.mp3"));
}

void LibraryTest::missingFoldersAndLinkLoops()
{
    PlayerFixture f;
    f.write(QStringLiteral("R/A/a.mp3"));
    f.write(QStringLiteral("R/r.mp3"));
    f.write(QStringLiteral("Other/o.mp3"));
    const QString root = f.path(QStringLiteral("R"));
    // A link back to the top and a link to itself must not trap the walk; a
    // link to a folder elsewhere is followed.
    QVERIFY(QFile::link(root, f.path(QStringLiteral("R/A/zurück"))));
    QVERIFY(QFile::link(f.path(QStringLiteral("R/A")), f.path(QStringLiteral("R/A/selbst"))));
    QVERIFY(QFile::link(f.path(QStringLiteral("Other")), f.path(QStringLiteral("R/B"))));
    QVERIFY(QFile::link(f.path(QStringLiteral("nirgends")), f.path(QStringLiteral("R/kaputt"))));
    f.write(QStringLiteral("Locked/l.mp3"));
    QFile::setPermissions(f.path(QStringLiteral("Locked")), QFileDevice::Permissions());

    const QByteArray paths = (f.path(QStringLiteral("fehlt")) + u';' +
                              f.path(QStringLiteral("Locked")) + u';' + root + u';')
                                 .toUtf8();
    frmPlayer& p = f.start("00000", paths);
    QFile::setPermissions(f.path(QStringLiteral("Locked")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QStringList names = entryNames(p.lsttemp());
    if (geteuid() == 0) // root reads a locked folder all the same
        names.removeAll(QStringLiteral("l.mp3"));
    QCOMPARE(names, (QStringList{QStringLiteral("a.mp3"), QStringLiteral("o.mp3"),
                                 QStringLiteral("r.mp3")}));
}

void LibraryTest::oddFileNamesKeepTheirBytes()
{
    PlayerFixture f;
    const QByteArray folder = QFile::encodeName(f.path(QStringLiteral("M")));
    QDir().mkpath(f.path(QStringLiteral("M")));
    const QByteArray names[] = {"Lied #1# mit Raute.mp3",
                                "Gr\xc3\xbc\xc3\x9f"
                                "e \xf0\x9f\x8e\xb5.mp3",
                                "kaputt \xff\xfe.mp3"};
    for (const QByteArray& name : names) {
        const QByteArray full = folder + '/' + name;
        FILE* raw = fopen(full.constData(), "w");
        QVERIFY(raw);
        fclose(raw);
    }
    frmPlayer& p = f.start("00000", folder + ";");
    QCOMPARE(p.lsttemp().size(), 3);
    for (size_t i = 0; i < 3; ++i) {
        const NativePath& path = p.ListeMitPfadNamen()[i];
        QVERIFY2(QFile::exists(QFile::decodeName(QByteArray::fromStdString(path))) ||
                     ::access(path.c_str(), F_OK) == 0,
                 path.c_str());
        QCOMPARE(frmPlayer::NummerErmitteln(p.lsttemp().at(static_cast<int>(i))), int(i));
    }
    // Qt cannot name a file whose name is not valid in the locale's encoding.
    ::unlink(QByteArray(folder + "/kaputt \xff\xfe.mp3").constData());
}

void LibraryTest::sortedListsFollowTheLanguage()
{
    PlayerFixture f;
    for (const char* name : {"zebra.mp3", "Bach.mp3", "Ärzte.mp3", "Arzt.mp3", "apfel.mp3"})
        f.write(QStringLiteral("M/") + QString::fromUtf8(name));
    frmPlayer& p = f.start("00000", f.path(QStringLiteral("M")).toUtf8() + ";");
    QCOMPARE(entryNames(p.LIST1Eintraege()),
             (QStringList{QStringLiteral("apfel.mp3"), QStringLiteral("Arzt.mp3"),
                          QStringLiteral("Ärzte.mp3"), QStringLiteral("Bach.mp3"),
                          QStringLiteral("zebra.mp3")}));
    // Every sorted text still leads to its own path.
    for (const QString& text : p.LIST1Eintraege()) {
        const NativePath& path = p.ListeMitPfadNamen()[size_t(frmPlayer::NummerErmitteln(text))];
        QVERIFY(QString::fromStdString(path).endsWith(text.left(text.indexOf(u' '))));
    }
}

void LibraryTest::emptyLibraryStartsQuietly()
{
    PlayerFixture f;
    QDir().mkpath(f.path(QStringLiteral("leer")));
    frmPlayer& p = f.start("01100", f.path(QStringLiteral("leer")).toUtf8() + ";");
    QCOMPARE(p.LIST1->count(), 0);
    QCOMPARE(p.LIST1->currentIndex(), -1);
    QCOMPARE(f.engine->calls, QStringList{QStringLiteral("Open")});
    p.Timer1_Timer();
    QCOMPARE(f.engine->calls, QStringList{QStringLiteral("Open")});
}

void LibraryTest::moreEntriesThanSixteenBits()
{
    PlayerFixture f;
    const QString folder = f.path(QStringLiteral("viele"));
    QDir().mkpath(folder);
    constexpr int count = 33000;
    for (int i = 0; i < count; ++i) {
        const QByteArray file = QFile::encodeName(folder) + "/t" + QByteArray::number(i) + ".mp3";
        FILE* raw = fopen(file.constData(), "w");
        QVERIFY(raw);
        fclose(raw);
    }
    frmPlayer& p = f.start("00000", folder.toUtf8() + ";");
    QCOMPARE(p.LIST1->count(), count);
    const QString last = p.LIST1Eintraege().last();
    const int N = frmPlayer::NummerErmitteln(last);
    QVERIFY(N >= 0 && N < count);
    QVERIFY(QString::fromStdString(p.ListeMitPfadNamen()[size_t(N)])
                .endsWith(last.left(last.indexOf(u' '))));
    p.Play(count - 1);
    QCOMPARE(p.LIST1->currentIndex(), count - 1);
}

void LibraryTest::numberFromTheMarker_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");
    QTest::newRow("first") << QStringLiteral("x.mp3   #0#") << 0;
    QTest::newRow("eleventh") << QStringLiteral("a.mp3   #10#") << 10;
    QTest::newRow("hash in name") << QStringLiteral("a#1#b.mp3   #7#") << 7;
    QTest::newRow("large") << QStringLiteral("a.mp3   #123456#") << 123456;
    QTest::newRow("no entry") << QStringLiteral("Notiz") << -1;
    QTest::newRow("no number") << QStringLiteral("a.mp3   ##") << -1;
    QTest::newRow("lone hash") << QStringLiteral("#") << -1;
    QTest::newRow("empty") << QString() << -1;
}

void LibraryTest::numberFromTheMarker()
{
    QFETCH(QString, text);
    QFETCH(int, number);
    QCOMPARE(frmPlayer::NummerErmitteln(text), number);
}

void LibraryTest::positionInAList()
{
    PlayerFixture f;
    frmPlayer& p = *f.player;
    const QStringList list{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("b")};
    QCOMPARE(p.ListennummerErmitteln(QStringLiteral("b"), list), 0);
    QCOMPARE(p.Listennummer, 0);
    QCOMPARE(p.ListennummerErmitteln(QStringLiteral("a"), list), 1);
    QCOMPARE(p.ListennummerErmitteln(QStringLiteral("A"), list), -1);
    QCOMPARE(p.Listennummer, -1);
    QCOMPARE(p.ListennummerErmitteln(QString(), list), -1);
}

QTEST_MAIN(LibraryTest)
#include "tst_library.moc"
