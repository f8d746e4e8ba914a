// The window that counts the tracks of a long library read.
#include "gui/frmplayer.h"
#include "tests/support/fakes.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QSemaphore>
#include <QTest>

using namespace std::chrono_literals;

const QString zwei = QStringLiteral("2 Lieder gefunden");

// Notes when the window shows and every count it paints; once it has painted
// two, a read that waits may go on.
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

class LadenTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A read that is over before the window's first tick never shows it, so a
    // start on a warm disk shows nothing; how long a read takes depends on the
    // machine's load, so the read here waits for the count instead.
    void countOnlyOnceTheReadTakesLong()
    {
        SitzungFixture f({QStringLiteral("a.mp3"), QStringLiteral("b.mp3")});
        // A second folder whose read waits until the first one's count is seen.
        const QString zweiter = f.ordner.path(QStringLiteral("Z"));
        QDir().mkpath(zweiter);
        f.ordner.write(
            QStringLiteral("Quellpfad.wob"),
            QFile::encodeName(f.ordner.path(QStringLiteral("M")) + u';' + zweiter + u';'));
        Zuschauer zuschauer;
        qApp->installEventFilter(&zuschauer);
        f.sitzung->bibliothek().setOrdnerLeser([&](const NativePath& folder) {
            if (folder == QFile::encodeName(zweiter).toStdString())
                zuschauer.weiter.tryAcquire(1, 20s); // never hang, whatever goes wrong
            return GetFolder(folder);
        });
        FakeDialogs dialogs;
        frmPlayer player(*f.sitzung, dialogs);
        zuschauer.seitStart.start();
        player.Form_Load();
        QVERIFY(zuschauer.gesehen.contains(zwei));
        // Never before the first tick: a timer may fire up to 5 % early.
        QVERIFY2(zuschauer.gezeigtNach >= 380, qPrintable(QString::number(zuschauer.gezeigtNach)));
    }
};

QTEST_MAIN(LadenTest)
#include "tst_laden.moc"
