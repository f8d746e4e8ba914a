#include "gui/frminfo.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

frminfo::frminfo(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Info"));
    setObjectName(QStringLiteral("frminfo"));

    Label1 = new QLabel(
        QStringLiteral("Entwickelt hat Tonlaterne das Tonlaterne-Team. Sie dürfen Tonlaterne gern "
                       "an andere weitergeben, solange niemand das Programm als sein eigenes Werk "
                       "ausgibt. Viel Freude mit Tonlaterne!"),
        this);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cmdback = new QPushButton(QStringLiteral("Zurück"), this);
    connect(cmdback, &QPushButton::clicked, this, &QWidget::close);
    new QShortcut(Qt::Key_Escape, this, this, &QWidget::close);

    auto* spalte = new QVBoxLayout(this);
    spalte->addWidget(Label1, 1);
    spalte->addWidget(cmdback);
    resize(420, 260);
}
