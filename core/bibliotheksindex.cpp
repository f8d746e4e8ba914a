#include "core/bibliotheksindex.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <sys/mman.h>

namespace
{

// Raised with every change of what the file holds or how.
constexpr std::uint64_t kennung = 0x31'58'44'49'42'4c'54'00; // "\0TLBIDX1"
constexpr std::uint64_t version = 1;
constexpr qint64 pufferGroesse = 1 << 20;

// A sum over every byte before it, so that a garbled index is not taken for
// a library. Four words at a time, side by side; each step is one-to-one in
// the state and in the word, so a single changed word always changes the sum.
class Pruefsumme
{
public:
    void dazu(const char* p, size_t n)
    {
        if (n == 0)
            return; // p may be null then
        m_laenge += n;
        if (m_n > 0) {
            const size_t k = std::min(sizeof m_rest - m_n, n);
            std::memcpy(m_rest + m_n, p, k);
            m_n += k;
            p += k;
            n -= k;
            if (m_n < sizeof m_rest)
                return;
            block(m_rest);
            m_n = 0;
        }
        for (; n >= sizeof m_rest; p += sizeof m_rest, n -= sizeof m_rest)
            block(p);
        std::memcpy(m_rest, p, n);
        m_n = n;
    }

    std::uint64_t wert() const
    {
        std::uint64_t h = m_laenge;
        for (const std::uint64_t spur : m_h)
            h = mische(h, spur);
        char rest[sizeof m_rest] = {};
        std::memcpy(rest, m_rest, m_n);
        for (size_t k = 0; k < 4; ++k)
            h = mische(h, wort(rest + 8 * k));
        return h;
    }

private:
    static std::uint64_t wort(const char* p)
    {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        return w;
    }
    static std::uint64_t mische(std::uint64_t h, std::uint64_t w)
    {
        h = (h ^ w) * 0x9e37'79b9'7f4a'7c15;
        return h ^ (h >> 32);
    }
    void block(const char* p)
    {
        for (size_t k = 0; k < 4; ++k)
            m_h[k] = mische(m_h[k], wort(p + 8 * k));
    }

    std::uint64_t m_h[4] = {0x6a09'e667'f3bc'c908, 0xbb67'ae85'84ca'a73b, 0x3c6e'f372'fe94'f82b,
                            0xa54f'f53a'5f1d'36f1};
    std::uint64_t m_laenge = 0;
    char m_rest[32] = {};
    size_t m_n = 0;
};

class Schreiber
{
public:
    explicit Schreiber(QIODevice& ziel) : m_ziel(ziel) { m_puffer.reserve(pufferGroesse); }

    void bytes(const void* daten, qint64 n)
    {
        m_summe.dazu(static_cast<const char*>(daten), static_cast<size_t>(n));
        if (m_puffer.size() + n > pufferGroesse)
            leeren();
        if (n >= pufferGroesse)
            m_ok = m_ok && m_ziel.write(static_cast<const char*>(daten), n) == n;
        else
            m_puffer.append(static_cast<const char*>(daten), n);
    }
    void zahl(std::uint64_t z) { bytes(&z, sizeof z); }
    template <typename T> void feld(std::span<const T> v)
    {
        zahl(v.size());
        bytes(v.data(), static_cast<qint64>(v.size() * sizeof(T)));
    }
    void text(QStringView t)
    {
        zahl(static_cast<std::uint64_t>(t.size()));
        bytes(t.data(), t.size() * 2);
    }
    void pfad(const NativePath& p)
    {
        zahl(p.size());
        bytes(p.data(), static_cast<qint64>(p.size()));
    }

    bool ende()
    {
        const std::uint64_t summe = m_summe.wert();
        m_puffer.append(reinterpret_cast<const char*>(&summe), sizeof summe);
        leeren();
        return m_ok;
    }

private:
    void leeren()
    {
        m_ok = m_ok && m_ziel.write(m_puffer) == m_puffer.size();
        m_puffer.clear();
    }

    QIODevice& m_ziel;
    QByteArray m_puffer;
    Pruefsumme m_summe;
    bool m_ok = true;
};

// Reads what Schreiber wrote; every count is checked against the bytes left
// before anything is made that large. The sum runs over each piece as it
// comes from the device, not over each field: a field costs a copy then.
class Leser
{
public:
    explicit Leser(QIODevice& quelle)
        : m_quelle(quelle), m_rest(quelle.size() - quelle.pos()),
          m_summeBis(m_rest - qint64{sizeof(std::uint64_t)})
    {
    }

    bool ok() const { return m_ok; }

    bool bytes(void* ziel, qint64 n)
    {
        if (!m_ok || n < 0 || n > m_rest)
            return m_ok = false;
        m_rest -= n;
        char* z = static_cast<char*>(ziel);
        while (n > 0) {
            if (m_pos == m_puffer.size()) {
                if (n >= pufferGroesse) {
                    const qint64 gelesen = m_quelle.read(z, n);
                    if (gelesen != n)
                        return m_ok = false;
                    summieren(z, n);
                    return true;
                }
                m_puffer = m_quelle.read(std::min(pufferGroesse, n + m_rest));
                m_pos = 0;
                if (m_puffer.isEmpty())
                    return m_ok = false;
                summieren(m_puffer.constData(), m_puffer.size());
            }
            const qint64 stueck = std::min(n, m_puffer.size() - m_pos);
            std::memcpy(z, m_puffer.constData() + m_pos, static_cast<size_t>(stueck));
            m_pos += stueck;
            z += stueck;
            n -= stueck;
        }
        return true;
    }
    std::uint64_t zahl()
    {
        std::uint64_t z = 0;
        bytes(&z, sizeof z);
        return z;
    }
    // A count of things of at least `groesse` bytes each, which the rest can hold.
    size_t anzahl(size_t groesse)
    {
        const std::uint64_t n = zahl();
        if (n > static_cast<std::uint64_t>(m_rest) / groesse)
            m_ok = false;
        return m_ok ? static_cast<size_t>(n) : 0;
    }
    template <typename T> void feld(std::vector<T>& v)
    {
        const size_t n = anzahl(sizeof(T));
        v.reserve(n);
        grosseSeiten(v.data(), static_cast<qsizetype>(n * sizeof(T)));
        v.resize(n);
        bytes(v.data(), static_cast<qint64>(v.size() * sizeof(T)));
    }
    QString text()
    {
        QString t(static_cast<qsizetype>(anzahl(2)), Qt::Uninitialized);
        grosseSeiten(t.constData(), t.size() * 2);
        bytes(t.data(), t.size() * 2);
        return t;
    }
    NativePath pfad()
    {
        NativePath p(anzahl(1), '\0');
        bytes(p.data(), static_cast<qint64>(p.size()));
        return p;
    }
    // True when the sum matches and nothing follows it.
    bool ende()
    {
        const std::uint64_t erwartet = m_summe.wert();
        return zahl() == erwartet && m_ok && m_rest == 0;
    }

private:
    // Bytes from the device, of which those before the sum go into it.
    void summieren(const char* p, qint64 n)
    {
        const qint64 davor = std::clamp<qint64>(m_summeBis - m_geholt, 0, n);
        m_summe.dazu(p, static_cast<size_t>(davor));
        m_geholt += n;
    }

    QIODevice& m_quelle;
    qint64 m_rest;
    qint64 m_summeBis;
    qint64 m_geholt = 0;
    QByteArray m_puffer;
    qint64 m_pos = 0;
    Pruefsumme m_summe;
    bool m_ok = true;
};

// Entry N's text ends in "   #N#", as the walk spelt it.
bool wohlgeformt(QStringView text, qsizetype N)
{
    char ziffern[24];
    const char* const ende = std::to_chars(ziffern, std::end(ziffern), N).ptr;
    const qsizetype laenge = ende - ziffern;
    if (text.size() < laenge + 5 || !text.endsWith(u'#'))
        return false;
    const QStringView marke = text.sliced(text.size() - laenge - 5);
    return marke.startsWith(u"   #") && marke.sliced(4, laenge) == QLatin1StringView(ziffern, ende);
}

bool stimmig(const Lesung& l)
{
    const qsizetype n = l.anzahl();
    if (l.orte.size() != l.enden.size() ||
        (!l.nummern.empty() && l.nummern.size() != l.enden.size()))
        return false;
    qsizetype vorher = 0;
    for (qsizetype N = 0; N < n; ++N) {
        const qsizetype ende = l.enden[static_cast<size_t>(N)];
        if (ende < vorher || ende > l.texte.size())
            return false;
        vorher = ende;
        if (!wohlgeformt(l.text(N), N))
            return false;
        const Ort ort = l.orte[static_cast<size_t>(N)];
        if (ort.ordner >= l.ordner.size())
            return false;
        const std::string& namen = l.ordner[ort.ordner].namen;
        if (ort.name != Ort::imText && (ort.name >= namen.size() || namen.back() != '\0'))
            return false;
    }
    if (vorher != l.texte.size())
        return false;
    std::vector<bool> gesehen(static_cast<size_t>(n));
    for (const int N : l.nummern) {
        if (N < 0 || N >= n || gesehen[static_cast<size_t>(N)])
            return false;
        gesehen[static_cast<size_t>(N)] = true;
    }
    for (const GelesenerOrdner& o : l.gelesen)
        if (std::uint64_t{o.erster} + o.anzahl > static_cast<std::uint64_t>(n))
            return false;
    return true;
}

void schreibeSchluessel(Schreiber& s, const IndexSchluessel& schluessel)
{
    s.zahl(static_cast<std::uint64_t>(schluessel.pfade.size()));
    for (const QString& pfad : schluessel.pfade)
        s.text(pfad);
    s.zahl(schluessel.alleDateien);
}

} // namespace

void grosseSeiten(const void* anfang, qsizetype bytes)
{
    constexpr std::uintptr_t gross = 2 << 20;
    const auto a = reinterpret_cast<std::uintptr_t>(anfang);
    const std::uintptr_t von = (a + gross - 1) & ~(gross - 1);
    const std::uintptr_t bis = (a + static_cast<std::uintptr_t>(bytes)) & ~(gross - 1);
    if (bis > von)
        ::madvise(reinterpret_cast<void*>(von), bis - von, MADV_HUGEPAGE);
}

std::uint64_t indexPruefsumme(QByteArrayView davor)
{
    Pruefsumme summe;
    summe.dazu(davor.data(), static_cast<size_t>(davor.size()));
    return summe.wert();
}

bool indexSchreiben(QIODevice& ziel, const IndexSchluessel& schluessel, const Lesung& l,
                    std::span<const int> nummern)
{
    Schreiber s(ziel);
    s.zahl(kennung);
    s.zahl(version);
    schreibeSchluessel(s, schluessel);
    s.zahl(static_cast<std::uint64_t>(l.beginn));
    s.zahl(static_cast<std::uint64_t>(l.beginnNs));
    s.text(l.texte);
    s.feld(std::span(l.enden));
    s.zahl(l.ordner.size());
    for (const Eintragsordner& o : l.ordner) {
        s.pfad(o.pfad);
        s.pfad(o.namen);
    }
    s.feld(std::span(l.orte));
    s.feld(nummern);
    s.zahl(l.gelesen.size());
    for (const GelesenerOrdner& o : l.gelesen) {
        s.pfad(o.pfad);
        s.zahl(std::uint64_t{o.gelesen} | std::uint64_t{o.betreten} << 1);
        for (const std::uint64_t z :
             {std::uint64_t{o.stamp.id.device}, std::uint64_t{o.stamp.id.inode},
              static_cast<std::uint64_t>(o.stamp.mtime),
              static_cast<std::uint64_t>(o.stamp.mtimeNs),
              static_cast<std::uint64_t>(o.stamp.ctime),
              static_cast<std::uint64_t>(o.stamp.ctimeNs)})
            s.zahl(z);
        s.zahl(o.unterordner.size());
        for (const NativePath& u : o.unterordner)
            s.pfad(u);
        s.zahl(o.nachgesehen.size());
        for (const LookedUpEntry& e : o.nachgesehen) {
            s.pfad(e.name);
            s.zahl(static_cast<std::uint64_t>(e.kind));
        }
        s.zahl(o.erster);
        s.zahl(o.anzahl);
    }
    return s.ende();
}

std::optional<Lesung> indexLesen(QIODevice& quelle, const IndexSchluessel& schluessel)
{
    Leser r(quelle);
    if (r.zahl() != kennung || r.zahl() != version)
        return std::nullopt;
    IndexSchluessel gespeichert;
    for (size_t i = r.anzahl(8); i > 0; --i)
        gespeichert.pfade.append(r.text());
    const std::uint64_t alleDateien = r.zahl();
    gespeichert.alleDateien = alleDateien == 1;
    if (!r.ok() || alleDateien > 1 || gespeichert.pfade != schluessel.pfade ||
        gespeichert.alleDateien != schluessel.alleDateien)
        return std::nullopt;
    Lesung l;
    l.beginn = static_cast<std::int64_t>(r.zahl());
    l.beginnNs = static_cast<std::int64_t>(r.zahl());
    l.texte = r.text();
    r.feld(l.enden);
    l.ordner.resize(r.anzahl(16));
    for (Eintragsordner& o : l.ordner) {
        o.pfad = r.pfad();
        o.namen = r.pfad();
    }
    r.feld(l.orte);
    r.feld(l.nummern);
    l.gelesen.resize(r.anzahl(8 * 12));
    for (GelesenerOrdner& o : l.gelesen) {
        o.pfad = r.pfad();
        const std::uint64_t flags = r.zahl();
        if (flags > 3)
            return std::nullopt;
        o.gelesen = flags & 1;
        o.betreten = flags & 2;
        o.stamp.id.device = r.zahl();
        o.stamp.id.inode = r.zahl();
        o.stamp.mtime = static_cast<std::int64_t>(r.zahl());
        o.stamp.mtimeNs = static_cast<std::int64_t>(r.zahl());
        o.stamp.ctime = static_cast<std::int64_t>(r.zahl());
        o.stamp.ctimeNs = static_cast<std::int64_t>(r.zahl());
        o.unterordner.resize(r.anzahl(8));
        for (NativePath& u : o.unterordner)
            u = r.pfad();
        o.nachgesehen.resize(r.anzahl(16));
        for (LookedUpEntry& e : o.nachgesehen) {
            e.name = r.pfad();
            const std::uint64_t art = r.zahl();
            if (art > static_cast<std::uint64_t>(EntryKind::file))
                return std::nullopt;
            e.kind = static_cast<EntryKind>(art);
        }
        const std::uint64_t erster = r.zahl(), anzahl = r.zahl();
        if (erster > UINT32_MAX || anzahl > UINT32_MAX)
            return std::nullopt;
        o.erster = static_cast<std::uint32_t>(erster);
        o.anzahl = static_cast<std::uint32_t>(anzahl);
    }
    if (!r.ende() || !stimmig(l))
        return std::nullopt;
    return l;
}
