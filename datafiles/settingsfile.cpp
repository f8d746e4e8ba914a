#include "datafiles/linestore.h"
#include "player/frmplayer.h"

void frmPlayer::EinstellungenWiederherstellen(const QString& Dateiname)
{
    const QString zeile = Lesen(Dateiname);
    // A position that is missing or holds no digit counts as 0.
    const auto stelle = [&](int k) {
        const QChar c = k < zeile.size() ? zeile.at(k) : QChar();
        return c >= u'0' && c <= u'9' ? c.unicode() - u'0' : 0;
    };
    WartelisteninhaltSpeichern = stelle(0);
    Zufallsstart = stelle(1);
    BeimStartLiedSpielen = stelle(2);
    MinimiertStarten = stelle(3);
    DateiEndungenRegel = stelle(4);
    if (Zufallsstart == 1)
        ZufallEinAus(QStringLiteral("Ein"));
    if (MinimiertStarten == 1)
        mnuminimieren_Click();
    m_AlleDateien = DateiEndungenRegel == 0;
}

void frmPlayer::EinstellungenSpeichern(const QString& Dateiname)
{
    Speichern(QString::number(WartelisteninhaltSpeichern) + QString::number(Zufallsstart) +
                  QString::number(BeimStartLiedSpielen) + QString::number(MinimiertStarten) +
                  QString::number(DateiEndungenRegel),
              Dateiname);
}
