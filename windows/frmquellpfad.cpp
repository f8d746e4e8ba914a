#include "windows/frmquellpfad.h"

#include "datafiles/linestore.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
const QString sourcePathFile = QStringLiteral("Quellpfad.wob");
}

frmQuellpfad::frmQuellpfad()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Quellpfade ändern"));
    setObjectName(QStringLiteral("frmQuellpfad"));
    setStyleSheet(QStringLiteral(R"(
        QWidget#frmQuellpfad { background-color: black; }
        QLabel { color: white; background-color: black; }
        QListWidget, QLineEdit { color: rgb(0,255,0); background-color: rgb(64,64,64); }
        QPushButton { background-color: rgb(192,192,192); }
    )"));
    // The list keeps the system's font; everything else is in Comic Sans MS.
    const QFont comic(QStringLiteral("Comic Sans MS"), 10);

    Label1 = new QLabel(QStringLiteral("Bearbeiten Sie hier die Pfade von denen die Lieddateien "
                                       "eingelesen werden sollen. Änderungen werden erst beim "
                                       "nächsten Start wirksam."),
                        this);
    Label1->setFont(comic);
    Label1->setWordWrap(true);
    lstPfade = new QListWidget(this);
    lstPfade->addItems(teileLesen(Lesen(sourcePathFile), u';'));
    connect(lstPfade, &QListWidget::itemClicked, this, &frmQuellpfad::lstPfade_Click);
    txtEingabe = new QLineEdit(this);
    txtEingabe->setFont(comic);

    const auto button = [&](const QString& text, void (frmQuellpfad::*click)()) {
        auto* b = new QPushButton(text, this);
        b->setFont(comic);
        connect(b, &QPushButton::clicked, this, click);
        return b;
    };
    cmdSpeichern = button(QStringLiteral("Neuen Quellpfad jetzt speichern"),
                          &frmQuellpfad::cmdSpeichern_Click);
    cmdlöschen = button(QStringLiteral("Markierten Pfad löschen"), &frmQuellpfad::cmdlöschen_Click);
    cmdZurück = button(QStringLiteral("Zurück"), &frmQuellpfad::cmdZurück_Click);

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

QString frmQuellpfad::Lesen(const QString& Pfad)
{
    return ::Lesen(Pfad);
}

void frmQuellpfad::Speichern(const QString& Text)
{
    ::Speichern(Text, sourcePathFile);
}

void frmQuellpfad::cmdSpeichern_Click()
{
    const QString pfad = txtEingabe->text().trimmed();
    if (!pfad.isEmpty())
        lstPfade->addItem(pfad);
}

void frmQuellpfad::cmdlöschen_Click()
{
    const QList<QListWidgetItem*> markiert = lstPfade->selectedItems();
    if (markiert.isEmpty())
        return;
    delete markiert.first();
    lstPfade->setCurrentRow(-1);
}

void frmQuellpfad::cmdZurück_Click()
{
    close();
}

void frmQuellpfad::lstPfade_Click()
{
    if (const QListWidgetItem* markiert = lstPfade->currentItem())
        txtEingabe->setText(markiert->text());
}

void frmQuellpfad::closeEvent(QCloseEvent* event)
{
    QStringList pfade;
    for (int i = 0; i < lstPfade->count(); ++i)
        pfade.append(lstPfade->item(i)->text());
    Speichern(teileSchreiben(pfade, u';'));
    event->accept();
}
