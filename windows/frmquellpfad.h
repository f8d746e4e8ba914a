#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The source-paths window: edits the folders of "Quellpfad.wob" for the next
// start. It reads the file when it loads and rewrites it when it unloads.
class frmQuellpfad final : public QWidget
{
    Q_OBJECT
public:
    frmQuellpfad();
    Q_DISABLE_COPY_MOVE(frmQuellpfad)

    static QString Lesen(const QString& Pfad);
    // Replaces "Quellpfad.wob" with Text.
    static void Speichern(const QString& Text);

    void cmdSpeichern_Click();
    void cmdlöschen_Click();
    void cmdZurück_Click();
    void lstPfade_Click();

    QLabel* Label1 = nullptr;
    QListWidget* lstPfade = nullptr;
    QLineEdit* txtEingabe = nullptr;
    QPushButton* cmdSpeichern = nullptr;
    QPushButton* cmdlöschen = nullptr;
    QPushButton* cmdZurück = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
};
