#include "windows/frmwarteliste.h"

#include "platform/dialogs.h"
#include "platform/statusbar.h"
#include "player/frmplayer.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QStringListModel>

frmWarteliste::frmWarteliste(frmPlayer& player) : m_player(player)
{
    setWindowTitle(QStringLiteral("Warteliste"));
    setObjectName(QStringLiteral("frmWarteliste"));
    setStyleSheet(QStringLiteral(R"(
        QWidget#frmWarteliste { background-color: black; }
        QLabel { color: rgb(255,255,0); background-color: black; }
        QListView#comboLieder { color: rgb(255,255,0); background-color: black; }
        QListWidget { color: rgb(255,255,0); background-color: rgb(64,64,64); }
        QPushButton { background-color: rgb(192,192,192); }
    )"));
    const auto font = [](double points) {
        QFont f(QStringLiteral("Comic Sans MS"));
        f.setPointSizeF(points);
        return f;
    };
    auto* grid = new QGridLayout(this);

    auto* Label2 = new QLabel(QStringLiteral("Liste der verfügbaren Lieder"), this);
    Label2->setFont(font(18));
    grid->addWidget(Label2, 0, 0, 1, 4);

    m_lieder = new QStringListModel(this);
    comboLieder = new QListView(this);
    comboLieder->setObjectName(QStringLiteral("comboLieder"));
    comboLieder->setFont(font(9));
    comboLieder->setUniformItemSizes(true);
    comboLieder->setEditTriggers(QAbstractItemView::NoEditTriggers);
    comboLieder->setModel(m_lieder);
    grid->addWidget(comboLieder, 1, 0, 1, 4);

    const auto button = [&](const QString& text, double points, void (frmWarteliste::*click)()) {
        auto* b = new QPushButton(text, this);
        b->setFont(font(points));
        connect(b, &QPushButton::clicked, this, click);
        return b;
    };
    grid->addWidget(
        button(QStringLiteral(".... Hinzufügen"), 12, &frmWarteliste::cmdhinzufügen_Click), 2, 0, 1,
        4);

    auto* Label1 = new QLabel(QStringLiteral("Inhalt der Warteliste"), this);
    Label1->setFont(font(18));
    grid->addWidget(Label1, 3, 0, 1, 4);

    combowarteliste = new QListWidget(this);
    combowarteliste->setFont(font(8.25));
    grid->addWidget(combowarteliste, 4, 0, 1, 4);

    grid->addWidget(
        button(QStringLiteral(".... Entfernen"), 12, &frmWarteliste::cmdEntfernen_Click), 5, 0);
    grid->addWidget(button(QStringLiteral("Hoch"), 12, &frmWarteliste::cmdHoch_Click), 5, 1);
    grid->addWidget(button(QStringLiteral("Runter"), 12, &frmWarteliste::cmdRunter_Click), 5, 2);
    grid->addWidget(button(QStringLiteral("Alles löschen"), 12, &frmWarteliste::cmdlöschen_Click),
                    5, 3);
    QPushButton* zurueck =
        button(QStringLiteral("&Zurück"), 14.25, &frmWarteliste::cmdZurück_Click);
    zurueck->setMinimumHeight(44);
    grid->addWidget(zurueck, 6, 0, 1, 4);
    resize(460, 600);
}

void frmWarteliste::setLieder(const QStringList& sortiert)
{
    m_lieder->setStringList(sortiert);
}

void frmWarteliste::cmdhinzufügen_Click()
{
    const QModelIndex selected = comboLieder->currentIndex();
    if (!selected.isValid())
        return;
    combowarteliste->addItem(selected.data().toString());
    ++m_player.Wartend;
    m_player.StatusBar->setPanelText(QStringLiteral("Warteliste"),
                                     QString::number(m_player.Wartend));
}

void frmWarteliste::cmdEntfernen_Click()
{
    const int i = combowarteliste->currentRow();
    if (i == -1) {
        m_player.dialogs().inform(this,
                                  QStringLiteral("Achtung: Sie haben keinen Eintrag markiert."));
        return;
    }
    delete combowarteliste->takeItem(i);
    combowarteliste->setCurrentRow(-1);
    --m_player.Wartend;
}

void frmWarteliste::swapWithSelected(int offset)
{
    const int i = combowarteliste->currentRow();
    const int j = i + offset;
    if (i < 0 || j < 0 || j >= combowarteliste->count())
        return;
    const QString moved = combowarteliste->item(i)->text();
    combowarteliste->item(i)->setText(combowarteliste->item(j)->text());
    combowarteliste->item(j)->setText(moved);
    combowarteliste->setCurrentRow(j);
}

void frmWarteliste::cmdHoch_Click()
{
    swapWithSelected(-1);
}

void frmWarteliste::cmdRunter_Click()
{
    swapWithSelected(+1);
}

void frmWarteliste::cmdlöschen_Click()
{
    combowarteliste->clear();
    m_player.Wartend = 0;
}

void frmWarteliste::cmdZurück_Click()
{
    hide();
    m_player.show();
    m_player.raise();
    m_player.activateWindow();
}

void frmWarteliste::closeEvent(QCloseEvent* event)
{
    // The queue lives in this window: a close request only hides it.
    event->ignore();
    hide();
}
