#include "core/linestore.h"

#include "core/dateischreiben.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>
#include <cerrno>

namespace
{

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
QString fromWindows1252(QByteArrayView bytes)
{
    static constexpr char16_t high[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(high[b - 0x80]) : QChar(char16_t(b));
    }
    return text;
}

} // namespace

QString ersteZeile(QByteArrayView bytes)
{
    if (const qsizetype lf = bytes.indexOf('\n'); lf >= 0)
        bytes = bytes.first(lf);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return fromWindows1252(bytes);
    return text;
}

QString Lesen(const QString& Dateiname)
{
    // Only a file: opening a pipe would hold the start until something writes
    // to it, and a device such as /dev/zero never ends.
    QFile file(Dateiname);
    if (!zumLesenOeffnen(file))
        return {};
    // Read in blocks up to the first LF; a file without one is cut off at a
    // sane size.
    constexpr qint64 limit = 16 * 1024 * 1024;
    QByteArray line;
    while (line.size() < limit) {
        const QByteArray block = file.read(std::min<qint64>(64 * 1024, limit - line.size()));
        line += block;
        if (block.isEmpty() || block.contains('\n'))
            break;
    }
    return ersteZeile(line);
}

bool Speichern(const QString& Text, const QString& Dateiname, QString* grund)
{
    Schreibfehler fehler;
    if (dateiErsetzen(Dateiname, Dateiart::Daten, QByteArray(Text.toUtf8() + "\r\n"), &fehler))
        return true;
    if (grund) {
        const QFileInfo info(Dateiname);
        const QFileInfo ordner(info.absolutePath());
        const int e = fehler.fehler;
        if (fehler.art == Schreibfehler::fremderVerweis)
            *grund = QStringLiteral("An ihrer Stelle steht ein Verweis eines anderen Benutzers.");
        else if (fehler.art == Schreibfehler::keineDatei)
            *grund = QStringLiteral("An ihrer Stelle steht keine gewöhnliche Datei.");
        else if (info.isDir())
            *grund = QStringLiteral("An ihrer Stelle steht ein Ordner.");
        else if (!ordner.isDir())
            *grund = QStringLiteral("Der Ordner %1 fehlt.")
                         .arg(QDir::toNativeSeparators(ordner.filePath()));
        else if (e == ENOSPC || e == EDQUOT)
            *grund = QStringLiteral("Der Datenträger ist voll.");
        else if (e == EACCES || e == EPERM || e == EROFS || e == ENOENT)
            *grund = QStringLiteral("Keine Schreibberechtigung.");
        else
            *grund = QStringLiteral("Schreibfehler (%1).").arg(qt_error_string(e));
    }
    return false;
}

QStringList teileLesen(const QString& zeile, QChar trenner)
{
    return zeile.split(trenner, Qt::SkipEmptyParts);
}

QString teileSchreiben(const QStringList& teile, QChar trenner)
{
    QString zeile;
    for (const QString& teil : teile)
        zeile += teil + trenner;
    return zeile;
}

QString ohneRandLeerzeichen(const QString& text)
{
    qsizetype anfang = 0;
    qsizetype ende = text.size();
    while (anfang < ende && text.at(anfang) == u' ')
        ++anfang;
    while (ende > anfang && text.at(ende - 1) == u' ')
        --ende;
    return text.mid(anfang, ende - anfang);
}
