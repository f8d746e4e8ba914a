// The windows over a session, used with real focus and selection.
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
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
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

    // Edits with a selection are the journeys' part; without one, nothing
    // changes and only the queue's and the search's add tell why.
    void buttonsNeedASelection()
    {
        Fenster f("00000\r\n", "a.mp3/b.mp3/\r\n");
        frmWarteliste* w = f.player.Warteliste;
        focus(w, w->comboLieder);
        press(w, u".... Hinzufügen"_s);
        focus(w, w->combowarteliste);
        for (const char* button : {".... Entfernen", "Hoch", "Runter"})
            press(w, QString::fromUtf8(button));
        frmSuchen* s = f.player.Suchen;
        s->txtSuchtext->setText(u"MP3 b"_s);
        focus(s, s->combosuchen);
        s->cmdWarteListe->click();
        s->cmdJetztSpielen->click();
        QCOMPARE(f.dialogs.messages, (QStringList{u"Achtung: Sie haben keinen Eintrag markiert."_s,
                                                  u"Kein Eintrag markiert"_s}));
        QCOMPARE(f.sitzung->warteliste().WartelisteSpeichern(), u"a.mp3/b.mp3/"_s);
        QVERIFY(f.engine->calls.size() == 1); // only the "Open" of the start
        // The queue's count shows at once when the search adds to it.
        QTest::keyClick(s->combosuchen, Qt::Key_Space);
        s->cmdWarteListe->click();
        QCOMPARE(f.panel(u"Warteliste"_s), u"3"_s);
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

    // Each is a window of its own on the desktop, not kept above the main
    // window. How Escape leaves each, the journeys check.
    void eachWindowIsOwnerless()
    {
        Fenster f;
        for (const auto oeffnen : {&frmPlayer::mnuwarteliste_Click, &frmPlayer::mnuSuchen_Click,
                                   &frmPlayer::mnuEinstellungen_Click, &frmPlayer::mnuPfade_Click,
                                   &frmPlayer::mnuInfo_Click})
            (f.player.*oeffnen)();
        int fenster = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != &f.player && w->isVisible() && ++fenster)
                QVERIFY(!w->windowHandle()->transientParent());
        QCOMPARE(fenster, 5);
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
