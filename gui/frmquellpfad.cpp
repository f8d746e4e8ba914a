#include "gui/frmquellpfad.h"

#include "core/linestore.h"
#include "core/sitzung.h"
#include "gui/dialogs.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

frmQuellpfad::frmQuellpfad(Sitzung& sitzung, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_sitzung(sitzung), m_dialogs(dialogs)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Quellpfade ändern"));
    setObjectName(QStringLiteral("frmQuellpfad"));

    Label1 = new QLabel(QStringLiteral("Bearbeiten Sie hier die Pfade von denen die Lieddateien "
                                       "eingelesen werden sollen. Änderungen werden erst beim "
                                       "nächsten Start wirksam."),
                        this);
    Label1->setWordWrap(true);
    lstPfade = new QListWidget(this);
    lstPfade->addItems(sitzung.Quellpfade());
    lstPfade->setAccessibleName(QStringLiteral("Quellpfade"));
    Label1->setBuddy(lstPfade);
    // A click or the arrow keys: the marked path goes into the text box.
    connect(lstPfade, &QListWidget::itemClicked, this, &frmQuellpfad::lstPfade_Click);
    connect(lstPfade, &QListWidget::itemSelectionChanged, this, &frmQuellpfad::lstPfade_Click);
    txtEingabe = new QLineEdit(this);
    txtEingabe->setAccessibleName(QStringLiteral("Neuer Quellpfad"));

    const auto button = [&](const QString& text, void (frmQuellpfad::*click)()) {
        auto* b = new QPushButton(text, this);
        connect(b, &QPushButton::clicked, this, click);
        return b;
    };
    cmdSpeichern = button(QStringLiteral("Neuen Quellpfad jetzt speichern"),
                          &frmQuellpfad::cmdSpeichern_Click);
    cmdlöschen = button(QStringLiteral("Markierten Pfad löschen"), &frmQuellpfad::cmdlöschen_Click);
    cmdZurück = button(QStringLiteral("Zurück"), &frmQuellpfad::cmdZurück_Click);
    new QShortcut(Qt::Key_Escape, this, this, &frmQuellpfad::cmdZurück_Click);

    auto* spalte = new QVBoxLayout(this);
    spalte->addWidget(Label1);
    spalte->addWidget(lstPfade, 1);
    spalte->addWidget(txtEingabe);
    auto* aktionen = new QHBoxLayout;
    aktionen->addWidget(cmdSpeichern);
    aktionen->addWidget(cmdlöschen);
    spalte->addLayout(aktionen);
    spalte->addWidget(cmdZurück);
    resize(520, 400);
}

void frmQuellpfad::cmdSpeichern_Click()
{
    const QString pfad = ohneRandLeerzeichen(txtEingabe->text());
    // The file ends each path with ";": such a path would come back split.
    if (pfad.contains(u';'))
        m_dialogs.inform(this, QStringLiteral("Achtung: Ein Quellpfad darf kein \";\" enthalten."));
    else if (!pfad.isEmpty())
        lstPfade->addItem(pfad);
}

void frmQuellpfad::cmdlöschen_Click()
{
    const QList<QListWidgetItem*> markiert = lstPfade->selectedItems();
    if (markiert.isEmpty())
        return;
    // The neighbour that the list selects in its place is no choice of the
    // user's: the text box keeps its text.
    const QSignalBlocker still(lstPfade);
    delete markiert.first();
    lstPfade->setCurrentRow(-1);
}

void frmQuellpfad::cmdZurück_Click()
{
    close();
}

void frmQuellpfad::lstPfade_Click()
{
    const QList<QListWidgetItem*> markiert = lstPfade->selectedItems();
    if (!markiert.isEmpty())
        txtEingabe->setText(markiert.first()->text());
}

void frmQuellpfad::uebernehmen()
{
    QStringList pfade;
    for (int i = 0; i < lstPfade->count(); ++i)
        pfade.append(lstPfade->item(i)->text());
    m_sitzung.setQuellpfade(pfade);
}

void frmQuellpfad::closeEvent(QCloseEvent* event)
{
    uebernehmen();
    // Closed all the same, the list waits in the session for the end of the run.
    QString grund;
    event->setAccepted(
        m_sitzung.QuellpfadeSpeichern(&grund) ||
        m_dialogs.askYesNo(this,
                           QStringLiteral("Folgendes konnte nicht gespeichert werden:\n\n") +
                               QuellpfadDatei + QStringLiteral(": ") + grund +
                               QStringLiteral("\n\nTrotzdem schließen?"),
                           windowTitle()));
}
