#include "gui/frmeinstellungen.h"

#include "core/optionen.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

frmEinstellungen::frmEinstellungen(Optionen& optionen, QWidget* parent)
    : QWidget(parent, Qt::Window), m_optionen(optionen)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Einstellungen"));
    setObjectName(QStringLiteral("frmEinstellungen"));

    static const std::array<QString, 5> beschriftung = {
        QStringLiteral("Beim Beenden den Inhalt der Warteliste speichern."),
        QStringLiteral("Zufallsauswahl beim Start aktivieren."),
        QStringLiteral("Beim Start sofort ein Lied spielen."),
        QStringLiteral("Minimiert starten."),
        QStringLiteral("Nur *.avi *.mp3 *.wma *.mid *.wav *.mpg Dateien einlesen."),
    };
    auto* spalte = new QVBoxLayout(this);
    const std::array<int*, 5> f = felder();
    for (size_t i = 0; i < checkBox.size(); ++i) {
        checkBox[i] = new QCheckBox(beschriftung[i], this);
        // An option holding neither 0 nor 1 leaves its box clear.
        checkBox[i]->setChecked(*f[i] == 1);
        connect(checkBox[i], &QCheckBox::toggled, this,
                [feld = f[i]](bool an) { *feld = an ? 1 : 0; });
        spalte->addWidget(checkBox[i]);
    }
    cmdZurück = new QPushButton(QStringLiteral("Zurück"), this);
    connect(cmdZurück, &QPushButton::clicked, this, &frmEinstellungen::cmdZurück_Click);
    new QShortcut(Qt::Key_Escape, this, this, &frmEinstellungen::cmdZurück_Click);
    spalte->addWidget(cmdZurück);
    resize(480, 230);
}

std::array<int*, 5> frmEinstellungen::felder()
{
    return {&m_optionen.WartelisteninhaltSpeichern, &m_optionen.Zufallsstart,
            &m_optionen.BeimStartLiedSpielen, &m_optionen.MinimiertStarten,
            &m_optionen.DateiEndungenRegel};
}

void frmEinstellungen::cmdZurück_Click()
{
    close();
}

void frmEinstellungen::closeEvent(QCloseEvent* event)
{
    const std::array<int*, 5> f = felder();
    for (size_t i = 0; i < checkBox.size(); ++i)
        *f[i] = checkBox[i]->isChecked() ? 1 : 0;
    event->accept();
}
