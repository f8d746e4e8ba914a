#include "gui/frmsuchen.h"

#include "core/sitzung.h"
#include "gui/dialogs.h"
#include "gui/frmwarteliste.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

// The hits by their library entries' N, which stay theirs when a file joins,
// shown as the library's list shows them: only the rows in sight are read.
class Trefferliste final : public QAbstractListModel
{
public:
    Trefferliste(const Bibliothek& bibliothek, QObject* parent)
        : QAbstractListModel(parent), m_bibliothek(bibliothek)
    {
    }

    void setzen(std::vector<int> nummern)
    {
        beginResetModel();
        m_nummern = std::move(nummern);
        endResetModel();
    }
    int nummer(int zeile) const { return m_nummern[static_cast<size_t>(zeile)]; }
    bool leer() const { return m_nummern.empty(); }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_nummern.size());
    }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return m_bibliothek.text(nummer(index.row()));
    }

private:
    const Bibliothek& m_bibliothek;
    std::vector<int> m_nummern;
};

frmSuchen::frmSuchen(Sitzung& sitzung, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_sitzung(sitzung), m_dialogs(dialogs)
{
    setWindowTitle(QStringLiteral("Suchen"));
    setObjectName(QStringLiteral("frmSuchen"));

    // Created in tab order, so the search text has the focus when the window opens.
    txtSuchtext = new QLineEdit(QStringLiteral(">> Zu suchendes Lied <<"), this);
    txtSuchtext->setToolTip(QStringLiteral("Geben sie hier Teile des Liednamens an."));
    txtSuchtext->setAccessibleName(QStringLiteral("Suchtext"));
    txtSuchtext->installEventFilter(this);
    // Connected after the design text is set: that text is no search.
    connect(txtSuchtext, &QLineEdit::textChanged, this, &frmSuchen::txtSuchtext_Change);
    // A file opened from outside joined the library and its search: once a
    // search has run (the counter shows), it may find the new entry too.
    // The same when the search's index comes into place after the text.
    const auto nochmal = [this] {
        if (!lblTreffer->text().isEmpty())
            txtSuchtext_Change();
    };
    connect(&sitzung, &Sitzung::bibliothekErweitert, this, nochmal);
    connect(&sitzung.suche(), &Suche::bereit, this, nochmal);

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
    // They keep their room while hidden: the hit list keeps its size, and
    // showing them does not lay out a list of a million rows again.
    for (QPushButton* b : {cmdWarteListe, cmdJetztSpielen}) {
        QSizePolicy platz = b->sizePolicy();
        platz.setRetainSizeWhenHidden(true);
        b->setSizePolicy(platz);
        b->hide();
    }

    // A view over a model that each search replaces in one step: filling a
    // list widget item by item costs more than the search itself.
    m_treffer = new Trefferliste(sitzung.bibliothek(), this);
    combosuchen = new QListView(this);
    combosuchen->setObjectName(QStringLiteral("combosuchen"));
    combosuchen->setUniformItemSizes(true);
    // A million hits are laid out a slice at a time, the rows in sight first.
    combosuchen->setLayoutMode(QListView::Batched);
    combosuchen->setBatchSize(2000);
    combosuchen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    combosuchen->setModel(m_treffer);
    combosuchen->setAccessibleName(QStringLiteral("Treffer"));

    cmdZurück = button(QStringLiteral("&Zurück"),
                       QStringLiteral("Zurück klicken um den Suchcenter zu verlassen."),
                       &frmSuchen::cmdZurück_Click);
    lblTreffer = new QLabel(this);
    lblTreffer->setBuddy(combosuchen);
    new QShortcut(Qt::Key_Escape, this, this, &frmSuchen::cmdZurück_Click);

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

void frmSuchen::txtSuchtext_Change()
{
    // An empty text would find every entry and then show none: skip the search.
    const Suche& suche = m_sitzung.suche();
    std::vector<int> treffer;
    if (!txtSuchtext->text().isEmpty()) {
        treffer = suche.Suchen(txtSuchtext->text());
        const Bibliothek& b = m_sitzung.bibliothek();
        for (int& i : treffer)
            i = b.nummer(i);
    }
    m_treffer->setzen(std::move(treffer));
    cmdWarteListe->setVisible(!m_treffer->leer());
    cmdJetztSpielen->setVisible(!m_treffer->leer());
    lblTreffer->setText(!suche.istBereit() && !txtSuchtext->text().isEmpty()
                            ? QStringLiteral("Suche wird vorbereitet …")
                            : QString::number(m_treffer->rowCount()) + QStringLiteral(" Treffer"));
}

void frmSuchen::txtSuchtext_DblClick()
{
    txtSuchtext->setText(QString());
}

int frmSuchen::markierterTreffer() const
{
    const int zeile = markierteZeile(combosuchen);
    return zeile < 0 ? -1 : m_treffer->nummer(zeile);
}

void frmSuchen::cmdJetztSpielen_Click()
{
    const int treffer = markierterTreffer();
    if (treffer >= 0)
        m_sitzung.wiedergabe().Play(m_sitzung.bibliothek().ListennummerErmitteln(treffer));
}

void frmSuchen::cmdWarteListe_Click()
{
    const int treffer = markierterTreffer();
    if (treffer < 0) {
        m_dialogs.inform(this, QStringLiteral("Kein Eintrag markiert"));
        return;
    }
    Warteliste& w = m_sitzung.warteliste();
    w.anhaengen(treffer);
    w.WartendAnzeigen();
}

void frmSuchen::cmdZurück_Click()
{
    hide();
}

void frmSuchen::closeEvent(QCloseEvent* event)
{
    // The search window only hides: it comes back as it was.
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
