#include "tests/support/fakes.h"
#include "windows/frmquellpfad.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace
{

const QString file = QStringLiteral("Quellpfad.wob");

frmQuellpfad& openWindow(PlayerFixture& f, const QByteArray& line)
{
    f.write(file, line);
    f.player->mnuPfade_Click();
    return *f.player->Quellpfad;
}

QStringList paths(const frmQuellpfad& w)
{
    QStringList list;
    for (int i = 0; i < w.lstPfade->count(); ++i)
        list.append(w.lstPfade->item(i)->text());
    return list;
}

} // namespace

class QuellpfadTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addTrimmedPaths();
    void clickedEntryGoesToTheTextBox();
    void deleteSelectedOnly();
    void everyUnloadRewritesTheFile();
    void pathWithSeparatorComesBackAsTwo();
    void shutdownWritesButEndFromMenuDoesNot();
};

void QuellpfadTest::addTrimmedPaths()
{
    PlayerFixture f;
    frmQuellpfad& w = openWindow(f, ";/a;;/b c;\r\n/zweite Zeile;");
    QCOMPARE(paths(w), (QStringList{QStringLiteral("/a"), QStringLiteral("/b c")}));
    w.txtEingabe->setText(QStringLiteral("   "));
    w.cmdSpeichern_Click();
    QCOMPARE(w.lstPfade->count(), 2);
    w.txtEingabe->setText(QStringLiteral("  /Meine Musik "));
    w.cmdSpeichern_Click();
    w.cmdSpeichern_Click();
    QCOMPARE(paths(w).mid(2),
             (QStringList{QStringLiteral("/Meine Musik"), QStringLiteral("/Meine Musik")}));
    QCOMPARE(w.txtEingabe->text(), QStringLiteral("  /Meine Musik "));
}

void QuellpfadTest::clickedEntryGoesToTheTextBox()
{
    PlayerFixture f;
    frmQuellpfad& w = openWindow(f, "/a;/b;");
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect second = w.lstPfade->visualItemRect(w.lstPfade->item(1));
    QTest::mouseClick(w.lstPfade->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(w.txtEingabe->text(), QStringLiteral("/b"));
}

void QuellpfadTest::deleteSelectedOnly()
{
    PlayerFixture f;
    frmQuellpfad& w = openWindow(f, "/a;/b;/c;");
    w.txtEingabe->setText(QStringLiteral("/x"));
    w.cmdlöschen_Click();
    QCOMPARE(w.lstPfade->count(), 3);
    w.lstPfade->setCurrentRow(1);
    w.cmdlöschen_Click();
    QCOMPARE(paths(w), (QStringList{QStringLiteral("/a"), QStringLiteral("/c")}));
    w.cmdlöschen_Click();
    QCOMPARE(w.lstPfade->count(), 2);
    QCOMPARE(w.txtEingabe->text(), QStringLiteral("/x"));
}

void QuellpfadTest::everyUnloadRewritesTheFile()
{
    PlayerFixture f;
    openWindow(f, ";/a;;/b").cmdZurück_Click();
    QCOMPARE(f.read(file), QByteArray("/a;/b;\r\n"));
    flushDeletes();

    frmQuellpfad& w = openWindow(f, "/a;/b;");
    w.lstPfade->setCurrentRow(0);
    w.cmdlöschen_Click();
    w.lstPfade->setCurrentRow(0);
    w.cmdlöschen_Click();
    QVERIFY(w.close());
    QCOMPARE(f.read(file), QByteArray("\r\n"));
}

void QuellpfadTest::pathWithSeparatorComesBackAsTwo()
{
    PlayerFixture f;
    frmQuellpfad& w = openWindow(f, "/a;");
    w.txtEingabe->setText(QStringLiteral("/x;/y"));
    w.cmdSpeichern_Click();
    QCOMPARE(w.lstPfade->count(), 2);
    w.cmdZurück_Click();
    flushDeletes();
    f.player->mnuPfade_Click();
    QCOMPARE(paths(*f.player->Quellpfad),
             (QStringList{QStringLiteral("/a"), QStringLiteral("/x"), QStringLiteral("/y")}));
}

void QuellpfadTest::shutdownWritesButEndFromMenuDoesNot()
{
    for (const bool shutdown : {true, false}) {
        PlayerFixture f;
        f.dialogs.answer = true;
        f.start("00000", "/a;");
        frmQuellpfad& w = openWindow(f, "/a;");
        w.txtEingabe->setText(QStringLiteral("/neu"));
        w.cmdSpeichern_Click();
        if (shutdown) {
            QVERIFY(f.player->close());
            QCOMPARE(f.read(file), QByteArray("/a;/neu;\r\n"));
        } else {
            f.player->mnuEnde_Click();
            f.player.reset();
            QCOMPARE(f.read(file), QByteArray("/a;"));
        }
    }
}

QTEST_MAIN(QuellpfadTest)
#include "tst_quellpfad.moc"
