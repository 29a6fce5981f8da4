#pragma once
// One form as a Win32 window: a child window per control, kept in step with the form through
// FormSync, and the user's actions handed to the form's entry points.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "ui/Form.h"

namespace ardeko::ui::win32 {

class Win32Ui;

class FormWindow {
public:
    FormWindow(Form& form, Win32Ui& ui, HWND owner);
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    Form& form() const { return form_; }
    HWND hwnd() const { return hwnd_; }
    HWND ControlWindow(const std::string& name) const;
    // Applies what changed in the form since the last call.
    void Sync();
    // Enter presses the focused button, else the default one; Escape the cancel button, else
    // it acts as the close box. True when used up.
    bool HandleKey(const MSG& msg);
    // Puts the keyboard focus where a user starts: on the default button, else the first stop.
    void FocusFirst();
    int Dpi() const { return dpi_; }

    // Registers the window classes once per module.
    static void RegisterClasses(HINSTANCE instance);

private:
    enum class Kind { Band, Button, Check, Option, Group, Panel, Label, Link, Image, Line, CheckList, Combo, ListView, Other };
    struct Item {
        Control* control = nullptr;
        Kind kind = Kind::Other;
        HWND hwnd = nullptr;
        bool hover = false;
    };

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleControl(Item& item, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    void Create(Control& control, int index);
    void Apply(Item& item);
    void ApplyForm(const FormState& state);
    // Twips to pixels at the DPI of the monitor the window is on.
    int Px(int twips) const;
    void ChangeDpi(int dpi, const RECT& suggested);
    // Where the title band lies, and its close glyph in it (client coordinates; empty: none).
    RECT BandRect() const;
    RECT CloseGlyphRect() const;
    LRESULT HitTest(LPARAM lp);
    void DrawBand(const Item& item, HDC dc, const RECT& r);
    void CloseBox();
    void OnCommand(Item& item, int code);
    void Draw(const DRAWITEMSTRUCT& draw);
    void DrawButton(const Item& item, const DRAWITEMSTRUCT& draw);
    void DrawCheckListEntry(const Item& item, const DRAWITEMSTRUCT& draw);
    HBRUSH Colours(HDC dc, HWND child);
    HFONT FontOf(const Control& control);
    int EvenWrapWidth(HWND w, const std::wstring& text, HFONT font, int width) const;
    HFONT Font(int points, bool bold, bool underline);
    Item* ItemOf(HWND child);
    Item* ItemById(int id);
    Button* ButtonWith(bool Button::*flag) const;
    // Runs a user's action on the form, then shows what it changed in every window.
    template <class Action>
    void Forward(Action&& action);
    void Press(Button& button);
    void ToggleEntry(Item& item, int row);
    bool InPanel(const Control& control) const;

    Form& form_;
    Win32Ui& ui_;
    FormSync sync_;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    std::vector<Item> items_;               // in collection order; control id = 100 + index
    std::map<int, HFONT> fonts_;
    HBRUSH panelBrush_ = nullptr;
    HCURSOR cursor_ = nullptr;              // the form's mouse pointer; null: the controls' own
    bool decorated_ = false;                // has a title band, which is the window's title bar
    bool controlBox_ = true;
    bool closeHot_ = false, closePressed_ = false;
    int dpi_ = 96;
    std::string bandCaption_;
};

}  // namespace ardeko::ui::win32
