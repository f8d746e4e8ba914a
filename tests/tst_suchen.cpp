#include "platform/statusbar.h"
#include "tests/support/fakes.h"
#include "windows/frmsuchen.h"
#include "windows/frmwarteliste.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace
{

const QStringList library{QStringLiteral("Rock Lied.mp3"), QStringLiteral("Lieder - Rockmusik.mp3"),
                          QStringLiteral("Lied.mp3"), QStringLiteral("Grüne Äpfel.mp3"),
                          QStringLiteral("Walzer.mid")};

frmPlayer& startWithLibrary(PlayerFixture& f, const QByteArray& queue = {})
{
    for (const QString& name : library)
        f.write(QStringLiteral("M/") + name);
    return f.start("00000", f.path(QStringLiteral("M")).toUtf8() + ';', queue);
}

// Library entries whose file name is one of these, in LIST1 order.
QStringList entries(const frmPlayer& p, const QStringList& names)
{
    QStringList found;
    for (const QString& e : p.LIST1Eintraege())
        if (names.contains(e.left(e.indexOf(QStringLiteral("   #")))))
            found.append(e);
    return found;
}

void select(frmSuchen& s, int row)
{
    s.combosuchen->setCurrentIndex(s.combosuchen->model()->index(row, 0));
}

// Both action buttons are shown or hidden together.
int shownButtons(const frmSuchen& s)
{
    return int(s.cmdWarteListe->isVisibleTo(&s)) + int(s.cmdJetztSpielen->isVisibleTo(&s));
}

const QStringList searched{QStringLiteral("Rock Lied.mp3   #0#"), QStringLiteral("Lied.mp3   #5#"),
                           QStringLiteral("Lieder - Rockmusik.mp3   #50#"),
                           QStringLiteral("Zwei Ärzte - Zeit.mp3   #15#"),
                           QStringLiteral("a\tb   #55#")};

} // namespace

class SuchenTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wordsOfTheText_data();
    void wordsOfTheText();
    void appendsBehindExistingEntries();
    void typingShowsHitsCounterAndButtons();
    void playNow();
    void addToQueue();
    void backAndCloseOnlyHide();
};

void SuchenTest::wordsOfTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("hits");
    const QStringList& list = searched;
    QTest::newRow("any order, any case")
        << QStringLiteral("lied ROCK") << QStringList{list[0], list[2]};
    QTest::newRow("extra blanks") << QStringLiteral("  lied   rock ")
                                  << QStringList{list[0], list[2]};
    QTest::newRow("umlauts") << QStringLiteral("ärzte") << QStringList{list[3]};
    QTest::newRow("blanks only") << QStringLiteral("   ") << list;
    QTest::newRow("empty") << QString() << list;
    QTest::newRow("tab belongs to the word") << QStringLiteral("\tlied") << QStringList();
    QTest::newRow("tab inside a word") << QStringLiteral("A\tB") << QStringList{list[4]};
    QTest::newRow("whole marker") << QStringLiteral("#5#") << QStringList{list[1]};
    QTest::newRow("marker prefix")
        << QStringLiteral("#5") << QStringList{list[1], list[2], list[4]};
    QTest::newRow("one word missing") << QStringLiteral("lied jazz") << QStringList();
}

void SuchenTest::wordsOfTheText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, hits);
    QStringList found;
    frmSuchen::Suchen(text, searched, found);
    QCOMPARE(found, hits);
}

void SuchenTest::appendsBehindExistingEntries()
{
    QStringList found{QStringLiteral("alt")};
    frmSuchen::Suchen(QStringLiteral("b"), {QStringLiteral("a"), QStringLiteral("b")}, found);
    QCOMPARE(found, (QStringList{QStringLiteral("alt"), QStringLiteral("b")}));
    frmSuchen::Suchen(QStringLiteral(" "), {}, found);
    QCOMPARE(found.size(), 2);

    QCOMPARE(frmSuchen::Leerzeichenfinden(QStringLiteral("abc")), 0);
    QCOMPARE(frmSuchen::Leerzeichenfinden(QStringLiteral("ab c d")), 3);
}

void SuchenTest::typingShowsHitsCounterAndButtons()
{
    PlayerFixture f;
    frmPlayer& p = startWithLibrary(f);
    frmSuchen& s = *p.Suchen;
    QVERIFY(s.isHidden());
    QCOMPARE(s.txtSuchtext->text(), QStringLiteral(">> Zu suchendes Lied <<"));
    QVERIFY(s.combosuchenEintraege().isEmpty());
    QVERIFY(s.lblTreffer->text().isEmpty());
    QCOMPARE(shownButtons(s), 0);

    s.txtSuchtext->setText(QStringLiteral("lied rock"));
    QCOMPARE(s.combosuchenEintraege(), entries(p, {QStringLiteral("Rock Lied.mp3"),
                                                   QStringLiteral("Lieder - Rockmusik.mp3")}));
    QCOMPARE(s.lblTreffer->text(), QStringLiteral("2 Treffer"));
    QCOMPARE(shownButtons(s), 2);

    s.txtSuchtext->setText(QStringLiteral("äpfel GRÜN"));
    QCOMPARE(s.combosuchenEintraege(), entries(p, {QStringLiteral("Grüne Äpfel.mp3")}));
    QCOMPARE(s.lblTreffer->text(), QStringLiteral("1 Treffer"));

    s.txtSuchtext->setText(QStringLiteral("jazz"));
    QCOMPARE(s.lblTreffer->text(), QStringLiteral("0 Treffer"));
    QCOMPARE(shownButtons(s), 0);

    s.txtSuchtext->setText(QStringLiteral(" "));
    QCOMPARE(s.combosuchenEintraege(), p.LIST1Eintraege());
    QCOMPARE(s.lblTreffer->text(), QStringLiteral("5 Treffer"));
    QCOMPARE(shownButtons(s), 2);

    // A real double click empties the text, and the emptied text lists nothing.
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    QTest::mouseDClick(s.txtSuchtext, Qt::LeftButton);
    QVERIFY(s.txtSuchtext->text().isEmpty());
    QVERIFY(s.combosuchenEintraege().isEmpty());
    QCOMPARE(s.lblTreffer->text(), QStringLiteral("0 Treffer"));
    QCOMPARE(shownButtons(s), 0);
}

void SuchenTest::playNow()
{
    PlayerFixture f;
    frmPlayer& p = startWithLibrary(f);
    frmSuchen& s = *p.Suchen;
    s.txtSuchtext->setText(QStringLiteral("walzer"));
    const QStringList before = f.engine->calls;
    s.cmdJetztSpielen_Click();
    QCOMPARE(f.engine->calls, before);
    QCOMPARE(p.LIST1->currentIndex(), 0);

    select(s, 0);
    s.cmdJetztSpielen_Click();
    const int n =
        static_cast<int>(p.LIST1Eintraege().indexOf(entries(p, {QStringLiteral("Walzer.mid")})[0]));
    QCOMPARE(p.LIST1->currentIndex(), n);
    QCOMPARE(p.Listennummer, n);
    QCOMPARE(f.engine->calls.last(), QStringLiteral("play"));
    QVERIFY(f.engine->fileName.string().ends_with("M/Walzer.mid"));
    QCOMPARE(s.txtSuchtext->text(), QStringLiteral("walzer"));
}

void SuchenTest::addToQueue()
{
    PlayerFixture f;
    frmPlayer& p = startWithLibrary(f, "Lied.mp3/");
    frmSuchen& s = *p.Suchen;
    QCOMPARE(p.Wartend, 1);
    s.txtSuchtext->setText(QStringLiteral("rock"));
    s.cmdWarteListe_Click();
    QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("Kein Eintrag markiert")});
    QCOMPARE(p.Warteliste->combowarteliste->count(), 1);
    QCOMPARE(p.Wartend, 1);

    select(s, 1);
    s.cmdWarteListe_Click();
    QCOMPARE(f.dialogs.messages.size(), 1);
    QCOMPARE(p.Warteliste->combowarteliste->count(), 2);
    QCOMPARE(p.Warteliste->combowarteliste->item(0)->text(),
             entries(p, {QStringLiteral("Lied.mp3")})[0]);
    QCOMPARE(p.Warteliste->combowarteliste->item(1)->text(), s.combosuchenEintraege()[1]);
    QCOMPARE(p.Wartend, 2);
    QCOMPARE(p.StatusBar->panelText(QStringLiteral("Warteliste")), QStringLiteral("2"));
}

void SuchenTest::backAndCloseOnlyHide()
{
    PlayerFixture f;
    frmPlayer& p = startWithLibrary(f);
    frmSuchen& s = *p.Suchen;
    p.mnuSuchen_Click();
    s.txtSuchtext->setText(QStringLiteral("lied"));
    s.cmdZurück_Click();
    QVERIFY(s.isHidden());
    p.mnuSuchen_Click();
    QVERIFY(!s.close());
    QVERIFY(s.isHidden());
    QCOMPARE(s.txtSuchtext->text(), QStringLiteral("lied"));
    QCOMPARE(s.combosuchenEintraege().size(), 3);
}

QTEST_MAIN(SuchenTest)
#include "tst_suchen.moc"
