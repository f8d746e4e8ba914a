// Files and folders handed to the player from outside, dropped on the main
// window as a file manager drops them.
#include "gui/frmplayer.h"
#include "tests/support/fakes.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWindow>

using namespace Qt::StringLiterals;

class OeffnenTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
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
        SitzungFixture s({u"a.mp3"_s, u"z.mp3"_s}, settings);
        FakeDialogs dialogs;
        frmPlayer player(*s.sitzung, dialogs);
        player.Form_Load();
        player.show();
        QVERIFY(QTest::qWaitForWindowExposed(&player));
        for (const QString& datei : {u"X/b.wav"_s, u"X/d.txt"_s, u"X/A/c.mp3"_s})
            s.ordner.write(datei);
        QMimeData daten;
        daten.setUrls({QUrl::fromLocalFile(s.ordner.path(u"X"_s)),
                       QUrl::fromLocalFile(s.ordner.path(u"M/a.mp3"_s)),
                       QUrl(u"https://example.invalid/e.mp3"_s)});
        // File managers offer the paths as text too, which the chooser's text box would take.
        daten.setText(s.ordner.path(u"X"_s));
        QLineEdit* text = player.LIST1->lineEdit();
        const QPointF stelle = text->mapTo(&player, text->rect().center());
        QDragEnterEvent betreten(stelle.toPoint(), Qt::CopyAction, &daten, Qt::LeftButton, {});
        QCoreApplication::sendEvent(player.windowHandle(), &betreten);
        QVERIFY(betreten.isAccepted());
        QDropEvent fallen(stelle, Qt::CopyAction, &daten, Qt::LeftButton, {});
        QCoreApplication::sendEvent(player.windowHandle(), &fallen);
        QVERIFY(fallen.isAccepted());
        QCOMPARE(s.engine->calls.filter(u"FileName"_s).join(u'|'),
                 u"FileName "_s + s.ordner.path(u"X/b.wav"_s));
        QTEST(s.sitzung->warteliste().WartelisteSpeichern(), "queue");
        QCOMPARE(player.LIST1->currentText(), u"b.wav   #3#"_s);
    }
};

QTEST_MAIN(OeffnenTest)
#include "tst_oeffnen.moc"
