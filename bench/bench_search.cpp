// Search while typing over a 1,000,000-entry library: the time from a change
// of the search text to the filled and painted hit list, through the search
// window's own change handler, next to a grep pipeline over the same names.

#include "core/sitzung.h"
#include "gui/dialogs.h"
#include "gui/frmsuchen.h"
#include "tests/support/fakeengine.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

// TL_BENCH_FILES=N for a library of N entries.
const int libraryEntries = qEnvironmentVariableIsSet("TL_BENCH_FILES")
                               ? qEnvironmentVariableIntValue("TL_BENCH_FILES")
                               : 1000000;

// File names: artist, title and file type drawn from short lists, so that an artist's name
// and a title word together hit about one entry in two hundred.
QStringList makeLibrary()
{
    const QStringList vornamen{
        QStringLiteral("Jürgen"),  QStringLiteral("Björn"), QStringLiteral("Käthe"),
        QStringLiteral("Günther"), QStringLiteral("Sören"), QStringLiteral("Anneliese"),
        QStringLiteral("Heinz"),   QStringLiteral("Lena"),  QStringLiteral("Ömer"),
        QStringLiteral("Frieda"),  QStringLiteral("Udo"),   QStringLiteral("Bärbel"),
        QStringLiteral("Konrad"),  QStringLiteral("Till"),  QStringLiteral("Jörg"),
        QStringLiteral("Ute")};
    const QStringList nachnamen{
        QStringLiteral("Müller"),  QStringLiteral("Schröder"), QStringLiteral("Weißbach"),
        QStringLiteral("Krämer"),  QStringLiteral("Hölzl"),    QStringLiteral("Fischer"),
        QStringLiteral("Bäcker"),  QStringLiteral("Öztürk"),   QStringLiteral("Wagner"),
        QStringLiteral("Lößnitz"), QStringLiteral("Becker"),   QStringLiteral("Schäfer"),
        QStringLiteral("Koch"),    QStringLiteral("Jäger"),    QStringLiteral("Brückner"),
        QStringLiteral("Vogel"),   QStringLiteral("Zöllner"),  QStringLiteral("Hoffmann"),
        QStringLiteral("Kühn"),    QStringLiteral("Fuchs")};
    const QStringList eigenschaften{QStringLiteral("Blaue"),  QStringLiteral("Späte"),
                                    QStringLiteral("Kühle"),  QStringLiteral("Wilde"),
                                    QStringLiteral("Süße"),   QStringLiteral("Große"),
                                    QStringLiteral("Dunkle"), QStringLiteral("Helle"),
                                    QStringLiteral("Müde"),   QStringLiteral("Stille")};
    const QStringList dinge{QStringLiteral("Sommernacht"),   QStringLiteral("Winterreise"),
                            QStringLiteral("Regenbogen"),    QStringLiteral("Sonne"),
                            QStringLiteral("Mondlicht"),     QStringLiteral("Liebe"),
                            QStringLiteral("Straße"),        QStringLiteral("Brücke"),
                            QStringLiteral("Träume"),        QStringLiteral("Wälder"),
                            QStringLiteral("Flüsse"),        QStringLiteral("Feuer"),
                            QStringLiteral("Sternschnuppe"), QStringLiteral("Heimkehr"),
                            QStringLiteral("Gärten"),        QStringLiteral("Tränen"),
                            QStringLiteral("Küste"),         QStringLiteral("Glocken")};
    const QStringList zusaetze{QString(),
                               QString(),
                               QString(),
                               QStringLiteral(" (Live)"),
                               QStringLiteral(" - Remix"),
                               QStringLiteral(" Teil 2")};
    const QStringList endungen{QStringLiteral(".mp3"), QStringLiteral(".mp3"),
                               QStringLiteral(".mp3"), QStringLiteral(".wma"),
                               QStringLiteral(".wav"), QStringLiteral(".mid"),
                               QStringLiteral(".mpg"), QStringLiteral(".avi")};

    QRandomGenerator zufall(20240601);
    const auto eins = [&](const QStringList& liste) {
        return liste.at(zufall.bounded(static_cast<int>(liste.size())));
    };
    QStringList eintraege;
    eintraege.reserve(libraryEntries);
    for (int N = 0; N < libraryEntries; ++N)
        eintraege.append(eins(vornamen) + u' ' + eins(nachnamen) + QStringLiteral(" - ") +
                         eins(eigenschaften) + u' ' + eins(dinge) + eins(zusaetze) +
                         eins(endungen));
    return eintraege;
}

// Milliseconds the caller's thread spends in building a search index of the
// entries, and until the index is in place.
std::pair<double, double> buildIndex(const QStringList& eintraege)
{
    Suche index;
    QEventLoop warten;
    QObject::connect(&index, &Suche::bereit, &warten, &QEventLoop::quit);
    QElapsedTimer uhr;
    uhr.start();
    index.setInhalt(eintraege);
    const double blockiert = static_cast<double>(uhr.nsecsElapsed()) / 1e6;
    warten.exec();
    return {blockiert, static_cast<double>(uhr.nsecsElapsed()) / 1e6};
}

// The session's own index is built in the background: the search is ready
// once it is in place.
void awaitSearch(const Sitzung& sitzung)
{
    while (!sitzung.suche().istBereit())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

double median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

struct Messung {
    double gefuellt; // the handler has run: hits searched, list model filled, buttons, counter
    double gezeigt;  // and the events it caused are done: the hit list laid out and painted
    int treffer;
};

// Medians in milliseconds from setting the search text.
Messung timeTyping(frmSuchen& suchen, const QString& text, int runs)
{
    std::vector<double> gefuellt, gezeigt;
    for (int i = 0; i < runs; ++i) {
        // A text that no entry holds, so that the search after it scans the
        // whole library rather than the last hits.
        suchen.txtSuchtext->setText(QStringLiteral("\u0001"));
        suchen.txtSuchtext->setText(QString());
        QCoreApplication::processEvents();
        QElapsedTimer uhr;
        uhr.start();
        suchen.txtSuchtext->setText(text);
        gefuellt.push_back(static_cast<double>(uhr.nsecsElapsed()) / 1e6);
        QCoreApplication::processEvents();
        gezeigt.push_back(static_cast<double>(uhr.nsecsElapsed()) / 1e6);
    }
    return {median(gefuellt), median(gezeigt), suchen.combosuchen->model()->rowCount()};
}

// Typing a text one key at a time: the slowest key to painted, in milliseconds.
double slowestKey(frmSuchen& suchen, const QString& text, int runs)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        suchen.txtSuchtext->setText(QStringLiteral("\u0001"));
        suchen.txtSuchtext->setText(QString());
        QCoreApplication::processEvents();
        double langsamste = 0;
        for (qsizetype n = 1; n <= text.size(); ++n) {
            QElapsedTimer uhr;
            uhr.start();
            suchen.txtSuchtext->setText(text.left(n));
            QCoreApplication::processEvents();
            langsamste = std::max(langsamste, static_cast<double>(uhr.nsecsElapsed()) / 1e6);
        }
        ms.push_back(langsamste);
    }
    return median(ms);
}

double timeGrep(const QString& datei, const QString& wort1, const QString& wort2, int runs,
                int& zeilen)
{
    const QString befehl =
        QStringLiteral("grep -iF -- '%1' '%3' | grep -iF -- '%2'").arg(wort1, wort2, datei);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QProcess sh;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        sh.setProcessEnvironment(env);
        QElapsedTimer uhr;
        uhr.start();
        sh.start(QStringLiteral("sh"), {QStringLiteral("-c"), befehl});
        sh.waitForFinished();
        const QByteArray ausgabe = sh.readAllStandardOutput();
        ms.push_back(static_cast<double>(uhr.nsecsElapsed()) / 1e6);
        zeilen = static_cast<int>(ausgabe.count('\n'));
    }
    return median(ms);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The library as the player reads it: empty files, 500 to a folder (a
    // name drawn twice in one folder is one file).
    QTemporaryDir ordner;
    const QStringList namen = makeLibrary();
    for (int N = 0; N < libraryEntries; ++N) {
        const QString folder = ordner.filePath(QStringLiteral("M/%1").arg(N / 500));
        if (N % 500 == 0)
            QDir().mkpath(folder);
        QFile(folder + u'/' + namen[N]).open(QIODevice::WriteOnly);
    }
    Speichern(ordner.filePath(QStringLiteral("M;")), ordner.filePath(QuellpfadDatei));
    Sitzung sitzung(std::make_unique<FakeEngine>(), ordner.path());
    QElapsedTimer uhr;
    uhr.start();
    sitzung.starten();
    const double gelesen = static_cast<double>(uhr.elapsed());
    awaitSearch(sitzung);
    const QStringList bibliothek = sitzung.bibliothek().sortierteTexte();
    const auto [blockiert, indiziert] = buildIndex(bibliothek);
    QtDialogs dialogs;
    frmSuchen suchen(sitzung, dialogs);
    suchen.show();
    QCoreApplication::processEvents();

    const QString datei = ordner.filePath(QStringLiteral("namen.txt"));
    QFile liste(datei);
    if (!liste.open(QIODevice::WriteOnly))
        return 1;
    liste.write(bibliothek.join(u'\n').toUtf8() + '\n');
    liste.close();

    const QString wort1 = QStringLiteral("müller");
    const QString wort2 = QStringLiteral("süße");
    int grepZeilen = 0;
    const Messung zwei = timeTyping(suchen, wort1 + u' ' + wort2, 51);
    // Only common letters: the character masks pass over fewer entries.
    const Messung gewoehnlich = timeTyping(suchen, QStringLiteral("heinz wilde"), 51);
    const Messung ein = timeTyping(suchen, QStringLiteral("e"), 21);
    const Messung alle = timeTyping(suchen, QStringLiteral(" "), 21);
    const double getippt = slowestKey(suchen, wort1 + u' ' + wort2, 11);
    const double grep = timeGrep(datei, wort1, wort2, 21, grepZeilen);

    std::printf("library: %d entries, read in %.0f ms; search index built in %.0f ms, of which "
                "%.2f ms on the calling thread\n",
                static_cast<int>(bibliothek.size()), gelesen, indiziert, blockiert);
    std::printf("medians in ms                  filled  painted  goal  hits\n");
    const auto zeile = [](const char* name, const Messung& m, int ziel) {
        std::printf("%-30s %6.2f  %7.2f  %4d  %d (%.2f %%)\n", name, m.gefuellt, m.gezeigt, ziel,
                    m.treffer, 100.0 * m.treffer / static_cast<double>(libraryEntries));
    };
    zeile(qPrintable(QStringLiteral("two words \"") + wort1 + u' ' + wort2 + u'"'), zwei, 8);
    zeile("two words \"heinz wilde\"", gewoehnlich, 8);
    zeile("one letter \"e\"", ein, 16);
    zeile("blank \" \"", alle, 16);
    std::printf("%-30s         %7.2f    16  (slowest key)\n",
                qPrintable(QStringLiteral("typing \"") + wort1 + u' ' + wort2 + u"\" key by key"),
                getippt);
    std::printf("%-30s %6.2f                 %d lines\n", "grep -iF | grep -iF", grep, grepZeilen);
    return zwei.treffer == grepZeilen ? 0 : 1;
}
