#include "windows/frmsuchen.h"

#include "platform/dialogs.h"
#include "platform/statusbar.h"
#include "player/frmplayer.h"
#include "windows/frmwarteliste.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>
#include <algorithm>

namespace
{

// One bit per character class; a word's bits are a subset of those of every
// text that contains it.
quint64 zeichenMaske(QStringView text)
{
    quint64 maske = 0;
    for (const QChar c : text)
        maske |= quint64(1) << (c.unicode() % 64);
    return maske;
}

// Only the blank separates words; tabs and other white space belong to a word.
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

} // namespace

frmSuchen::frmSuchen(frmPlayer& player) : m_player(player)
{
    setWindowTitle(QStringLiteral("Suchen"));
    setObjectName(QStringLiteral("frmSuchen"));
    setFont(QFont(QStringLiteral("Comic Sans MS"), 12));
    setStyleSheet(QStringLiteral(R"(
        QWidget#frmSuchen { background-color: black; }
        QLineEdit { color: rgb(224,224,224); background-color: rgb(64,64,64); }
        QLabel { color: rgb(224,224,224); background-color: black; }
        QListView { color: white; background-color: rgb(64,64,64); }
        QPushButton { background-color: rgb(128,128,128); }
    )"));

    // Created in tab order, so the search text has the focus when the window opens.
    txtSuchtext = new QLineEdit(QStringLiteral(">> Zu suchendes Lied <<"), this);
    txtSuchtext->setToolTip(QStringLiteral("Geben sie hier Teile des Liednamens an."));
    txtSuchtext->installEventFilter(this);
    // Connected after the design text is set: that text is no search.
    connect(txtSuchtext, &QLineEdit::textChanged, this, &frmSuchen::txtSuchtext_Change);

    const auto button = [&](const QString& text, const QString& tip, void (frmSuchen::*click)()) {
        auto* b = new QPushButton(text, this);
        b->setToolTip(tip);
        connect(b, &QPushButton::clicked, this, click);
        return b;
    };
    cmdWarteListe = button(QStringLiteral("Zur &Warteliste hinzufügen"),
                           QStringLiteral("Fügt das ausgewählte Lied hinten an die Warteliste an."),
                           &frmSuchen::cmdWarteListe_Click);
    cmdJetztSpielen = button(QStringLiteral("Jetzt ab&spielen"),
                             QStringLiteral("Spielt das ausgewählte Lied sofort ab."),
                             &frmSuchen::cmdJetztSpielen_Click);
    cmdWarteListe->hide();
    cmdJetztSpielen->hide();

    // A view over a model that each search replaces in one step: filling a
    // list widget item by item costs more than the search itself.
    m_treffer = new QStringListModel(this);
    combosuchen = new QListView(this);
    QFont klein(QStringLiteral("Arial"));
    klein.setPointSizeF(8.25);
    combosuchen->setFont(klein);
    combosuchen->setUniformItemSizes(true);
    combosuchen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    combosuchen->setModel(m_treffer);

    cmdZurück = button(QStringLiteral("&Zurück"),
                       QStringLiteral("Zurück klicken um den Suchcenter zu verlassen."),
                       &frmSuchen::cmdZurück_Click);
    lblTreffer = new QLabel(this);

    auto* spalte = new QVBoxLayout(this);
    spalte->addWidget(txtSuchtext);
    spalte->addWidget(lblTreffer);
    spalte->addWidget(combosuchen, 1);
    auto* aktionen = new QHBoxLayout;
    aktionen->addWidget(cmdWarteListe);
    aktionen->addWidget(cmdJetztSpielen);
    spalte->addLayout(aktionen);
    spalte->addWidget(cmdZurück);
    resize(520, 480);
}

void frmSuchen::setInhalt(const QStringList& sortiert)
{
    m_inhalt = sortiert;
    m_bestand = vorbereiten(sortiert);
}

frmSuchen::Suchbestand frmSuchen::vorbereiten(const QStringList& liste)
{
    Suchbestand bestand;
    bestand.gefaltet.reserve(liste.size());
    bestand.zeichen.reserve(static_cast<size_t>(liste.size()));
    for (const QString& eintrag : liste) {
        bestand.gefaltet.append(eintrag.toCaseFolded());
        bestand.zeichen.push_back(zeichenMaske(bestand.gefaltet.last()));
    }
    return bestand;
}

int frmSuchen::Leerzeichenfinden(const QString& Text)
{
    return static_cast<int>(Text.indexOf(u' ') + 1);
}

void frmSuchen::Suchen(QString Text, const QStringList& DieseListeDurchsuchen,
                       QStringList& InDieserListeSpeichern)
{
    Suchen(std::move(Text), DieseListeDurchsuchen, vorbereiten(DieseListeDurchsuchen),
           InDieserListeSpeichern);
}

void frmSuchen::Suchen(QString Text, const QStringList& DieseListeDurchsuchen,
                       const Suchbestand& bestand, QStringList& InDieserListeSpeichern)
{
    QStringList woerter;
    for (;;) {
        Text = ohneRandLeerzeichen(Text);
        const int p = Leerzeichenfinden(Text);
        if (p == 0) {
            woerter.append(Text.toCaseFolded());
            break;
        }
        woerter.append(Text.left(p - 1).toCaseFolded());
        Text.remove(0, p - 1);
    }
    quint64 noetig = 0;
    for (const QString& wort : std::as_const(woerter))
        noetig |= zeichenMaske(wort);

    for (qsizetype j = 0; j < DieseListeDurchsuchen.size(); ++j) {
        if ((bestand.zeichen[static_cast<size_t>(j)] & noetig) != noetig)
            continue;
        const QString& eintrag = bestand.gefaltet.at(j);
        if (std::all_of(woerter.cbegin(), woerter.cend(), [&](const QString& wort) {
                return eintrag.contains(wort, Qt::CaseSensitive);
            }))
            InDieserListeSpeichern.append(DieseListeDurchsuchen.at(j));
    }
}

void frmSuchen::txtSuchtext_Change()
{
    // An empty text would find every entry and then show none: skip the search.
    QStringList treffer;
    if (!txtSuchtext->text().isEmpty())
        Suchen(txtSuchtext->text(), m_inhalt, m_bestand, treffer);
    m_treffer->setStringList(treffer);
    cmdWarteListe->setVisible(!treffer.isEmpty());
    cmdJetztSpielen->setVisible(!treffer.isEmpty());
    lblTreffer->setText(QString::number(treffer.size()) + QStringLiteral(" Treffer"));
}

void frmSuchen::txtSuchtext_DblClick()
{
    txtSuchtext->setText(QString());
}

QString frmSuchen::markierterTreffer() const
{
    const QModelIndexList markiert = combosuchen->selectionModel()->selectedIndexes();
    return markiert.isEmpty() ? QString() : markiert.first().data().toString();
}

QStringList frmSuchen::combosuchenEintraege() const
{
    return m_treffer->stringList();
}

void frmSuchen::cmdJetztSpielen_Click()
{
    const QString treffer = markierterTreffer();
    if (treffer.isEmpty())
        return;
    const int n = m_player.ListennummerErmitteln(treffer, m_player.LIST1Eintraege());
    m_player.Listennummer = n;
    m_player.Play(n);
}

void frmSuchen::cmdWarteListe_Click()
{
    const QString treffer = markierterTreffer();
    if (treffer.isEmpty()) {
        m_player.dialogs().inform(this, QStringLiteral("Kein Eintrag markiert"));
        return;
    }
    m_player.Warteliste->combowarteliste->addItem(treffer);
    ++m_player.Wartend;
    m_player.StatusBar->setPanelText(QStringLiteral("Warteliste"),
                                     QString::number(m_player.Wartend));
}

void frmSuchen::cmdZurück_Click()
{
    hide();
}

void frmSuchen::closeEvent(QCloseEvent* event)
{
    // comboinhalt lives in this window: a close request only hides it.
    event->ignore();
    hide();
}

bool frmSuchen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtSuchtext && event->type() == QEvent::MouseButtonDblClick) {
        txtSuchtext_DblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
