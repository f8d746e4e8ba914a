#include "gui/frmladen.h"

#include "core/bibliothek.h"

#include <QLabel>
#include <QVBoxLayout>

using namespace std::chrono_literals;

frmLaden::frmLaden(const Bibliothek& bibliothek, QWidget* parent)
    : QWidget(parent, Qt::Window), m_bibliothek(bibliothek)
{
    setWindowTitle(QStringLiteral("Tonlaterne"));
    setObjectName(QStringLiteral("frmLaden"));
    auto* titel = new QLabel(QStringLiteral("Tonlaterne sucht Ihre Lieder …"), this);
    lblGefunden = new QLabel(this);
    lblGefunden->setObjectName(QStringLiteral("lblGefunden"));
    auto* spalte = new QVBoxLayout(this);
    spalte->addWidget(titel);
    spalte->addWidget(lblGefunden);
    resize(380, 110);

    connect(&m_takt, &QTimer::timeout, this, [this] {
        lblGefunden->setText(QString::number(m_bibliothek.gefunden()) +
                             QStringLiteral(" Lieder gefunden"));
        if (!isVisible()) {
            show();
            m_takt.setInterval(100ms);
        }
    });
    // Started before the read, but after the program's own start: so that
    // something shows within about half a second of the launch.
    m_takt.start(400ms);
}

void frmLaden::closeEvent(QCloseEvent*)
{
    Q_EMIT geschlossen();
}
