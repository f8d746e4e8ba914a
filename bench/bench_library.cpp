// The library build of the player against `find | sort -f` over the same tree,
// and the start-up of a whole process up to its first painted window.
//
//   bench_library ROOT [RUNS]   (5 runs when left out, at least 3)
#include "core/sitzung.h"
#include "gui/dialogs.h"
#include "gui/frmplayer.h"
#include "gui/stil.h"
#include "platform/fakeengine.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace
{

// Monotonic across processes, so a child can measure from its parent's spawn.
using Clock = std::chrono::steady_clock;

qint64 nowNs()
{
    return Clock::now().time_since_epoch() / std::chrono::nanoseconds(1);
}

template <typename F> double secondsOf(F&& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

long peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

// Reports the time from the parent's spawn to the end of the first paint, and
// the peak memory until then, and leaves the event loop.
class FirstPaint final : public QObject
{
public:
    explicit FirstPaint(qint64 spawnedAt) : m_spawnedAt(spawnedAt) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Queued, so that the whole window has painted and been flushed.
            QTimer::singleShot(0, [this] {
                std::printf("%lld %ld\n", static_cast<long long>(nowNs() - m_spawnedAt),
                            peakRssKb());
                std::fflush(stdout);
                // Not quit(): that would close the window, and the window asks first.
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    qint64 m_spawnedAt;
    bool m_seen = false;
};

// The program's start-up, over an engine without sound.
int startUp(qint64 spawnedAt, int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setStyleSheet(Stil());
    Sitzung sitzung(std::make_unique<FakeEngine>());
    QtDialogs dialogs;
    frmPlayer player(sitzung, dialogs);
    player.Form_Load();
    FirstPaint firstPaint(spawnedAt);
    app.installEventFilter(&firstPaint);
    player.show();
    return QApplication::exec();
}

struct StartUp {
    double seconds;
    long peakKb;
};

// Nothing when the child failed or hung (a window that waits for an answer).
std::optional<StartUp> measureStartUp(const QString& workDir)
{
    QProcess child;
    child.setWorkingDirectory(workDir);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--startup"), QString::number(nowNs())});
    if (!child.waitForFinished(600'000)) {
        child.kill();
        child.waitForFinished();
        return std::nullopt;
    }
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (child.exitCode() != 0 || fields.size() != 2)
        return std::nullopt;
    return StartUp{fields[0].toLongLong() / 1e9, fields[1].toLong()};
}

// find prints the names, sort folds their case: the plain tools' idea of a sorted library.
double findAndSort(const QString& root)
{
    return secondsOf([&] {
        QProcess::execute(
            QStringLiteral("sh"),
            {QStringLiteral("-c"),
             QStringLiteral("find \"$1\" -type f -printf '%f\\n' | sort -f >/dev/null"),
             QStringLiteral("sh"), root});
    });
}

qsizetype countFiles(const QString& root)
{
    QProcess find;
    find.start(QStringLiteral("sh"),
               {QStringLiteral("-c"), QStringLiteral("find \"$1\" -type f | wc -l"),
                QStringLiteral("sh"), root});
    find.waitForFinished(-1);
    return find.readAllStandardOutput().trimmed().toLongLong();
}

void writeFile(const QString& name, const QByteArray& content)
{
    QFile file(name);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

QByteArray runsText(const std::vector<double>& runs)
{
    QByteArray text;
    for (const double r : runs)
        text += QByteArray::number(r, 'f', 3) + ' ';
    return text.trimmed();
}

const char* verdict(bool ok)
{
    return ok ? "ok" : "MISSED";
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::span<char*> args(argv, size_t(argc));
    if (args.size() == 3 && std::string_view(args[1]) == "--startup")
        return startUp(std::atoll(args[2]), argc, argv);
    if (args.size() != 2 && args.size() != 3) {
        std::fprintf(stderr, "usage: bench_library ROOT [RUNS]\n");
        return 2;
    }
    const int runs = std::max(3, args.size() == 3 ? std::atoi(args[2]) : 5);

    QApplication app(argc, argv);
    const QString root = QDir(QFile::decodeName(args[1])).absolutePath();
    if (!QFileInfo(root).isDir()) {
        std::fprintf(stderr, "bench_library: %s is no folder\n", args[1]);
        return 2;
    }
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    writeFile(QStringLiteral("Quellpfad.wob"), root.toUtf8() + ";\r\n");
    writeFile(QStringLiteral("Einstellungen.wob"), "00000\r\n");

    // Also warms the cache, so that every run below reads the same way.
    const qsizetype files = countFiles(root);
    std::vector<double> walk, build, tools, startUps;
    long peakKb = 0;
    qsizetype entries = 0;
    for (int run = 0; run < runs; ++run) {
        tools.push_back(findAndSort(root));
        {
            Bibliothek bibliothek;
            walk.push_back(
                secondsOf([&] { bibliothek.AlleDateienAusAllenPfadenEinlesen({root}, true); }));
        }
        {
            Sitzung sitzung(std::make_unique<FakeEngine>());
            build.push_back(secondsOf([&] { sitzung.starten(); }));
            entries = sitzung.bibliothek().size();
        }
        const std::optional<StartUp> s = measureStartUp(work.path());
        if (!s) {
            std::fprintf(stderr, "bench_library: the start-up did not reach its first paint\n");
            return 1;
        }
        startUps.push_back(s->seconds);
        peakKb = std::max(peakKb, s->peakKb);
    }

    const double ratio = median(build) / median(tools);
    const char* collation = std::getenv("LC_ALL");
    if (!collation || !*collation)
        collation = std::getenv("LC_COLLATE");
    if (!collation || !*collation)
        collation = std::getenv("LANG");
    // The goals hold for 100,000 files; from a million on the build may take a little longer.
    const double ratioGoal = files >= 1000000 ? 1.2 : 1.0;
    const bool startUpGoals = files <= 100000;
    std::printf("tree %s: %lld files, %lld library entries; sort collation %s\n", qPrintable(root),
                static_cast<long long>(files), static_cast<long long>(entries),
                collation && *collation ? collation : "C");
    std::printf("%-34s %8s   runs\n", "", "median");
    std::printf("%-34s %8.3f s %s\n", "library build (start-up)", median(build),
                runsText(build).constData());
    std::printf("%-34s %8.3f s %s\n", "  of which the folder walk", median(walk),
                runsText(walk).constData());
    std::printf("%-34s %8.3f s %s\n", "find | sort -f", median(tools), runsText(tools).constData());
    std::printf("%-34s %8.2f     goal <= %.1f: %s\n", "ratio build / find|sort", ratio, ratioGoal,
                verdict(ratio <= ratioGoal));
    std::printf("%-34s %8.3f s %s", "start-up to first paint", median(startUps),
                runsText(startUps).constData());
    if (startUpGoals)
        std::printf("   goal <= 0.8 s: %s", verdict(median(startUps) <= 0.8));
    std::printf("\n");
    std::printf("%-34s %8.1f MiB", "peak RSS of the start-up", peakKb / 1024.0);
    if (startUpGoals)
        std::printf("   goal <= 120: %s", verdict(peakKb <= 120 * 1024));
    std::printf("\n");
    return 0;
}
