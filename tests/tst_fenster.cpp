// The windows over a session, used with real focus and selection; files
// dropped on them; the end from outside; the count of a long library read.
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
#include <QMimeData>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace
{

// A started main window over a session.
struct Fenster : SitzungFixture {
    explicit Fenster(const QByteArray& settings = "00000\r\n", const QByteArray& queue = {},
                     const QStringList& music = {u"a.mp3"_s, u"b.mp3"_s, u"c.mp3"_s})
        : SitzungFixture(music, settings, queue), player(*sitzung, dialogs)
    {
        QSignalSpy geladen(&player, &frmPlayer::geladen);
        player.Form_Load();
        QVERIFY(geladen.wait());
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

const QString zwei = u"2 Lieder gefunden"_s;

// Notes what the read's window shows when it shows, and every count it
// paints; once it has painted two, a read that waits may go on.
class Zuschauer final : public QObject
{
public:
    QString gezeigt;
    QStringList gesehen;
    QSemaphore weiter;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == u"frmLaden")
            gezeigt = watched->findChild<QLabel*>(u"lblGefunden"_s)->text();
        if (event->type() == QEvent::Paint && watched->objectName() == u"lblGefunden") {
            gesehen.append(static_cast<QLabel*>(watched)->text());
            if (gesehen.last() == zwei)
                weiter.release();
        }
        return false;
    }
};

} // namespace

class FensterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The random switch's panel is the journeys' part.
    void mainWindowShowsTheSession()
    {
        Fenster f;
        f.engine->length = 200000;
        f.player.mscMusik->play->click();
        f.engine->position = 100000;
        f.sitzung->wiedergabe().Timer1_Timer();
        QCOMPARE(f.player.windowTitle(), u"Tonlaterne >> a.mp3     50 %"_s);
        QCOMPARE(f.player.Fortschritt->value(), 50);
        // A screen reader sets the bar's value to seek, as a click there does.
        QAccessibleValueInterface* wert =
            QAccessible::queryAccessibleInterface(f.player.Fortschritt)->valueInterface();
        wert->setCurrentValue(25);
        for (const double keinOrt : {qQNaN(), qInf()})
            wert->setCurrentValue(keinOrt);
        QCOMPARE(f.engine->position, qint64(50000));
        // The switch that takes the place of the pressed one takes its focus too.
        QApplication::setActiveWindow(&f.player);
        QVERIFY(QTest::qWaitForWindowActive(&f.player));
        f.player.cmdVolume->setFocus();
        QTest::keyClick(f.player.cmdVolume, Qt::Key_Space);
        QVERIFY(f.engine->silent && f.player.cmdnovolume->hasFocus() &&
                !f.player.cmdVolume->isVisible());
        QCOMPARE(f.panel(u"Modus"_s) + f.panel(u"Ton"_s), u"PLAYTon aus"_s);
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
        QTRY_VERIFY(f.sitzung->suche().istBereit());
        s->txtSuchtext->setText(u"MP3 b"_s);
        focus(s, s->combosuchen);
        s->cmdWarteListe->click();
        s->cmdJetztSpielen->click();
        QCOMPARE(f.dialogs.messages, (QStringList{u"Achtung: Sie haben keinen Eintrag markiert."_s,
                                                  u"Kein Eintrag markiert"_s}));
        QCOMPARE(f.sitzung->warteliste().WartelisteSpeichern(), u"a.mp3/b.mp3/"_s);
        QCOMPARE(f.engine->mode(), MediaEngine::Mode::NotReady);
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

    // The folder X holds b.wav, d.txt and A/c.mp3, which its walk finds first;
    // the extension rule leaves out d.txt.
    void dropOpensAsTheCommandLine()
    {
        Fenster f("00001\r\n", {}, {u"a.mp3"_s, u"z.mp3"_s});
        QVERIFY(QTest::qWaitForWindowExposed(&f.player));
        for (const QString& datei : {u"X/b.wav"_s, u"X/d.txt"_s, u"X/A/c.mp3"_s})
            f.ordner.write(datei);
        QMimeData daten;
        daten.setUrls({QUrl::fromLocalFile(f.ordner.path(u"X"_s)),
                       QUrl::fromLocalFile(f.ordner.path(u"M/a.mp3"_s)),
                       QUrl(u"https://example.invalid/e.mp3"_s)});
        // File managers offer the paths as text too, which the chooser's text box would take.
        daten.setText(f.ordner.path(u"X"_s));
        QLineEdit* text = f.player.LIST1->lineEdit();
        const QPointF stelle = text->mapTo(&f.player, text->rect().center());
        QDragEnterEvent betreten(stelle.toPoint(), Qt::CopyAction, &daten, Qt::LeftButton, {});
        QCoreApplication::sendEvent(f.player.windowHandle(), &betreten);
        QVERIFY(betreten.isAccepted());
        QDropEvent fallen(stelle, Qt::CopyAction, &daten, Qt::LeftButton, {});
        QCoreApplication::sendEvent(f.player.windowHandle(), &fallen);
        QVERIFY(fallen.isAccepted());
        QTRY_COMPARE(QString::fromStdString(f.engine->fileName), f.ordner.path(u"X/b.wav"_s));
        QCOMPARE(f.sitzung->warteliste().WartelisteSpeichern(), u"c.mp3/a.mp3/"_s);
        QCOMPARE(f.player.LIST1->currentText(), u"b.wav   #3#"_s);
    }

    // The read's window shows from its first tick on, with a count, so that a
    // read over before that tick (a start on a warm disk) shows nothing. The
    // read here waits for the count, however loaded the machine.
    void countOnlyOnceTheReadTakesLong()
    {
        SitzungFixture f({u"a.mp3"_s, u"b.mp3"_s});
        // A second folder whose read waits until the first one's count is seen.
        const QString zweiter = f.ordner.path(u"Z"_s);
        QDir().mkpath(zweiter);
        f.ordner.write(u"Quellpfad.wob"_s,
                       QFile::encodeName(f.ordner.path(u"M"_s) + u';' + zweiter + u';'));
        Zuschauer zuschauer;
        qApp->installEventFilter(&zuschauer);
        f.sitzung->bibliothek().setOrdnerLeser([&](const NativePath& folder) {
            if (folder == QFile::encodeName(zweiter).toStdString())
                zuschauer.weiter.tryAcquire(1, 20'000); // never hang, whatever goes wrong
            return GetFolder(folder);
        });
        FakeDialogs dialogs;
        frmPlayer player(*f.sitzung, dialogs);
        QSignalSpy geladen(&player, &frmPlayer::geladen);
        player.Form_Load();
        QVERIFY(geladen.wait(30'000));
        QVERIFY(zuschauer.gesehen.contains(zwei));
        QVERIFY(zuschauer.gezeigt.endsWith(u" Lieder gefunden"_s));
    }
};

QTEST_MAIN(FensterTest)
#include "tst_fenster.moc"
