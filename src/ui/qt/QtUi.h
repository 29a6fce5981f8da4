#pragma once
// The desktop renderer on Linux: every form becomes a Qt Widgets window whose widgets mirror
// the form's controls, the user's clicks go to the form's handlers. The styled message boxes are
// forms of our own in the message dialog's design; the plain message box and the folder choice
// are Qt dialogs. A QApplication must exist before the first call.
#include <QElapsedTimer>
#include <QString>
#include <QTranslator>
#include <memory>
#include <vector>

#include "platform/Ui.h"

class QWidget;

namespace ardeko::ui {

class Form;
class FormWindow;

class QtUi : public platform::Ui {
public:
    QtUi();
    ~QtUi() override;

    // The window of a form being shown, null when it is not shown.
    QWidget* WindowOf(const Form& form) const;
    // Brings every shown window up to date with its form.
    void SyncAll();

    // The language of what Qt draws itself (its dialogs' and context menus' texts): German or
    // English, as the add-in's UI language says.
    void SetLanguage(bool german);

    // Twips to pixels and back at the screen's resolution.
    int Px(int twips) const;
    int Twips(int px) const;

    // --- platform::Ui ---
    void ShowModal(Form& form) override;
    void DoEvents() override;
    void Beep() override;
    int SystemMessageBox(const std::string& text, const std::string& title, std::int32_t flags) override;
    int StyledMessageBox(const platform::StyledMsgBoxRequest& request) override;
    int SystemMetric(int id) override;
    int TextWidth(const Form& form, const std::string& text) override;
    int TextHeight(const Form& form, const std::string& text, int width) override;
    void BringToFront(Form& form) override;
    std::string BrowseForFolder(const std::string& title, const std::string& startFolder,
                                bool newStyle) override;

private:
    // The window that a dialog shown now belongs to: the active form's, else none.
    QWidget* OwnerWindow() const;
    // Shows a loaded form modally over `owner` until it is unloaded.
    void Show(Form& form, QWidget* owner, bool closeBox);

    double dpi_;
    std::vector<FormWindow*> windows_;  // innermost last
    QElapsedTimer sinceSync_;
    std::unique_ptr<QTranslator> translator_;
};

// The forms' font: Tahoma, loaded from the file that Debian's fonts-wine installs outside
// fontconfig's folders; the system's sans-serif where it is missing. True when Tahoma is there.
bool LoadFormFont();

// Plays a sound file in the background when it exists and a player is at hand; silent
// otherwise (the buttons' sounds are optional).
void PlaySound(const std::string& file);

// Object names of the dialogs that are not forms, for tests and screenshots.
inline constexpr const char* StyledBoxName = "MsgBoxStd";
inline constexpr const char* SystemBoxName = "SystemMessageBox";
inline constexpr const char* BrowseDialogName = "BrowseForFolder";

}  // namespace ardeko::ui
