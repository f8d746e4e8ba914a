#include "player/frmplayer.h"

#include "platform/dialogs.h"
#include "platform/intervaltimer.h"
#include "platform/mediadevice.h"
#include "platform/progressbar.h"
#include "platform/statusbar.h"
#include "windows/frmeinstellungen.h"
#include "windows/frminfo.h"
#include "windows/frmquellpfad.h"
#include "windows/frmsuchen.h"
#include "windows/frmwarteliste.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStringListModel>

// The icons live in the core library, which is static: register them by hand.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace
{

const QString settingsFile = QStringLiteral("Einstellungen.wob");

// The look of the window; its background starts dark grey and turns black at start-up.
QString look(const QString& background)
{
    return QStringLiteral(R"(
        frmPlayer, QWidget#central { background-color: %1; }
        QLabel, QComboBox#LIST1 { font-family: "Comic Sans MS"; font-size: 11pt; }
        QLabel#lbltitel { color: rgb(255,255,0); background-color: %1; font-size: 13pt; }
        QLabel#lblprozent, QLabel#lblDauerBisher, QLabel#lblDauerGesamt {
            color: rgb(0,255,0); background-color: %1; }
        QComboBox#LIST1, QComboBox#LIST1 QAbstractItemView {
            color: rgb(0,255,0); background-color: black; selection-background-color: rgb(0,96,0); }
        QPushButton#cmdzufall, QPushButton#cmdKeinzufall { background-color: rgb(128,128,128); }
        QStatusBar { background-color: rgb(192,192,192); }
        QStatusBar QLabel { color: black; background-color: rgb(192,192,192); font-size: 9pt; }
        )")
        .arg(background);
}

} // namespace

frmPlayer::frmPlayer(std::unique_ptr<MediaEngine> engine, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), m_dialogs(dialogs)
{
    initResources();
    setWindowTitle(QStringLiteral("Tonlaterne"));
    setFont(QFont(QStringLiteral("Comic Sans MS")));
    buildControls(std::move(engine));
    buildMenu();
    setStyleSheet(look(QStringLiteral("rgb(64,64,64)")));
    resize(640, 250);
}

frmPlayer::~frmPlayer()
{
    // Windows that are still open go without running their unload.
    delete Einstellungen.data();
    delete Quellpfad.data();
    delete Info.data();
}

void frmPlayer::buildControls(std::unique_ptr<MediaEngine> engine)
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    auto* grid = new QGridLayout(central);
    setCentralWidget(central);

    m_list1Model = new QStringListModel(this);
    LIST1 = new QComboBox(central);
    LIST1->setObjectName(QStringLiteral("LIST1"));
    LIST1->setEditable(true);
    LIST1->setInsertPolicy(QComboBox::NoInsert);
    // Measuring 100,000 entries for a size hint would cost more than the whole scan.
    LIST1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    LIST1->setMinimumContentsLength(40);
    LIST1->setModel(m_list1Model);
    if (auto* view = qobject_cast<QListView*>(LIST1->view()))
        view->setUniformItemSizes(true);
    grid->addWidget(LIST1, 0, 0, 1, 4);

    const auto label = [&](const char* name, const QString& tip) {
        auto* l = new QLabel(central);
        l->setObjectName(QString::fromLatin1(name));
        l->setToolTip(tip);
        l->setAutoFillBackground(true);
        return l;
    };
    lbltitel = label("lbltitel", QStringLiteral("Titel des aktuell gespielten Liedes."));
    lblDauerBisher = label("lblDauerBisher", QStringLiteral("Solange läuft dieser Titel schon."));
    lblDauerGesamt = label("lblDauerGesamt", QStringLiteral("Gesamtdauer des Titels."));
    lblprozent =
        label("lblprozent", QStringLiteral("Soviele Prozent des Titels wurden schon gespielt."));
    grid->addWidget(lbltitel, 1, 0, 1, 4);
    grid->addWidget(lblDauerBisher, 2, 0);
    grid->addWidget(lblDauerGesamt, 2, 1);
    grid->addWidget(lblprozent, 2, 2, 1, 2);

    Fortschritt = new ClickableProgressBar(central);
    Fortschritt->setRange(0, 100);
    Fortschritt->setValue(0);
    Fortschritt->setTextVisible(false);
    Fortschritt->setToolTip(QStringLiteral("Zeigt den Fortschritt des aktuellen Liedes an."));
    connect(Fortschritt, &ClickableProgressBar::MouseUp, this,
            [this](Qt::MouseButton, Qt::KeyboardModifiers, double x, double) {
                Fortschritt_MouseUp(x);
            });
    grid->addWidget(Fortschritt, 3, 0, 1, 4);

    mscMusik = new MediaDevice(std::move(engine), central);
    mscMusik->setToolTip(QStringLiteral("Steuern Sie hiermit ihre Lieder."));
    connect(mscMusik, &MediaDevice::PlayClick, this, &frmPlayer::mscMusik_PlayClick);
    connect(mscMusik, &MediaDevice::PauseClick, this, &frmPlayer::mscMusik_PauseClick);
    connect(mscMusik, &MediaDevice::StopClick, this, &frmPlayer::mscMusik_StopClick);
    connect(mscMusik, &MediaDevice::NextClick, this, &frmPlayer::mscMusik_NextClick);
    // Before the first track only Play can be pressed.
    setButtons(true, false, false, false);
    grid->addWidget(mscMusik, 4, 0, 1, 2);

    // Each pair of switch buttons shares one place; one of them is visible.
    const auto button = [&](const char* name, const char* icon, const QString& tip, int column,
                            void (frmPlayer::*click)()) {
        auto* b = new QPushButton(central);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(QIcon(QString::fromLatin1(icon)));
        b->setIconSize(QSize(28, 28));
        b->setFixedSize(40, 40);
        b->setToolTip(tip);
        connect(b, &QPushButton::clicked, this, click);
        grid->addWidget(b, 4, column);
        return b;
    };
    cmdVolume = button("cmdVolume", ":/icons/ton-an.svg",
                       QStringLiteral("Player auf Stumm stellen."), 2, &frmPlayer::cmdVolume_Click);
    cmdnovolume =
        button("cmdnovolume", ":/icons/ton-aus.svg", QStringLiteral("Ton wieder einschalten."), 2,
               &frmPlayer::cmdnovolume_Click);
    cmdzufall =
        button("cmdzufall", ":/icons/zufall-ein.svg",
               QStringLiteral("Zufällige Wiedergabe einschalten."), 3, &frmPlayer::cmdzufall_Click);
    cmdKeinzufall = button("cmdKeinzufall", ":/icons/zufall-aus.svg",
                           QStringLiteral("Zufällige Wiedergabe ausschalten."), 3,
                           &frmPlayer::cmdKeinzufall_Click);
    cmdnovolume->hide();
    grid->setRowStretch(5, 1);

    StatusBar = new PanelStatusBar(this);
    StatusBar->addTimePanel(1764, QStringLiteral("Zeigt Die aktuelle Systemzeit an."));
    StatusBar->addPanel(QStringLiteral("Modus"), 1764,
                        QStringLiteral("Gerät befindet sich im Modus: ....."));
    StatusBar->addPanel(QStringLiteral("Tracks"), 2648,
                        QStringLiteral("Zeigt die Anzahl der geladenen Lieder an."));
    StatusBar->addPanel(QStringLiteral("Ton"), 1764,
                        QStringLiteral("Zeigt an ob das Gerät auf stumm gestellt wurde."));
    StatusBar->addPanel(QStringLiteral("Warteliste"), 882,
                        QStringLiteral("Zeigt die Zahl der Lieder in der Warteliste an."));
    StatusBar->addPanel(QStringLiteral("Zufall"), 2540,
                        QStringLiteral("Titel werden zufällig ausgewählt:Ein/Aus"));
    setStatusBar(StatusBar);

    Timer1 = new IntervalTimer(this);
    connect(Timer1, &QTimer::timeout, this, &frmPlayer::Timer1_Timer);
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

void frmPlayer::Form_Load()
{
    setStyleSheet(look(QStringLiteral("black")));

    m_TonAn = true;
    StatusBar->setPanelText(QStringLiteral("Ton"), QStringLiteral("Ton an"));

    mscMusik->Command(QStringLiteral("Open"));

    Warteliste = std::make_unique<frmWarteliste>(*this);
    Suchen = std::make_unique<frmSuchen>(*this);

    m_ZufallAn = false;
    cmdKeinzufall->hide();
    cmdzufall->show();
    StatusBar->setPanelText(QStringLiteral("Zufall"), QStringLiteral("Aus"));

    EinstellungenWiederherstellen(settingsFile);
    AlleDateienAusAllenPfadenEinlesen();
    ListeÜbertragen();

    Listennummer = 0;
    LIST1->setCurrentIndex(m_sortiert.isEmpty() ? -1 : 0);

    m_Liedende = false;
    Wartend = 0;
    Timer1->setIntervalOrStop(0);

    WartelisteWiederherstellen();

    StatusBar->setPanelText(QStringLiteral("Tracks"),
                            QString::number(m_sortiert.size()) + QStringLiteral(" Lieder"));
    StatusBar->setPanelText(QStringLiteral("Warteliste"), QString::number(Wartend));

    if (m_ZufallAn) {
        const int n = static_cast<int>(m_sortiert.size());
        LIST1->setCurrentIndex(n == 0 ? -1 : Zufallszahl(0, n));
        if (Wartend > 0) {
            LIST1->setCurrentIndex(
                ListennummerErmitteln(Warteliste->combowarteliste->item(0)->text(), m_sortiert));
            delete Warteliste->combowarteliste->takeItem(0);
            --Wartend;
        }
    }

    if (BeimStartLiedSpielen == 1)
        mscMusik_PlayClick();
}

void frmPlayer::closeEvent(QCloseEvent* event)
{
    bool Cancel = false;
    Form_Unload(Cancel);
    if (Cancel)
        event->ignore();
    else
        event->accept();
}

void frmPlayer::Form_Unload(bool& Cancel)
{
    Cancel = true;
    if (!m_dialogs.askYesNo(this, QStringLiteral("Wirklich beenden?"), QStringLiteral("Beenden?")))
        return;
    if (WartelisteninhaltSpeichern == 1)
        WartelisteSpeichern();
    EinstellungenSpeichern(settingsFile);
    mscMusik->Command(QStringLiteral("close"));
    unloadSecondaryWindows();
    Cancel = false;
    Q_EMIT Programmende();
}

void frmPlayer::mnuEnde_Click()
{
    if (!m_dialogs.askYesNo(this, QStringLiteral("Wirklich beenden?"), QStringLiteral("Beenden?")))
        return;
    mscMusik->Command(QStringLiteral("close"));
    if (Warteliste)
        Warteliste->close();
    if (Suchen)
        Suchen->close();
    Q_EMIT Programmende();
}

void frmPlayer::unloadSecondaryWindows()
{
    // The queue and search windows refuse and only hide; the others run their
    // own unload, which may copy options back or write the source-path file.
    if (Warteliste)
        Warteliste->close();
    if (Suchen)
        Suchen->close();
    if (Info)
        Info->close();
    if (Einstellungen)
        Einstellungen->close();
    if (Quellpfad)
        Quellpfad->close();
}

void frmPlayer::showWindow(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
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
    showWindow(Warteliste.get());
}

void frmPlayer::mnuSuchen_Click()
{
    showWindow(Suchen.get());
}

void frmPlayer::mnuEinstellungen_Click()
{
    if (!Einstellungen)
        Einstellungen = new frmEinstellungen(*this);
    showWindow(Einstellungen);
}

void frmPlayer::mnuPfade_Click()
{
    if (!Quellpfad)
        Quellpfad = new frmQuellpfad;
    showWindow(Quellpfad);
}
