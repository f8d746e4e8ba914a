#include "gui/frmplayer.h"

#include "core/sitzung.h"
#include "gui/dialogs.h"
#include "gui/fensterrolle.h"
#include "gui/frmeinstellungen.h"
#include "gui/frminfo.h"
#include "gui/frmladen.h"
#include "gui/frmquellpfad.h"
#include "gui/frmsuchen.h"
#include "gui/frmwarteliste.h"
#include "gui/mediadevice.h"
#include "gui/progressbar.h"
#include "gui/statusbar.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>

namespace
{

const QString modus = QStringLiteral("Modus");
const QString tracks = QStringLiteral("Tracks");
const QString ton = QStringLiteral("Ton");
const QString warteliste = QStringLiteral("Warteliste");
const QString zufall = QStringLiteral("Zufall");

const QString titel = QStringLiteral("Titel");
const QString bisher = QStringLiteral("Bisher gespielt");
const QString gesamt = QStringLiteral("Gesamtdauer");
const QString prozent = QStringLiteral("Gespielt");

// A screen reader reads a label by its name: what it shows, then the value.
void beschriften(QLabel* label, const QString& was, const QString& text)
{
    label->setText(text);
    label->setAccessibleName(text.isEmpty() ? was : was + QStringLiteral(": ") + text);
}

// One button of a pair stands in for the other; the keyboard focus goes along.
void tauschen(QWidget* her, QWidget* weg)
{
    const bool fokus = weg->hasFocus();
    her->show();
    weg->hide();
    if (fokus)
        her->setFocus();
}

// The local files and folders among what is dragged.
QStringList lokalePfade(const QMimeData* daten)
{
    QStringList pfade;
    for (const QUrl& url : daten->urls())
        if (url.isLocalFile())
            pfade.append(url.toLocalFile());
    return pfade;
}

QString modusText(Wiedergabe::Zustand zustand)
{
    switch (zustand) {
    case Wiedergabe::Zustand::Spielt:
        return QStringLiteral("PLAY");
    case Wiedergabe::Zustand::Pause:
        return QStringLiteral("PAUSE");
    case Wiedergabe::Zustand::Gestoppt:
        return QStringLiteral("STOP");
    case Wiedergabe::Zustand::Bereit:
        break;
    }
    return {};
}

} // namespace

// The icons live in a static library: register them by hand.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

frmPlayer::frmPlayer(Sitzung& sitzung, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), m_sitzung(sitzung), m_dialogs(dialogs)
{
    initResources();
    QAccessible::installFactory(fensterRolle);
    setObjectName(QStringLiteral("frmPlayer"));
    setWindowTitle(QStringLiteral("Tonlaterne"));
    buildControls();
    buildMenu();
    connectSession();
    Warteliste = new frmWarteliste(sitzung, dialogs);
    connect(Warteliste, &frmWarteliste::zurueck, this, [this] { showWindow(this); });
    Suchen = new frmSuchen(sitzung, dialogs);
    resize(640, 250);
    setAcceptDrops(true);
}

frmPlayer::~frmPlayer()
{
    delete Info;
    delete Quellpfad;
    delete Einstellungen;
    delete Suchen;
    delete Warteliste;
}

void frmPlayer::buildControls()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    auto* grid = new QGridLayout(central);
    setCentralWidget(central);

    LIST1 = new QComboBox(central);
    LIST1->setObjectName(QStringLiteral("LIST1"));
    LIST1->setEditable(true);
    LIST1->setInsertPolicy(QComboBox::NoInsert);
    // Measuring 100,000 entries for a size hint would cost more than the whole scan.
    LIST1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    LIST1->setMinimumContentsLength(40);
    LIST1->setModel(&m_sitzung.bibliothek());
    // The completer that an editable box brings scans every entry whenever the
    // selection or the list changes: a quarter of a second per track at a
    // million entries.
    LIST1->setCompleter(nullptr);
    if (auto* view = qobject_cast<QListView*>(LIST1->view()))
        view->setUniformItemSizes(true);
    LIST1->setAccessibleName(QStringLiteral("Liedauswahl"));
    LIST1->setAccessibleDescription(QStringLiteral("Das hier gewählte Lied spielt „Abspielen“."));
    LIST1->lineEdit()->setAccessibleName(LIST1->accessibleName());
    // A file dropped on the chooser opens, as anywhere on the window.
    LIST1->lineEdit()->setAcceptDrops(false);
    // On Linux Qt names a combo box by its entry and leaves its purpose to a
    // label pointing at it. The chooser has no caption: the label stays hidden.
    auto* auswahl = new QLabel(LIST1->accessibleName(), central);
    auswahl->setBuddy(LIST1);
    auswahl->hide();
    grid->addWidget(LIST1, 0, 0, 1, 4);

    const auto label = [&](const char* name, const QString& was, const QString& tip) {
        auto* l = new QLabel(central);
        l->setObjectName(QString::fromLatin1(name));
        l->setToolTip(tip);
        beschriften(l, was, {});
        return l;
    };
    lbltitel = label("lbltitel", titel, QStringLiteral("Titel des aktuell gespielten Liedes."));
    lblDauerBisher =
        label("lblDauerBisher", bisher, QStringLiteral("Solange läuft dieser Titel schon."));
    lblDauerGesamt = label("lblDauerGesamt", gesamt, QStringLiteral("Gesamtdauer des Titels."));
    lblprozent = label("lblprozent", prozent,
                       QStringLiteral("Soviele Prozent des Titels wurden schon gespielt."));
    grid->addWidget(lbltitel, 1, 0, 1, 4);
    grid->addWidget(lblDauerBisher, 2, 0);
    grid->addWidget(lblDauerGesamt, 2, 1);
    grid->addWidget(lblprozent, 2, 2, 1, 2);

    Fortschritt = new ClickableProgressBar(central);
    Fortschritt->setRange(0, 100);
    Fortschritt->setValue(0);
    Fortschritt->setTextVisible(false);
    Fortschritt->setToolTip(QStringLiteral("Zeigt den Fortschritt des aktuellen Liedes an."));
    Fortschritt->setAccessibleName(QStringLiteral("Fortschritt"));
    connect(Fortschritt, &ClickableProgressBar::MouseUp, this, &frmPlayer::Fortschritt_MouseUp);
    grid->addWidget(Fortschritt, 3, 0, 1, 4);

    mscMusik = new MediaDevice(central);
    mscMusik->setToolTip(QStringLiteral("Steuern Sie hiermit ihre Lieder."));
    grid->addWidget(mscMusik, 4, 0, 1, 2);

    // Each pair of switch buttons shares one place; one of them is visible.
    const auto button = [&](const char* name, const char* icon, const QString& was,
                            const QString& tip, int column) {
        auto* b = new QPushButton(central);
        b->setObjectName(QString::fromLatin1(name));
        b->setAccessibleName(was);
        b->setIcon(QIcon(QString::fromLatin1(icon)));
        b->setIconSize(QSize(28, 28));
        b->setFixedSize(40, 40);
        b->setToolTip(tip);
        grid->addWidget(b, 4, column);
        return b;
    };
    cmdVolume = button("cmdVolume", ":/icons/ton-an.svg", QStringLiteral("Ton ausschalten"),
                       QStringLiteral("Player auf Stumm stellen."), 2);
    cmdnovolume = button("cmdnovolume", ":/icons/ton-aus.svg", QStringLiteral("Ton einschalten"),
                         QStringLiteral("Ton wieder einschalten."), 2);
    cmdzufall = button("cmdzufall", ":/icons/zufall-ein.svg", QStringLiteral("Zufall einschalten"),
                       QStringLiteral("Zufällige Wiedergabe einschalten."), 3);
    cmdKeinzufall =
        button("cmdKeinzufall", ":/icons/zufall-aus.svg", QStringLiteral("Zufall ausschalten"),
               QStringLiteral("Zufällige Wiedergabe ausschalten."), 3);
    cmdnovolume->hide();
    grid->setRowStretch(5, 1);

    StatusBar = new PanelStatusBar(this);
    StatusBar->addTimePanel(1764, QStringLiteral("Zeigt Die aktuelle Systemzeit an."));
    StatusBar->addPanel(modus, 1764, QStringLiteral("Gerät befindet sich im Modus: ....."));
    StatusBar->addPanel(tracks, 2648, QStringLiteral("Zeigt die Anzahl der geladenen Lieder an."));
    StatusBar->addPanel(ton, 1764,
                        QStringLiteral("Zeigt an ob das Gerät auf stumm gestellt wurde."));
    StatusBar->addPanel(warteliste, 882,
                        QStringLiteral("Zeigt die Zahl der Lieder in der Warteliste an."));
    StatusBar->addPanel(zufall, 2540, QStringLiteral("Titel werden zufällig ausgewählt:Ein/Aus"));
    setStatusBar(StatusBar);
}

void frmPlayer::buildMenu()
{
    QMenuBar* bar = menuBar();
    QMenu* datei = bar->addMenu(QStringLiteral("&Datei"));
    connect(datei->addAction(QStringLiteral("Beenden")), &QAction::triggered, this,
            &frmPlayer::mnuEnde_Click);
    QMenu* ansicht = bar->addMenu(QStringLiteral("Ansicht"));
    connect(ansicht->addAction(QStringLiteral("Minimieren")), &QAction::triggered, this,
            &frmPlayer::mnuminimieren_Click);
    connect(bar->addAction(QStringLiteral("Info")), &QAction::triggered, this,
            &frmPlayer::mnuInfo_Click);
    connect(bar->addAction(QStringLiteral("&Warteliste")), &QAction::triggered, this,
            &frmPlayer::mnuwarteliste_Click);
    connect(bar->addAction(QStringLiteral("&Suchen")), &QAction::triggered, this,
            &frmPlayer::mnuSuchen_Click);
    connect(bar->addAction(QStringLiteral("&Einstellungen")), &QAction::triggered, this,
            &frmPlayer::mnuEinstellungen_Click);
    connect(bar->addAction(QStringLiteral("&Quellpfade")), &QAction::triggered, this,
            &frmPlayer::mnuPfade_Click);
}

void frmPlayer::connectSession()
{
    Wiedergabe& w = m_sitzung.wiedergabe();
    connect(mscMusik, &MediaDevice::PrevClick, &w, &Wiedergabe::PrevClick);
    connect(mscMusik, &MediaDevice::NextClick, &w, &Wiedergabe::NextClick);
    connect(mscMusik, &MediaDevice::PlayClick, &w, &Wiedergabe::PlayClick);
    connect(mscMusik, &MediaDevice::PauseClick, &w, &Wiedergabe::PauseClick);
    connect(mscMusik, &MediaDevice::StopClick, &w, &Wiedergabe::StopClick);
    connect(&w, &Wiedergabe::zustandChanged, this, [this, &w](Wiedergabe::Zustand z) {
        mscMusik->setKnoepfe(w.knoepfe());
        StatusBar->setPanelText(modus, modusText(z));
    });
    connect(&w, &Wiedergabe::titelChanged, this,
            [this](const QString& text) { beschriften(lbltitel, titel, text); });
    connect(&w, &Wiedergabe::auswahlChanged, LIST1, &QComboBox::setCurrentIndex);
    connect(LIST1, &QComboBox::currentIndexChanged, &w, &Wiedergabe::setAuswahl);
    connect(&w, &Wiedergabe::ticked, this, &frmPlayer::zeigen);
    connect(&m_sitzung.warteliste(), &::Warteliste::wartendAngezeigt, this,
            [this](int n) { StatusBar->setPanelText(warteliste, QString::number(n)); });
    // The read at start and every file that joins later.
    const auto anzahl = [this] {
        StatusBar->setPanelText(tracks, QString::number(m_sitzung.bibliothek().size()) +
                                            QStringLiteral(" Lieder"));
    };
    connect(&m_sitzung.bibliothek(), &QAbstractItemModel::modelReset, this, anzahl);
    connect(&m_sitzung.bibliothek(), &QAbstractItemModel::layoutChanged, this, anzahl);

    connect(&w, &Wiedergabe::tonChanged, this, [this](bool an) {
        tauschen(an ? cmdVolume : cmdnovolume, an ? cmdnovolume : cmdVolume);
        StatusBar->setPanelText(ton, an ? QStringLiteral("Ton an") : QStringLiteral("Ton aus"));
    });
    connect(cmdVolume, &QPushButton::clicked, &w, [&w] { w.setTonAn(false); });
    connect(cmdnovolume, &QPushButton::clicked, &w, [&w] { w.setTonAn(true); });

    connect(&w, &Wiedergabe::zufallChanged, this, [this](bool an) {
        tauschen(an ? cmdKeinzufall : cmdzufall, an ? cmdzufall : cmdKeinzufall);
        StatusBar->setPanelText(zufall, an ? QStringLiteral("Ein") : QStringLiteral("Aus"));
    });
    connect(cmdzufall, &QPushButton::clicked, &w, [&w] { w.ZufallEinAus(true); });
    connect(cmdKeinzufall, &QPushButton::clicked, &w, [&w] { w.ZufallEinAus(false); });
}

void frmPlayer::Form_Load()
{
    // The window turns from dark grey to black once it is loaded.
    QWidget* central = centralWidget();
    central->setProperty("geladen", true);
    central->style()->unpolish(central);
    central->style()->polish(central);

    // The read runs beside this thread, whose event loop goes on meanwhile; a
    // long one shows its count in a window of its own, whose close ends the
    // program.
    m_laden = std::make_unique<frmLaden>(m_sitzung.bibliothek());
    connect(m_laden.get(), &frmLaden::geschlossen, this, &frmPlayer::ohneFrageBeenden,
            Qt::QueuedConnection);
    connect(
        &m_sitzung, &Sitzung::gelesen, this,
        [this] {
            m_laden.reset();
            m_sitzung.uebernehmen();
            m_geladen = true;
            if (m_sitzung.optionen().MinimiertStarten == 1)
                mnuminimieren_Click();
            Q_EMIT geladen();
        },
        Qt::SingleShotConnection);
    m_sitzung.lesenBeginnen();
}

void frmPlayer::zeigen()
{
    const Wiedergabe::Anzeige& a = m_sitzung.wiedergabe().anzeige();
    beschriften(lblDauerGesamt, gesamt, a.dauerGesamt);
    beschriften(lblDauerBisher, bisher, a.dauerBisher);
    beschriften(lblprozent, prozent, a.prozent);
    BalkenZeichnen(a.balken);
    setWindowTitle(QStringLiteral("Tonlaterne >> ") + lbltitel->text() + QStringLiteral("  ") +
                   lblprozent->text());
}

void frmPlayer::BalkenZeichnen(int Prozent)
{
    Fortschritt->setValue(static_cast<int>(Fortschritt->maximum() * (Prozent / 100.0)));
}

void frmPlayer::Fortschritt_MouseUp(double x)
{
    m_sitzung.wiedergabe().Fortschritt_MouseUp(x / Fortschritt->width());
}

void frmPlayer::closeEvent(QCloseEvent* event)
{
    // The session manager closes every window after the end: ask nothing more.
    if (m_beendet)
        return event->accept();
    bool Cancel = false;
    Form_Unload(Cancel);
    event->setAccepted(!Cancel);
}

void frmPlayer::dragEnterEvent(QDragEnterEvent* event)
{
    if (!lokalePfade(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmPlayer::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    m_sitzung.oeffnen(lokalePfade(event->mimeData()));
}

void frmPlayer::Form_Unload(bool& Cancel)
{
    Cancel = !m_dialogs.askYesNo(this, QStringLiteral("Wirklich beenden?"),
                                 QStringLiteral("Beenden?")) ||
             !speichernUndBeenden();
}

QStringList frmPlayer::allesSpeichern()
{
    // Before the start restored the queue and the options, this run holds
    // nothing of its own: the files stay as they are.
    if (!m_geladen)
        return {};
    // The list of an open source-paths window is written with the other files.
    if (Quellpfad)
        Quellpfad->uebernehmen();
    return m_sitzung.speichern();
}

bool frmPlayer::speichernUndBeenden()
{
    const QStringList fehler = allesSpeichern();
    // The queue and the options are the user's: never lose them silently.
    if (!fehler.isEmpty() &&
        !m_dialogs.askYesNo(this,
                            QStringLiteral("Folgendes konnte nicht gespeichert werden:\n\n") +
                                fehler.join(u'\n') + QStringLiteral("\n\nTrotzdem beenden?"),
                            QStringLiteral("Beenden?")))
        return false;
    programmBeenden();
    return true;
}

void frmPlayer::ohneFrageSpeichern()
{
    for (const QString& fehler : allesSpeichern())
        qWarning("Tonlaterne: nicht gespeichert: %s", qPrintable(fehler));
}

void frmPlayer::ohneFrageBeenden()
{
    if (m_beendet)
        return;
    ohneFrageSpeichern();
    programmBeenden();
}

void frmPlayer::mnuEnde_Click()
{
    if (m_dialogs.askYesNo(this, QStringLiteral("Wirklich beenden?"), QStringLiteral("Beenden?")))
        programmBeenden();
}

void frmPlayer::programmBeenden()
{
    m_beendet = true;
    m_sitzung.beenden();
    Warteliste->hide();
    Suchen->hide();
    if (Info)
        Info->close();
    Q_EMIT Programmende();
}

void frmPlayer::showWindow(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void frmPlayer::hervorholen()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    showWindow(this);
}

void frmPlayer::mnuminimieren_Click()
{
    setWindowState(windowState() | Qt::WindowMinimized);
}

void frmPlayer::mnuInfo_Click()
{
    if (!Info)
        Info = new frminfo;
    showWindow(Info);
}

void frmPlayer::mnuwarteliste_Click()
{
    showWindow(Warteliste);
}

void frmPlayer::mnuSuchen_Click()
{
    showWindow(Suchen);
}

void frmPlayer::mnuEinstellungen_Click()
{
    if (!Einstellungen)
        Einstellungen = new frmEinstellungen(m_sitzung.optionen());
    showWindow(Einstellungen);
}

void frmPlayer::mnuPfade_Click()
{
    if (!Quellpfad)
        Quellpfad = new frmQuellpfad(m_sitzung, m_dialogs);
    showWindow(Quellpfad);
}
