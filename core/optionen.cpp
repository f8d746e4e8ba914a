#include "core/optionen.h"

Optionen Optionen::ausZeile(const QString& zeile)
{
    const auto stelle = [&](int k) {
        const QChar c = k < zeile.size() ? zeile.at(k) : QChar();
        return c >= u'0' && c <= u'9' ? c.unicode() - u'0' : 0;
    };
    return {stelle(0), stelle(1), stelle(2), stelle(3), stelle(4)};
}

QString Optionen::zeile() const
{
    return QString::number(WartelisteninhaltSpeichern) + QString::number(Zufallsstart) +
           QString::number(BeimStartLiedSpielen) + QString::number(MinimiertStarten) +
           QString::number(DateiEndungenRegel);
}
