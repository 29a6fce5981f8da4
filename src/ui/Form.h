#pragma once
// The form model: forms are plain classes whose controls are members; a renderer draws them
// and forwards the user's actions to the event handlers. All lengths are in twips.
//
// For the author of a renderer (platform::Ui::ShowModal is where it starts):
// - Build one widget per entry of Controls(), in that order. A control's Container() (a frame
//   or picture panel) comes before it in the collection, so the parent widget already exists.
//   Left/Top are always form coordinates, also inside a container: subtract the container's
//   position when the widget is a child of the container's widget.
// - What changed: the forms write their public fields directly, so a renderer keeps a FormSync
//   per shown form and calls Poll() before showing and at every DoEvents; it gets the form's own
//   state and the controls whose drawn state differs since the last poll (bench/form_sync
//   prints what a poll costs). Apply them with the widget's change signals blocked: a tick or
//   selection that the code made must not come back as the user's.
// - What the user does goes in through the User...() entry points (UserSetValue, UserSelect,
//   UserSetSelected, UserSetListIndex), PerformClick, PerformDblClick and Form::PerformDblClick.
//   They raise the form's events only for a real change of an enabled, visible control, so a
//   widget that reports back the state it was just given raises nothing.
// - Closing: set Form::Unloaded while the form is shown; it is called once the form has been
//   unloaded (by its own code, e.g. a "Schließen" button), which is when the modal loop ends.
//   The window frame's close box calls Form::Unload(); a form without ControlBox has none.
// - Owner(): the form that was active when this one was shown modally (null for the first);
//   parent the window to it. Form::ActiveForm() is the owner for message boxes and the
//   folder-browse dialog.
// - Text: Control::AccessKeys() says whether "&" in a caption marks an access key ("&&" is one
//   "&"); DisplayText() gives the text as shown. Form::Caption is shown as it is; the title
//   band (XPFormDecoration) is a caption like any other, and a renderer that also shows a
//   window frame may title it with the band's text.
// - ForeColor (0xRRGGBB) and FontSize (points) override the platform's text colour and the
//   form's FontSize where set; all text uses the form's FontName.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ardeko::ui {

class Form;
class Control;

// A colour as 0xRRGGBB.
constexpr std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
}

// Everything a renderer draws of one control. Kinds fill what they have; the rest stays empty.
struct ControlState {
    std::string caption, toolTip, picture;
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = true, enabled = true;
    bool value = false;                 // check box ticked, option button selected
    std::vector<std::string> items;     // list and drop-down entries
    std::vector<bool> ticks;            // ticks of a check list
    std::vector<std::vector<std::string>> rows;  // rows of a list view, one text per column
    int listIndex = -1;
    bool isDefault = false, isCancel = false;
    std::optional<std::uint32_t> foreColor;
    int fontSize = 0;
    bool operator==(const ControlState&) const = default;
};

// A caption as it is shown where "&" marks access keys: "&&" becomes "&", a single "&" goes.
std::string DisplayText(const std::string& caption);
// The access key a caption marks (the character after a single "&", as UTF-8), "" for none.
std::string AccessKey(const std::string& caption);

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
    // The frame or picture panel that holds the control; null when it sits on the form.
    Control* Container() const { return container_; }
    void SetContainer(Control& container) { container_ = &container; }

    std::string Tag;
    std::string ToolTipText;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = true;
    bool Enabled = true;
    std::optional<std::uint32_t> ForeColor;  // the platform's text colour when empty
    int FontSize = 0;                        // points; 0: the form's

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
    // Whether "&" in the caption marks an access key (captions of every kind; never list entries).
    virtual bool AccessKeys() const { return false; }
    // What a renderer draws of this control now.
    virtual ControlState State() const;

    std::function<void()> Click;
    std::function<void()> DblClick;
    // What a user's click or double click does: raises the event of an enabled, visible control.
    void PerformClick();
    void PerformDblClick();

protected:
    // A user's action may raise events only on a control the user can reach.
    bool Reachable() const { return Enabled && Visible; }

private:
    Form* form_;
    Control* container_ = nullptr;
    std::string name_;
    std::string typeName_;
};

class CaptionControl : public Control {
public:
    using Control::Control;
    bool HasCaption() const override { return true; }
    bool AccessKeys() const override { return true; }
    ControlState State() const override;
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
    ControlState State() const override;
};

class CheckBox : public CaptionControl {
public:
    CheckBox(Form& form, std::string name) : CaptionControl(form, std::move(name), "XPCheckBox") {}
    bool Value = false;
    // A user's tick or untick: raises Click when the value changes.
    void UserSetValue(bool ticked);
    ControlState State() const override;
};

class OptionButton : public CaptionControl {
public:
    OptionButton(Form& form, std::string name, std::string group)
        : CaptionControl(form, std::move(name), "XPOptionButton"), Group(std::move(group)) {}
    // Selecting one clears the others of the same group, as a user's click does.
    void Select();
    // A user's click: selects the button and raises Click when it was not selected.
    void UserSelect();
    bool Value = false;
    std::string Group;
    ControlState State() const override;
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
    ControlState State() const override;
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
    // A user's tick or untick: changes the entry, makes it the current one, then raises
    // ItemCheck. Changing Items[i].Selected directly raises nothing, nor does a "change" to
    // the tick the entry already has.
    void UserSetSelected(int index, bool ticked);
    std::function<void(int index)> ItemCheck;
    ControlState State() const override;
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
    // A user's pick of an entry: raises Click when the selection changes.
    void UserSetListIndex(int index);
    ControlState State() const override;
};

class ListView : public Control {
public:
    ListView(Form& form, std::string name) : Control(form, std::move(name), "ListView") {}
    std::vector<std::string> ColumnHeaders;
    // One entry per row: the texts of its columns, in the order of the headers.
    std::vector<std::vector<std::string>> Rows;
    int ListIndex = -1;  // the selected row, -1 for none
    int ListCount() const { return static_cast<int>(Rows.size()); }
    // A user's pick of a row: raises Click when the selection changes.
    void UserSetListIndex(int index);
    ControlState State() const override;
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

// What a renderer draws of the form itself.
struct FormState {
    std::string caption;
    int width = 0, height = 0;
    int mousePointer = MousePointerDefault;
    bool controlBox = true;
    bool operator==(const FormState&) const = default;
};

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
    // Whether the window has a close box; without one it closes only through its own buttons.
    bool ControlBox = true;
    std::string FontName = "Tahoma";
    int FontSize = 8;  // points

    // The controls in the order of the form's control collection (declaration order).
    const std::vector<Control*>& Controls() const { return controls_; }
    Control* FindControl(const std::string& name) const;

    bool Loaded() const { return loaded_; }
    // Loads the form (runs its load handler once); a no-op when it is loaded already.
    void Load();
    // Unloads the form: its unload handler runs and a modal show of it ends.
    void Unload();
    // Loads the form if needed and shows it modally through the renderer, owned by the form
    // that is active at that moment.
    void ShowModal();
    // While shown modally: the form it was shown over (null for the first one).
    Form* Owner() const { return owner_; }
    // The innermost form being shown modally, null when none is.
    static Form* ActiveForm();
    // Called after every unload, for the renderer that shows the form.
    std::function<void()> Unloaded;

    FormState State() const { return {Caption, Width, Height, MousePointer, ControlBox}; }

    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text, int width) const;

    std::function<void()> DblClick;  // a double click on the form itself
    void PerformDblClick() {
        if (DblClick) DblClick();
    }

protected:
    virtual void Form_Load() {}
    virtual void Form_Unload() {}

private:
    friend class Control;
    std::string name_;
    std::vector<Control*> controls_;
    Form* owner_ = nullptr;
    bool loaded_ = false;
};

// Tells a renderer what changed since it last looked: the form's state and the controls
// whose state differs. The first poll reports everything.
class FormSync {
public:
    explicit FormSync(const Form& form) : form_(form) {}
    struct Changes {
        std::optional<FormState> form;   // set when the form's own state changed
        std::vector<Control*> controls;  // in collection order
        bool empty() const { return !form && controls.empty(); }
    };
    Changes Poll();

private:
    const Form& form_;
    std::optional<FormState> formState_;
    std::vector<ControlState> controls_;
    bool polled_ = false;
};

}  // namespace ardeko::ui
