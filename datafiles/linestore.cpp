#include "datafiles/linestore.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>

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

QString Lesen(const QString& Dateiname)
{
    QFile file(Dateiname);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // readLine reads up to the first LF only, however long the line is; a
    // device without an end (a pipe, /dev/zero) is cut off at a sane size.
    constexpr qint64 limit = 16 * 1024 * 1024;
    QByteArray line = file.readLine(limit);
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(line);
    if (utf8.hasError())
        return fromWindows1252(line);
    return text;
}

bool Speichern(const QString& Text, const QString& Dateiname)
{
    QSaveFile file(Dateiname);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(Text.toUtf8());
    file.write("\r\n");
    return file.commit();
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
