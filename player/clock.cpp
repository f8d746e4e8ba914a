#include "platform/mediadevice.h"
#include "platform/progressbar.h"
#include "platform/statusbar.h"
#include "player/frmplayer.h"
#include "windows/frmwarteliste.h"

#include <QLabel>
#include <QListWidget>

namespace
{

int wholeSeconds(qint64 ms)
{
    return static_cast<int>(ms / 1000);
}

} // namespace

void frmPlayer::Timer1_Timer()
{
    Wartend = Warteliste->combowarteliste->count();

    if (mscMusik->failed()) {
        // An unplayable file counts as ended; once every entry of the library
        // has failed in a row there is nothing left to try.
        if (++m_failedInARow >= m_sortiert.size()) {
            m_failedInARow = 0;
            mscMusik->pressStop();
            return;
        }
        m_Liedende = true;
    } else {
        if (mscMusik->Mode() == MediaEngine::ModePlaying)
            m_failedInARow = 0;
        const qint64 length = mscMusik->Length();
        if (length != 0 && mscMusik->Position() == length)
            m_Liedende = true;
    }
    if (m_Liedende)
        nextTrack();

    StatusBar->setPanelText(QStringLiteral("Warteliste"), QString::number(Wartend));
    const qint64 length = mscMusik->Length();
    const qint64 position = mscMusik->Position();
    lblDauerGesamt->setText(SekundenInMinuten(wholeSeconds(length)));
    lblDauerBisher->setText(SekundenInMinuten(wholeSeconds(position)));
    if (position != 0 && length != 0) {
        const int P = static_cast<int>(static_cast<double>(position) / length * 100.0);
        lblprozent->setText(QString::number(P) + QStringLiteral(" %"));
        BalkenZeichnen(P);
    }
    const auto caption = [this] {
        setWindowTitle(QStringLiteral("Tonlaterne >> ") + lbltitel->text() + QStringLiteral("  ") +
                       lblprozent->text());
    };
    caption();
    if (mscMusik->Mode() == MediaEngine::ModeStopped) {
        m_DauerGesamt = mscMusik->Length();
        lblDauerGesamt->setText(SekundenInMinuten(wholeSeconds(m_DauerGesamt)));
        lblDauerBisher->setText(SekundenInMinuten(0));
        lblprozent->setText(QStringLiteral("0 %"));
        BalkenZeichnen(0);
        caption();
    }
}

QString frmPlayer::SekundenInMinuten(int Sekunden)
{
    const int m = Sekunden >= 0 ? Sekunden / 60 : -((-Sekunden + 59) / 60);
    const int s = Sekunden - 60 * m;
    return QString::number(m) + QStringLiteral(" min ") + QString::number(s) +
           QStringLiteral(" sek");
}

void frmPlayer::BalkenZeichnen(int Prozent)
{
    Fortschritt->setValue(static_cast<int>(Fortschritt->maximum() * (Prozent / 100.0)));
}
