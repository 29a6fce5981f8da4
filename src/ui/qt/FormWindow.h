#pragma once
// One form as a Qt window: a widget per control, kept in step with the form through FormSync,
// and the user's actions handed to the form's entry points.
#include <QDialog>
#include <QPixmap>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/Form.h"

class QLabel;
class QPushButton;

namespace ardeko::ui {

class QtUi;

class FormWindow : public QDialog {
public:
    FormWindow(Form& form, QtUi& ui, QWidget* owner);

    Form& form() const { return form_; }
    // Applies what changed in the form since the last call.
    void Sync();
    // Puts the focus on the default button, so that Enter presses it and Tab starts from it.
    void FocusDefaultButton();
    // Without a close box the window frame's close and Escape without a cancel button do
    // nothing: for boxes that demand an answer.
    // Asks the window manager to leave out the close button then. Call before showing.
    void SetCloseBox(bool closeBox);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override {}  // Escape and the close box go through the form

private:
    QWidget* Create(Control& control);
    void Apply(Control& control, QWidget* widget);
    void ApplyForm(const FormState& state);
    QFont FontOf(const Control& control) const;
    // Runs a user's action on the form, then shows what it changed in every window.
    template <class Action>
    void Forward(Action&& action);
    Button* ButtonWith(bool Button::*flag) const;

    Form& form_;
    QtUi& ui_;
    FormSync sync_;
    std::unordered_map<const QObject*, Control*> controlOf_;
    std::unordered_map<const Control*, QWidget*> widgetOf_;
    bool decorated_ = false;  // has a title band
    bool closeBox_ = true;
};

// The styled suite's button look, also for the buttons of our dialogs that are not forms.
void StyleButton(QPushButton& button);

// Our own pictures, drawn at the size asked for: logo, symbols, the picture buttons' images.
QPixmap Picture(const std::string& name, QSize size);

}  // namespace ardeko::ui
