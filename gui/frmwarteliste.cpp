#include "gui/frmwarteliste.h"

#include "core/sitzung.h"
#include "gui/dialogs.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QShortcut>

int markierteZeile(const QListView* liste)
{
    const QModelIndexList markiert = liste->selectionModel()->selectedRows();
    return markiert.isEmpty() ? -1 : markiert.first().row();
}

frmWarteliste::frmWarteliste(Sitzung& sitzung, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_sitzung(sitzung), m_dialogs(dialogs)
{
    setWindowTitle(QStringLiteral("Warteliste"));
    setObjectName(QStringLiteral("frmWarteliste"));
    auto* grid = new QGridLayout(this);

    // A list under its caption, which names it for a screen reader.
    const auto liste = [&](const char* name, QAbstractItemModel* model, const QString& titel,
                           int zeile) {
        auto* caption = new QLabel(titel, this);
        auto* l = new QListView(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setUniformItemSizes(true);
        l->setEditTriggers(QAbstractItemView::NoEditTriggers);
        l->setModel(model);
        l->setAccessibleName(titel);
        caption->setBuddy(l);
        grid->addWidget(caption, zeile, 0, 1, 4);
        grid->addWidget(l, zeile + 1, 0, 1, 4);
        return l;
    };
    const auto button = [&](const QString& text, void (frmWarteliste::*click)()) {
        auto* b = new QPushButton(text, this);
        connect(b, &QPushButton::clicked, this, click);
        return b;
    };
    comboLieder = liste("comboLieder", &sitzung.bibliothek(),
                        QStringLiteral("Liste der verfügbaren Lieder"), 0);
    grid->addWidget(button(QStringLiteral(".... Hinzufügen"), &frmWarteliste::cmdhinzufügen_Click),
                    2, 0, 1, 4);
    combowarteliste =
        liste("combowarteliste", &sitzung.warteliste(), QStringLiteral("Inhalt der Warteliste"), 3);
    grid->addWidget(button(QStringLiteral(".... Entfernen"), &frmWarteliste::cmdEntfernen_Click), 5,
                    0);
    grid->addWidget(button(QStringLiteral("Hoch"), &frmWarteliste::cmdHoch_Click), 5, 1);
    grid->addWidget(button(QStringLiteral("Runter"), &frmWarteliste::cmdRunter_Click), 5, 2);
    grid->addWidget(button(QStringLiteral("Alles löschen"), &frmWarteliste::cmdlöschen_Click), 5,
                    3);
    QPushButton* zurueck = button(QStringLiteral("&Zurück"), &frmWarteliste::cmdZurück_Click);
    zurueck->setObjectName(QStringLiteral("cmdZurueck"));
    grid->addWidget(zurueck, 6, 0, 1, 4);
    new QShortcut(Qt::Key_Escape, this, this, &frmWarteliste::cmdZurück_Click);
    resize(460, 600);
}

void frmWarteliste::cmdhinzufügen_Click()
{
    const int zeile = markierteZeile(comboLieder);
    if (zeile < 0)
        return;
    Warteliste& w = m_sitzung.warteliste();
    w.anhaengen(m_sitzung.bibliothek().nummer(zeile));
    w.WartendAnzeigen();
}

void frmWarteliste::cmdEntfernen_Click()
{
    const int zeile = markierteZeile(combowarteliste);
    if (zeile < 0) {
        m_dialogs.inform(this, QStringLiteral("Achtung: Sie haben keinen Eintrag markiert."));
        return;
    }
    m_sitzung.warteliste().entfernen(zeile);
    combowarteliste->clearSelection();
    combowarteliste->setCurrentIndex({});
}

void frmWarteliste::verschieben(int richtung)
{
    const int ziel = m_sitzung.warteliste().verschieben(markierteZeile(combowarteliste), richtung);
    if (ziel >= 0)
        combowarteliste->setCurrentIndex(m_sitzung.warteliste().index(ziel));
}

void frmWarteliste::cmdHoch_Click()
{
    verschieben(-1);
}

void frmWarteliste::cmdRunter_Click()
{
    verschieben(+1);
}

void frmWarteliste::cmdlöschen_Click()
{
    m_sitzung.warteliste().leeren();
}

void frmWarteliste::cmdZurück_Click()
{
    hide();
    Q_EMIT zurueck();
}

void frmWarteliste::closeEvent(QCloseEvent* event)
{
    // The queue window only hides: it comes back as it was.
    event->ignore();
    hide();
}
