#pragma once

#include <QTimer>
#include <QWidget>

class Bibliothek;
class QLabel;

// Counts the tracks found while a long library read runs, so that a start on
// a slow disk does not look like no start at all. A read shorter than about
// half a second never shows it. Closing it ends the program.
class frmLaden final : public QWidget
{
    Q_OBJECT
public:
    explicit frmLaden(const Bibliothek& bibliothek, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(frmLaden)

    QLabel* lblGefunden = nullptr;

Q_SIGNALS:
    void geschlossen();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    const Bibliothek& m_bibliothek;
    QTimer m_takt;
};
