#pragma once
// The form model: forms are plain classes whose controls are members; a renderer draws them
// and forwards the user's actions to the event handlers. All lengths are in twips.
#include <functional>
#include <string>
#include <vector>

namespace ardeko::ui {

class Form;

class Control {
public:
    Control(Form& form, std::string name, std::string typeName);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& Name() const { return name_; }
    // The type name a form's control collection reports ("XPButton", "Label", "ListView" ...).
    const std::string& TypeName() const { return typeName_; }
    Form& Parent() const { return *form_; }

    std::string Tag;
    std::string ToolTipText;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = true;
    bool Enabled = true;

    // Places the control in one call, as the designer's layout does.
    void Move(int left, int top, int width, int height) {
        Left = left;
        Top = top;
        Width = width;
        Height = height;
    }
    int Right() const { return Left + Width; }
    int Bottom() const { return Top + Height; }

    // Which optional properties this kind of control has; assigning a missing one fails.
    virtual bool HasCaption() const { return false; }
    virtual bool HasToolTip() const { return true; }

    std::function<void()> Click;
    std::function<void()> DblClick;
    // What a user's click or double click does: raises the event of an enabled, visible control.
    void PerformClick();
    void PerformDblClick();

private:
    Form* form_;
    std::string name_;
    std::string typeName_;
};

class CaptionControl : public Control {
public:
    using Control::Control;
    bool HasCaption() const override { return true; }
    std::string Caption;
};

class Label : public CaptionControl {
public:
    Label(Form& form, std::string name) : CaptionControl(form, std::move(name), "Label") {}
    bool WordWrap = false;  // grows downwards to fit its text at its width
};

// A clickable link label.
class LinkLabel : public CaptionControl {
public:
    LinkLabel(Form& form, std::string name) : CaptionControl(form, std::move(name), "LinkLabel") {}
};

class Button : public CaptionControl {
public:
    Button(Form& form, std::string name) : CaptionControl(form, std::move(name), "XPButton") {}
    std::string Picture;  // name of the picture shown, "" for none
    bool Default = false; // Enter presses it
    bool Cancel = false;  // Escape presses it
    std::string SoundClick;
    std::string SoundHover;
};

class CheckBox : public CaptionControl {
public:
    CheckBox(Form& form, std::string name) : CaptionControl(form, std::move(name), "XPCheckBox") {}
    bool Value = false;
};

class OptionButton : public CaptionControl {
public:
    OptionButton(Form& form, std::string name, std::string group)
        : CaptionControl(form, std::move(name), "XPOptionButton"), Group(std::move(group)) {}
    // Selecting one clears the others of the same group, as a user's click does.
    void Select();
    bool Value = false;
    std::string Group;
};

class Frame : public CaptionControl {
public:
    Frame(Form& form, std::string name, std::string typeName = "XPFrame")
        : CaptionControl(form, std::move(name), std::move(typeName)) {}
};

class Image : public Control {
public:
    Image(Form& form, std::string name) : Control(form, std::move(name), "Image") {}
    std::string Picture;
};

class Line : public Control {
public:
    Line(Form& form, std::string name) : Control(form, std::move(name), "Line") {}
    bool HasToolTip() const override { return false; }
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

// A list box with a check box per entry.
class CheckListBox : public Control {
public:
    CheckListBox(Form& form, std::string name) : Control(form, std::move(name), "ListBox") {}
    struct Item {
        std::string Text;
        bool Selected = false;  // ticked
    };
    std::vector<Item> Items;
    int ListIndex = -1;  // the current entry

    void AddItem(std::string text) { Items.push_back({std::move(text), false}); }
    int ListCount() const { return static_cast<int>(Items.size()); }
    // A user's tick or untick: changes the entry, then raises ItemCheck. Changing
    // Items[i].Selected directly raises nothing.
    void UserSetSelected(int index, bool ticked);
    std::function<void(int index)> ItemCheck;
};

// A drop-down list that only allows picking one of its entries.
class ComboList : public Control {
public:
    ComboList(Form& form, std::string name) : Control(form, std::move(name), "ComboBox") {}
    std::vector<std::string> Items;
    int ListIndex = -1;
    void AddItem(std::string text) { Items.push_back(std::move(text)); }
    int ListCount() const { return static_cast<int>(Items.size()); }
    // The shown text: the selected entry, or "" when none is selected.
    std::string Text() const;
    // Selects the entry with this text; false (and nothing changes) when there is none.
    bool SetText(const std::string& text);
};

class ListView : public Control {
public:
    ListView(Form& form, std::string name) : Control(form, std::move(name), "ListView") {}
    std::vector<std::string> ColumnHeaders;
};

// The styled suite's form decoration: the title band across the top of a form.
class XPFormDecoration : public CaptionControl {
public:
    XPFormDecoration(Form& form, std::string name)
        : CaptionControl(form, std::move(name), "XPForm") {}
    bool HasToolTip() const override { return false; }
    int ColorScheme = 0;
    bool Attached = false;
    void Attach() { Attached = true; }
};

enum MousePointer { MousePointerDefault = 0, MousePointerHourglass = 11, MousePointerArrowHourglass = 13 };

class Form {
public:
    explicit Form(std::string name);
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return name_; }
    std::string Caption;
    std::string Tag;
    int Width = 0, Height = 0;  // client area
    int MousePointer = MousePointerDefault;
    std::string FontName = "Tahoma";

    // The controls in the order of the form's control collection (declaration order).
    const std::vector<Control*>& Controls() const { return controls_; }
    Control* FindControl(const std::string& name) const;

    bool Loaded() const { return loaded_; }
    // Loads the form (runs its load handler once); a no-op when it is loaded already.
    void Load();
    // Unloads the form: its unload handler runs and a modal show of it ends.
    void Unload();
    // Loads the form if needed and shows it modally through the renderer.
    void ShowModal();

    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text, int width) const;

    std::function<void()> DblClick;  // a double click on the form itself

protected:
    virtual void Form_Load() {}
    virtual void Form_Unload() {}

private:
    friend class Control;
    std::string name_;
    std::vector<Control*> controls_;
    bool loaded_ = false;
};

}  // namespace ardeko::ui
