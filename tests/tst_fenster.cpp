// The windows over a session, used with real focus and selection; files
// dropped on them; the end from outside; the count of a long library read.
#include "desktop/sitzungsende.h"
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
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSessionManager>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QWindow>
#include <csignal>

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

// Notes when the read's window shows and every count it paints; once it has
// painted two, a read that waits may go on.
class Zuschauer final : public QObject
{
public:
    QElapsedTimer seitStart;
    qint64 gezeigtNach = -1; // ms
    QStringList gesehen;
    QSemaphore weiter;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == u"frmLaden" &&
            gezeigtNach < 0)
            gezeigtNach = seitStart.elapsed();
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
        QCOMPARE(f.engine->position, qint64(50000));
        // The switch that takes the place of the pressed one takes its focus too.
        QApplication::setActiveWindow(&f.player);
        QVERIFY(QTest::qWaitForWindowActive(&f.player));
        f.player.cmdVolume->setFocus();
        QTest::keyClick(f.player.cmdVolume, Qt::Key_Space);
        QVERIFY(f.player.cmdnovolume->hasFocus());
    }

    void dropOpensAsTheCommandLine_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("queue");
        // The folder X holds b.wav, d.txt and A/c.mp3, which its walk finds first.
        QTest::newRow("extension rule on") << "00001\r\n"_ba << u"c.mp3/a.mp3/"_s;
        QTest::newRow("extension rule off") << "00000\r\n"_ba << u"c.mp3/d.txt/a.mp3/"_s;
    }

    void dropOpensAsTheCommandLine()
    {
        QFETCH(QByteArray, settings);
        Fenster f(settings, {}, {u"a.mp3"_s, u"z.mp3"_s});
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
        QTEST(f.sitzung->warteliste().WartelisteSpeichern(), "queue");
        QCOMPARE(f.player.LIST1->currentText(), u"b.wav   #3#"_s);
    }

    // A signal reaches the event loop, and the main window then saves as its
    // close with Ja does, without a question.
    void endFromOutside()
    {
        for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
            const Sitzungsende sitzungsende;
            QSignalSpy ende(&sitzungsende, &Sitzungsende::ende);
            QCOMPARE(std::raise(signal), 0);
            QVERIFY(ende.wait());
        }
        // Random play at start takes b.mp3 from the queue.
        Fenster f("11000\r\n", "b.mp3/c.mp3/\r\n");
        QSignalSpy ende(&f.player, &frmPlayer::Programmende);
        QFile::remove(f.ordner.path(u"Einstellungen.wob"_s));
        QDir().mkpath(f.ordner.path(u"Einstellungen.wob/x"_s));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"Einstellungen\\.wob"_s));
        f.player.ohneFrageBeenden();
        QCOMPARE(ende.size(), 1);
        QCOMPARE(f.ordner.read(u"Warteliste.wob"_s), "c.mp3/\r\n"_ba);
        // The close that the session manager sends afterwards asks nothing either.
        QVERIFY(f.player.close());
        QCOMPARE(f.dialogs.questions, QStringList());
    }

    // A logout saves what there is and leaves the player running, since it
    // may still be cancelled; once it goes ahead, the player ends, asking nothing.
    void logoutCancelledOrNot()
    {
        Fenster f("10000\r\n", "b.mp3/\r\n");
        Sitzungsende sitzungsende;
        QObject::connect(&sitzungsende, &Sitzungsende::ende, &f.player,
                         &frmPlayer::ohneFrageBeenden);
        QObject::connect(&sitzungsende, &Sitzungsende::sichern, &f.player,
                         &frmPlayer::ohneFrageSpeichern);
        QSignalSpy ende(&f.player, &frmPlayer::Programmende);
        f.sitzung->warteliste().anhaengen(f.sitzung->bibliothek().nummer(0));
        auto* sitzungsmanager = qApp->findChild<QSessionManager*>();
        QVERIFY(sitzungsmanager);
        Q_EMIT qApp->commitDataRequest(*sitzungsmanager);
        QCOMPARE(f.ordner.read(u"Warteliste.wob"_s), "b.mp3/a.mp3/\r\n"_ba);
        QCOMPARE(ende.size(), 0);
        QEvent weiter(QEvent::Quit);
        QCoreApplication::sendEvent(qApp, &weiter);
        QCOMPARE(ende.size(), 1);
        QCOMPARE(f.dialogs.questions, QStringList());
    }

    // A read that is over before the window's first tick never shows it, so a
    // start on a warm disk shows nothing; how long a read takes depends on the
    // machine's load, so the read here waits for the count instead.
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
        zuschauer.seitStart.start();
        player.Form_Load();
        QVERIFY(geladen.wait(30'000));
        QVERIFY(zuschauer.gesehen.contains(zwei));
        // Never before the first tick: a timer may fire up to 5 % early.
        QVERIFY2(zuschauer.gezeigtNach >= 380, qPrintable(QString::number(zuschauer.gezeigtNach)));
    }
};

QTEST_MAIN(FensterTest)
#include "tst_fenster.moc"
