#pragma once

#include <QWidget>

class Dialogs;
class Sitzung;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The source-paths window: edits the folders the library is read from, for
// the next start. It shows the session's folders as they are when it opens,
// hands the edited list back and has it written when it unloads.
class frmQuellpfad final : public QWidget
{
    Q_OBJECT
public:
    frmQuellpfad(Sitzung& sitzung, Dialogs& dialogs, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(frmQuellpfad)

    void cmdSpeichern_Click();
    void cmdlöschen_Click();
    void cmdZurück_Click();
    void lstPfade_Click();
    // Hands the list as it stands to the session, which writes it.
    void uebernehmen();

    QLabel* Label1 = nullptr;
    QListWidget* lstPfade = nullptr;
    QLineEdit* txtEingabe = nullptr;
    QPushButton* cmdSpeichern = nullptr;
    QPushButton* cmdlöschen = nullptr;
    QPushButton* cmdZurück = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Sitzung& m_sitzung;
    Dialogs& m_dialogs;
};
