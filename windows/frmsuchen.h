#pragma once

#include <QStringList>
#include <QWidget>
#include <vector>

class frmPlayer;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QStringListModel;

// The search window: finds library entries by parts of their names while the
// user types. It holds the copy of the library it searches (comboinhalt), so it
// is created hidden at start and only ever hidden again.
class frmSuchen final : public QWidget
{
    Q_OBJECT
public:
    explicit frmSuchen(frmPlayer& player);
    Q_DISABLE_COPY_MOVE(frmSuchen)

    // Every library entry, sorted; the list that the typing search searches.
    void setInhalt(const QStringList& sortiert);

    // Position (from 1) of the first blank in Text; 0 when it has none.
    static int Leerzeichenfinden(const QString& Text);
    // Appends to InDieserListeSpeichern, in their order, the entries of
    // DieseListeDurchsuchen that contain every blank-separated word of Text,
    // letter case ignored. A text of blanks only gives the single empty word,
    // which every entry contains.
    static void Suchen(QString Text, const QStringList& DieseListeDurchsuchen,
                       QStringList& InDieserListeSpeichern);

    void txtSuchtext_Change();
    void txtSuchtext_DblClick();
    void cmdJetztSpielen_Click();
    void cmdWarteListe_Click();
    void cmdZurück_Click();

    // The hits, in the order of comboinhalt.
    QStringList combosuchenEintraege() const;

    QLineEdit* txtSuchtext = nullptr;
    QLabel* lblTreffer = nullptr;
    QListView* combosuchen = nullptr;
    QPushButton* cmdWarteListe = nullptr;
    QPushButton* cmdJetztSpielen = nullptr;
    QPushButton* cmdZurück = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A list made ready for searching, once: every entry case-folded, and a
    // mask of the characters it holds, which passes over most entries of a
    // typical search without reading their text.
    struct Suchbestand {
        QStringList gefaltet;
        std::vector<quint64> zeichen;
    };
    static Suchbestand vorbereiten(const QStringList& liste);
    static void Suchen(QString Text, const QStringList& DieseListeDurchsuchen,
                       const Suchbestand& bestand, QStringList& InDieserListeSpeichern);

    // Text of the selected hit; empty when none is selected.
    QString markierterTreffer() const;

    frmPlayer& m_player;
    QStringList m_inhalt; // comboinhalt
    Suchbestand m_bestand;
    QStringListModel* m_treffer = nullptr;
};
