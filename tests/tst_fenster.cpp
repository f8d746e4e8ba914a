// The windows over a session, used with real focus and selection.
#include "gui/frmeinstellungen.h"
#include "gui/frmplayer.h"
#include "gui/frmquellpfad.h"
#include "gui/frmsuchen.h"
#include "gui/frmwarteliste.h"
#include "gui/mediadevice.h"
#include "gui/progressbar.h"
#include "gui/statusbar.h"
#include "tests/support/fakes.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace
{

// A started main window over a session.
struct Fenster : SitzungFixture {
    explicit Fenster(const QByteArray& settings = "00000\r\n", const QByteArray& queue = {})
        : SitzungFixture({u"a.mp3"_s, u"b.mp3"_s, u"c.mp3"_s}, settings, queue),
          player(*sitzung, dialogs)
    {
        player.Form_Load();
        player.show();
    }
    QString panel(const QString& key) const { return player.StatusBar->panelText(key); }
    FakeDialogs dialogs;
    frmPlayer player;
};

// Shows the window and gives the list the keyboard focus, as a Tab would: the
// list then has a current row but nothing selected.
void focus(QWidget* window, QAbstractItemView* list)
{
    window->show();
    QApplication::setActiveWindow(window);
    list->setFocus(Qt::TabFocusReason);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QVERIFY(list->currentIndex().isValid());
    QVERIFY(!list->selectionModel()->hasSelection());
}

void clickRow(QAbstractItemView* list, int row)
{
    const QRect r = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

void press(QWidget* window, const QString& text)
{
    for (QPushButton* b : window->findChildren<QPushButton*>())
        if (b->text() == text)
            return b->click();
    QFAIL(qPrintable(text));
}

} // namespace

class FensterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mainWindowShowsTheSession()
    {
        Fenster f("00000\r\n", "c.mp3/\r\n");
        const auto panels = [&] {
            QStringList shown;
            for (const QString& key : u"Modus Tracks Warteliste Ton Zufall"_s.split(u' '))
                shown.append(f.panel(key));
            return shown.join(u'|');
        };
        QCOMPARE(f.player.LIST1->currentText(), u"a.mp3   #0#"_s);
        QCOMPARE(panels(), u"|3 Lieder|1|Ton an|Aus"_s);
        // The chooser's selection is what Play plays; the caption follows the clock.
        f.player.LIST1->setCurrentIndex(1);
        f.player.mscMusik->play->click();
        QCOMPARE(f.player.lbltitel->text(), u"b.mp3   "_s);
        QCOMPARE(f.player.windowTitle(), u"Tonlaterne"_s);
        f.engine->length = 185000;
        f.engine->position = 92500;
        f.sitzung->wiedergabe().Timer1_Timer();
        QCOMPARE(f.player.windowTitle(), u"Tonlaterne >> b.mp3     50 %"_s);
        QCOMPARE(f.player.Fortschritt->value(), 50);
        f.player.cmdVolume->click();
        QVERIFY(f.engine->silent && f.player.cmdnovolume->isVisible() &&
                !f.player.cmdVolume->isVisible());
        f.player.cmdzufall->click();
        QVERIFY(f.player.cmdKeinzufall->isVisible() && !f.player.cmdzufall->isVisible());
        QCOMPARE(panels(), u"PLAY|3 Lieder|1|Ton aus|Ein"_s);
    }

    void queueButtonsNeedASelection()
    {
        Fenster f("00000\r\n", "a.mp3/b.mp3/\r\n");
        frmWarteliste* w = f.player.Warteliste;
        Warteliste& queue = f.sitzung->warteliste();
        focus(w, w->comboLieder);
        press(w, u".... Hinzufügen"_s);
        QCOMPARE(queue.Wartend(), 2);

        focus(w, w->combowarteliste);
        for (const char* button : {".... Entfernen", "Hoch", "Runter"})
            press(w, QString::fromUtf8(button));
        QCOMPARE(f.dialogs.messages, QStringList{u"Achtung: Sie haben keinen Eintrag markiert."_s});
        QCOMPARE(queue.WartelisteSpeichern(), u"a.mp3/b.mp3/"_s);

        clickRow(w->comboLieder, 2);
        press(w, u".... Hinzufügen"_s);
        QCOMPARE(f.panel(u"Warteliste"_s), u"3"_s);
        clickRow(w->combowarteliste, 2);
        press(w, u"Hoch"_s);
        QCOMPARE(queue.WartelisteSpeichern(), u"a.mp3/c.mp3/b.mp3/"_s);
        press(w, u".... Entfernen"_s);
        QCOMPARE(queue.WartelisteSpeichern(), u"a.mp3/b.mp3/"_s);
        // Removing leaves the panel to the clock; closing only hides.
        QCOMPARE(f.panel(u"Warteliste"_s), u"3"_s);
        w->close();
        QVERIFY(!w->isVisible());
        QCOMPARE(f.player.Warteliste, w);
    }

    void searchButtonsNeedASelection()
    {
        Fenster f;
        frmSuchen* s = f.player.Suchen;
        s->txtSuchtext->setText(u"MP3 b"_s);
        QCOMPARE(s->lblTreffer->text(), u"1 Treffer"_s);
        focus(s, s->combosuchen);
        s->cmdWarteListe->click();
        s->cmdJetztSpielen->click();
        QCOMPARE(f.dialogs.messages, QStringList{u"Kein Eintrag markiert"_s});
        QCOMPARE(f.sitzung->warteliste().Wartend(), 0);
        QVERIFY(f.engine->calls.size() == 1); // only the "Open" of the start

        QTest::keyClick(s->combosuchen, Qt::Key_Space);
        s->cmdJetztSpielen->click();
        QCOMPARE(QString::fromStdString(f.engine->fileName.filename()), u"b.mp3"_s);
        s->cmdWarteListe->click();
        QCOMPARE(f.panel(u"Warteliste"_s), u"1"_s);
        // An empty search text shows nothing and hides the buttons.
        s->txtSuchtext->setText(QString());
        QCOMPARE(s->lblTreffer->text(), u"0 Treffer"_s);
        QVERIFY(!s->cmdJetztSpielen->isVisible());
    }

    void sourcePathsOfAFirstStartSurvive()
    {
        Ordner o;
        o.write(u"home/Music/lied.mp3"_s);
        qputenv("HOME", o.path(u"home"_s).toUtf8());
        const auto start = [&] {
            auto sitzung = std::make_unique<Sitzung>(std::make_unique<FakeEngine>(), o.path());
            sitzung->starten();
            return sitzung;
        };
        {
            auto sitzung = start();
            QCOMPARE(sitzung->bibliothek().size(), 1);
            FakeDialogs dialogs;
            frmPlayer player(*sitzung, dialogs);
            player.mnuPfade_Click();
            QCOMPARE(player.Quellpfad->lstPfade->count(), 1);
            player.Quellpfad->cmdZurück->click();
        }
        QCOMPARE(o.read(u"Quellpfad.wob"_s), o.path(u"home/Music"_s).toUtf8() + ";\r\n");
        QCOMPARE(start()->bibliothek().size(), 1);
    }

    void sourcePathsByKeyboard()
    {
        Fenster f;
        f.player.mnuPfade_Click();
        frmQuellpfad* q = f.player.Quellpfad;
        q->txtEingabe->setText(u" \t/zwei \t "_s);
        q->cmdSpeichern->click();
        q->txtEingabe->setText(u"/drei;vier"_s);
        q->cmdSpeichern->click();
        QCOMPARE(f.dialogs.messages,
                 QStringList{u"Achtung: Ein Quellpfad darf kein \";\" enthalten."_s});
        focus(q, q->lstPfade);
        QVERIFY(q->txtEingabe->text() != q->lstPfade->item(0)->text());
        QTest::keyClick(q->lstPfade, Qt::Key_Down);
        QCOMPARE(q->txtEingabe->text(), u"\t/zwei \t"_s);
        q->cmdlöschen->click();
        QCOMPARE(q->lstPfade->count(), 1);
    }

    void failedSaveAsksBeforeTheEnd()
    {
        Fenster f("10200\r\n");
        QSignalSpy ende(&f.player, &frmPlayer::Programmende);
        QFile::remove(f.ordner.path(u"Einstellungen.wob"_s));
        QDir().mkpath(f.ordner.path(u"Einstellungen.wob/x"_s));
        f.dialogs.answers = {true, false};
        QVERIFY(!f.player.close());
        QCOMPARE(f.dialogs.questions.size(), 2);
        QVERIFY(f.dialogs.questions.last().contains(
            u"Einstellungen.wob: An ihrer Stelle steht ein Ordner."_s));
        QVERIFY(ende.isEmpty());
        // Once the folder is gone the end goes through; an open settings window,
        // which shows only the digits 1 as ticked, copies its boxes back only
        // after the file is written.
        QVERIFY(QDir(f.ordner.path(u"Einstellungen.wob"_s)).removeRecursively());
        f.player.mnuEinstellungen_Click();
        frmEinstellungen* e = f.player.Einstellungen;
        QVERIFY(e->checkBox[0]->isChecked() && !e->checkBox[2]->isChecked());
        e->checkBox[1]->setChecked(true);
        f.dialogs.answers = {true};
        QVERIFY(f.player.close());
        QCOMPARE(ende.size(), 1);
        QCOMPARE(f.ordner.read(u"Einstellungen.wob"_s), "10200\r\n"_ba);
        QCOMPARE(f.sitzung->optionen().zeile(), u"11000"_s);
    }

    // Each is a window of its own on the desktop, not kept above the main window.
    void escapeLeavesEachWindowAsZurueck()
    {
        Fenster f;
        const struct {
            void (frmPlayer::*oeffnen)();
            const char* titel;
            bool bleibt; // the queue and search windows only hide
        } faelle[] = {
            {&frmPlayer::mnuwarteliste_Click, "Warteliste", true},
            {&frmPlayer::mnuSuchen_Click, "Suchen", true},
            {&frmPlayer::mnuEinstellungen_Click, "Einstellungen", false},
            {&frmPlayer::mnuPfade_Click, "Quellpfade ändern", false},
            {&frmPlayer::mnuInfo_Click, "Info", false},
        };
        for (const auto& fall : faelle) {
            (f.player.*fall.oeffnen)();
            QPointer<QWidget> fenster;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->windowTitle() == QString::fromUtf8(fall.titel))
                    fenster = w;
            QVERIFY(!fenster->windowHandle()->transientParent());
            QApplication::setActiveWindow(fenster);
            QVERIFY(QTest::qWaitForWindowActive(fenster));
            // Sent where the keyboard is: in the search window, its text box.
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            if (fall.bleibt)
                QVERIFY(fenster && !fenster->isVisible());
            else
                QTRY_VERIFY(!fenster);
        }
    }

    void mainWindowWithoutAMouse()
    {
        Fenster f;
        f.engine->length = 200000;
        f.player.mscMusik->play->click();
        // A screen reader sets the bar's value to seek, as a click there does.
        QAccessibleValueInterface* wert =
            QAccessible::queryAccessibleInterface(f.player.Fortschritt)->valueInterface();
        wert->setCurrentValue(25);
        for (const double keinOrt : {qQNaN(), qInf()})
            wert->setCurrentValue(keinOrt);
        QCOMPARE(f.engine->calls.filter(u"Seek"_s), QStringList{u"Seek 50000"_s});
        // The switch that takes the place of the pressed one takes its focus too.
        QApplication::setActiveWindow(&f.player);
        QVERIFY(QTest::qWaitForWindowActive(&f.player));
        f.player.cmdVolume->setFocus();
        QTest::keyClick(f.player.cmdVolume, Qt::Key_Space);
        QVERIFY(f.player.cmdnovolume->hasFocus());
    }
};

QTEST_MAIN(FensterTest)
#include "tst_fenster.moc"
