#pragma once

#include <QString>

class QWidget;

// Message boxes behind an interface, so that tests answer them without a modal loop.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // A question with the buttons Yes and No and no icon; true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& text, const QString& title) = 0;
    // A message with an OK button, no icon and the application's title.
    virtual void inform(QWidget* parent, const QString& text) = 0;
};

class QtDialogs final : public Dialogs
{
public:
    bool askYesNo(QWidget* parent, const QString& text, const QString& title) override;
    void inform(QWidget* parent, const QString& text) override;
};
