// The window that counts the tracks of a long library read.
#include "gui/frmplayer.h"
#include "tests/support/fakes.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QSemaphore>
#include <QTest>

using namespace std::chrono_literals;

const QString zwei = QStringLiteral("2 Lieder gefunden");

// Notes every count the window paints; once it has painted two, a read that
// waits may go on.
class Zuschauer final : public QObject
{
public:
    QStringList gesehen;
    QSemaphore weiter;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
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
    void countOnlyForASlowRead_data()
    {
        QTest::addColumn<bool>("langsam");
        QTest::newRow("fast") << false;
        QTest::newRow("slow") << true;
    }

    void countOnlyForASlowRead()
    {
        QFETCH(bool, langsam);
        SitzungFixture f({QStringLiteral("a.mp3"), QStringLiteral("b.mp3")});
        // A second folder whose read, when slow, waits until the first one's count is seen.
        const QString zweiter = f.ordner.path(QStringLiteral("Z"));
        QDir().mkpath(zweiter);
        f.ordner.write(
            QStringLiteral("Quellpfad.wob"),
            QFile::encodeName(f.ordner.path(QStringLiteral("M")) + u';' + zweiter + u';'));
        Zuschauer zuschauer;
        qApp->installEventFilter(&zuschauer);
        if (langsam)
            f.sitzung->bibliothek().setOrdnerLeser([&](const NativePath& folder) {
                if (folder == QFile::encodeName(zweiter).toStdString())
                    zuschauer.weiter.tryAcquire(1, 20s); // never hang, whatever goes wrong
                return GetFolder(folder);
            });
        FakeDialogs dialogs;
        frmPlayer player(*f.sitzung, dialogs);
        player.Form_Load();
        QCOMPARE(zuschauer.gesehen.contains(zwei), langsam);
        QVERIFY(langsam || zuschauer.gesehen.isEmpty());
    }
};

QTEST_MAIN(LadenTest)
#include "tst_laden.moc"
