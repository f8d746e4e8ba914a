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
#include <QStringListModel>
#include <QVBoxLayout>

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
    connect(&sitzung, &Sitzung::bibliothekErweitert, this, [this] {
        if (!lblTreffer->text().isEmpty())
            txtSuchtext_Change();
    });

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
    m_trefferModel = new QStringListModel(this);
    combosuchen = new QListView(this);
    combosuchen->setObjectName(QStringLiteral("combosuchen"));
    combosuchen->setUniformItemSizes(true);
    combosuchen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    combosuchen->setModel(m_trefferModel);
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
    m_treffer.clear();
    QStringList texte;
    if (!txtSuchtext->text().isEmpty()) {
        const Bibliothek& b = m_sitzung.bibliothek();
        const std::vector<int> positionen = m_sitzung.suche().Suchen(txtSuchtext->text());
        m_treffer.reserve(positionen.size());
        texte.reserve(static_cast<qsizetype>(positionen.size()));
        for (const int i : positionen) {
            m_treffer.push_back(b.nummer(i));
            texte.append(b.text(b.nummer(i)));
        }
    }
    m_trefferModel->setStringList(texte);
    cmdWarteListe->setVisible(!m_treffer.empty());
    cmdJetztSpielen->setVisible(!m_treffer.empty());
    lblTreffer->setText(QString::number(m_treffer.size()) + QStringLiteral(" Treffer"));
}

void frmSuchen::txtSuchtext_DblClick()
{
    txtSuchtext->setText(QString());
}

int frmSuchen::markierterTreffer() const
{
    const int zeile = markierteZeile(combosuchen);
    return zeile < 0 ? -1 : m_treffer[static_cast<size_t>(zeile)];
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
