#include "tests/support/fakes.h"
#include "windows/frmeinstellungen.h"
#include "windows/frminfo.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

namespace
{

QString fields(const frmPlayer& p)
{
    return QString::number(p.WartelisteninhaltSpeichern) + QString::number(p.Zufallsstart) +
           QString::number(p.BeimStartLiedSpielen) + QString::number(p.MinimiertStarten) +
           QString::number(p.DateiEndungenRegel);
}

QString boxes(const frmEinstellungen& w)
{
    QString ticked;
    for (const QCheckBox* box : w.checkBox)
        ticked += box->isChecked() ? u'1' : u'0';
    return ticked;
}

} // namespace

class EinstellungenTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void openAndCloseCopiesFields_data();
    void openAndCloseCopiesFields();
    void shutdownStoresBeforeTheBoxesAreCopied();
    void infoWindowClosesByBack();
};

void EinstellungenTest::openAndCloseCopiesFields_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("ticked");
    QTest::newRow("zeros and ones") << QByteArray("10100") << QStringLiteral("10100");
    QTest::newRow("other digits") << QByteArray("21092") << QStringLiteral("01000");
}

void EinstellungenTest::openAndCloseCopiesFields()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, ticked);
    PlayerFixture f;
    frmPlayer& p = f.start(settings, "\r\n");
    p.mnuEinstellungen_Click();
    QCOMPARE(boxes(*p.Einstellungen), ticked);
    QCOMPARE(p.Einstellungen->checkBox[4]->text(),
             QStringLiteral("Nur *.avi *.mp3 *.wma *.mid *.wav *.mpg Dateien einlesen."));
    QCOMPARE(fields(p), QString::fromLatin1(settings));
    p.Einstellungen->cmdZurück_Click();
    QCOMPARE(fields(p), ticked);
    flushDeletes();
    QVERIFY(!p.Einstellungen);
}

void EinstellungenTest::shutdownStoresBeforeTheBoxesAreCopied()
{
    // Only the close request's shutdown unloads the window; "Beenden" leaves it alone.
    for (const bool shutdown : {true, false}) {
        PlayerFixture f;
        frmPlayer& p = f.start("20000", "\r\n");
        p.mnuEinstellungen_Click();
        p.Einstellungen->checkBox[1]->setChecked(true);
        f.dialogs.answer = true;
        if (shutdown) {
            bool cancel = true;
            p.Form_Unload(cancel);
            QVERIFY(!cancel);
            QCOMPARE(f.read(QStringLiteral("Einstellungen.wob")), QByteArray("20000\r\n"));
            QCOMPARE(fields(p), QStringLiteral("01000"));
        } else {
            p.mnuEnde_Click();
            QCOMPARE(fields(p), QStringLiteral("20000"));
        }
    }
}

void EinstellungenTest::infoWindowClosesByBack()
{
    PlayerFixture f;
    frmPlayer& p = f.start("00000", "\r\n");
    p.mnuInfo_Click();
    QVERIFY(p.Info->isVisible());
    QCOMPARE(p.Info->windowTitle(), QStringLiteral("Info"));
    p.Info->cmdback->click();
    flushDeletes();
    QVERIFY(!p.Info);
}

QTEST_MAIN(EinstellungenTest)
#include "tst_einstellungen.moc"
