#pragma once

#include <QWidget>
#include <array>

struct Optionen;
class QCheckBox;
class QPushButton;

// The settings window: five boxes over the options, filled from them when it
// loads. A click sets its option at once, so that an end while the window is
// open saves it; the unload (close) sets every option to its box.
class frmEinstellungen final : public QWidget
{
    Q_OBJECT
public:
    explicit frmEinstellungen(Optionen& optionen, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(frmEinstellungen)

    void cmdZurück_Click();

    std::array<QCheckBox*, 5> checkBox{};
    QPushButton* cmdZurück = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The option bound to each box, in box order.
    std::array<int*, 5> felder();

    Optionen& m_optionen;
};
