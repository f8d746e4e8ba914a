#include "player/frmplayer.h"
#include "windows/frmwarteliste.h"

#include <QListWidget>
#include <QTime>
#include <algorithm>
#include <bit>
#include <random>

void frmPlayer::nextTrack()
{
    const int L = static_cast<int>(m_sortiert.size());
    if (Wartend > 0) {
        takeQueueHead();
    } else if (m_ZufallAn) {
        Listennummer = Zufallszahl(0, L);
        Play(Listennummer);
    } else {
        const int K = Listennummer + 1;
        Listennummer = K != L ? K : 0;
        Play(Listennummer);
    }
}

void frmPlayer::takeQueueHead()
{
    QListWidget* queue = Warteliste->combowarteliste;
    Listennummer = ListennummerErmitteln(queue->item(0)->text(), m_sortiert);
    Play(Listennummer);
    delete queue->takeItem(0);
    --Wartend;
}

int frmPlayer::Zufallszahl(int /*Untergrenze*/, int Obergrenze)
{
    // Reseeded from the time of day on every call.
    const float seed = -static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
    std::minstd_rand generator(std::bit_cast<std::uint32_t>(seed));
    const float r = std::uniform_real_distribution<float>(0.0f, 1.0f)(generator);
    // The float product can round up to the bound itself.
    return std::clamp(static_cast<int>(static_cast<float>(Obergrenze) * r), 0,
                      std::max(Obergrenze - 1, 0));
}
