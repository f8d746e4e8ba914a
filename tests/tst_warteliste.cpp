#include "platform/statusbar.h"
#include "tests/support/fakes.h"
#include "windows/frmwarteliste.h"

#include <QListView>
#include <QListWidget>
#include <QTest>

namespace
{

struct QueueWindow : PlayerFixture {
    QueueWindow()
    {
        for (const char* name : {"X.mp3", "Y.mp3", "Z.mp3"})
            write(QStringLiteral("M/") + QString::fromLatin1(name));
        start("00000", path(QStringLiteral("M")).toUtf8() + ";");
        w = player->Warteliste.get();
    }
    void append(int row)
    {
        w->comboLieder->setCurrentIndex(w->comboLieder->model()->index(row, 0));
        w->cmdhinzufügen_Click();
    }
    QStringList queue() const
    {
        QStringList names;
        for (int i = 0; i < w->combowarteliste->count(); ++i)
            names.append(w->combowarteliste->item(i)->text().left(1));
        return names;
    }
    QString panel() const { return player->StatusBar->panelText(QStringLiteral("Warteliste")); }
    frmWarteliste* w = nullptr;
};

} // namespace

class QueueWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void appendNeedsASelection();
    void removeAndEmptyLeaveThePanelToTheTick();
    void moveUpAndDown();
    void closeOnlyHides();
};

void QueueWindowTest::appendNeedsASelection()
{
    QueueWindow f;
    QCOMPARE(f.w->comboLieder->model()->rowCount(), 3);
    f.w->cmdhinzufügen_Click();
    QVERIFY(f.queue().isEmpty());
    QVERIFY(f.dialogs.messages.isEmpty());
    f.append(1);
    f.append(1);
    QCOMPARE(f.queue(), (QStringList{QStringLiteral("Y"), QStringLiteral("Y")}));
    QCOMPARE(f.player->Wartend, 2);
    QCOMPARE(f.panel(), QStringLiteral("2"));
}

void QueueWindowTest::removeAndEmptyLeaveThePanelToTheTick()
{
    QueueWindow f;
    f.append(0);
    f.w->cmdEntfernen_Click();
    QCOMPARE(f.dialogs.messages,
             QStringList{QStringLiteral("Achtung: Sie haben keinen Eintrag markiert.")});
    QCOMPARE(f.queue().size(), 1);
    f.w->combowarteliste->setCurrentRow(0);
    f.w->cmdEntfernen_Click();
    QVERIFY(f.queue().isEmpty());
    QCOMPARE(f.player->Wartend, 0);
    QCOMPARE(f.panel(), QStringLiteral("1"));
    f.player->Timer1_Timer();
    QCOMPARE(f.panel(), QStringLiteral("0"));

    f.append(0);
    f.append(2);
    f.w->cmdlöschen_Click();
    QVERIFY(f.queue().isEmpty());
    QCOMPARE(f.player->Wartend, 0);
    QCOMPARE(f.panel(), QStringLiteral("2"));
    f.w->cmdlöschen_Click();
    QCOMPARE(f.player->Wartend, 0);
}

void QueueWindowTest::moveUpAndDown()
{
    QueueWindow f;
    f.append(0);
    f.append(1);
    f.append(2);
    const QStringList xyz{QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Z")};
    // Nothing selected, first up, last down: nothing moves.
    f.w->cmdHoch_Click();
    f.w->cmdRunter_Click();
    f.w->combowarteliste->setCurrentRow(0);
    f.w->cmdHoch_Click();
    f.w->combowarteliste->setCurrentRow(2);
    f.w->cmdRunter_Click();
    QCOMPARE(f.queue(), xyz);
    f.w->cmdHoch_Click();
    QCOMPARE(f.queue(),
             (QStringList{QStringLiteral("X"), QStringLiteral("Z"), QStringLiteral("Y")}));
    QCOMPARE(f.w->combowarteliste->currentRow(), 1);
    f.w->cmdRunter_Click();
    QCOMPARE(f.queue(), xyz);
    QCOMPARE(f.w->combowarteliste->currentRow(), 2);
    QCOMPARE(f.player->Wartend, 3);
}

void QueueWindowTest::closeOnlyHides()
{
    QueueWindow f;
    f.player->mnuwarteliste_Click();
    QVERIFY(f.w->isVisible());
    f.append(2);
    f.w->combowarteliste->setCurrentRow(0);
    QVERIFY(!f.w->close());
    QVERIFY(!f.w->isVisible());
    f.player->mnuwarteliste_Click();
    QCOMPARE(f.queue(), QStringList{QStringLiteral("Z")});
    QCOMPARE(f.w->combowarteliste->currentRow(), 0);
    f.w->cmdZurück_Click();
    QVERIFY(!f.w->isVisible());
    QVERIFY(f.player->isVisible());
}

QTEST_MAIN(QueueWindowTest)
#include "tst_warteliste.moc"
