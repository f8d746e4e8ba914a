#pragma once

#include <QWidget>
#include <array>

class frmPlayer;
class QCheckBox;
class QPushButton;

// The settings window: five boxes over the main window's option fields,
// filled from them when it loads and copied back when it unloads (closes).
class frmEinstellungen final : public QWidget
{
    Q_OBJECT
public:
    explicit frmEinstellungen(frmPlayer& player);
    Q_DISABLE_COPY_MOVE(frmEinstellungen)

    void cmdZurück_Click();

    std::array<QCheckBox*, 5> checkBox{};
    QPushButton* cmdZurück = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The option field bound to each box, in box order.
    std::array<int*, 5> felder();

    frmPlayer& m_player;
};
