#include "ui/win32/FormWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "platform/win32/WinText.h"
#include "ui/win32/Win32Ui.h"

namespace ardeko::ui::win32 {

namespace {

namespace wt = ardeko::win32;

constexpr int kFirstId = 100;
constexpr UINT_PTR kSubclassId = 1;

// The styled suite's colours.
constexpr COLORREF kButtonTop = RGB(0xff, 0xff, 0xff);
constexpr COLORREF kButtonBottom = RGB(0xdf, 0xe6, 0xef);
constexpr COLORREF kButtonPressed = RGB(0xcf, 0xd9, 0xe6);
constexpr COLORREF kButtonBorder = RGB(0x6f, 0x8f, 0xb7);
constexpr COLORREF kButtonHover = RGB(0xf0, 0xa0, 0x30);
constexpr COLORREF kButtonFocus = RGB(0x3c, 0x6f, 0xb6);
constexpr COLORREF kDisabledText = RGB(0x9a, 0xa3, 0xad);
constexpr COLORREF kPanel = RGB(0xee, 0xf3, 0xf9);
constexpr COLORREF kPanelBorder = RGB(0xb7, 0xc6, 0xda);
constexpr COLORREF kLink = RGB(0x0b, 0x3d, 0xb0);
constexpr COLORREF kCloseHot = RGB(0xc4, 0x2b, 0x1c);

COLORREF ColorRef(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// A control is reachable only when every container around it is shown too.
bool Shown(const Control& c) {
    for (const Control* p = &c; p; p = p->Container())
        if (!p->Visible) return false;
    return true;
}

void Outline(HDC dc, const RECT& r, COLORREF colour) {
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, r.left, r.top, r.right, r.bottom, 5, 5);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

}  // namespace

void FormWindow::RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, FormClassName, &wc)) return;
    wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &FormWindow::WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = FormClassName;
    RegisterClassExW(&wc);
}

FormWindow::FormWindow(Form& form, Win32Ui& ui, HWND owner) : form_(form), ui_(ui), sync_(form) {
    RegisterClasses(ui.Instance());
    panelBrush_ = CreateSolidBrush(kPanel);
    for (Control* c : form.Controls())
        if (dynamic_cast<XPFormDecoration*>(c)) decorated_ = true;
    // Our windows follow the DPI of their monitor, whatever the host's thread is set to.
    const PerMonitorAwareness aware;
    // A form with a title band has no system caption: the band is its title bar. The frame
    // keeps the system menu (Alt+Space), and the window's text names it in the taskbar and
    // in Alt+Tab.
    const DWORD style = WS_POPUP | WS_SYSMENU | WS_CLIPCHILDREN | (decorated_ ? WS_BORDER : WS_CAPTION);
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT | (decorated_ ? 0 : WS_EX_DLGMODALFRAME), FormClassName,
                            wt::Wide(form.Caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, owner,
                            nullptr, ui.Instance(), this);
    dpi_ = DpiOf(hwnd_);
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                               ui.Instance(), nullptr);
    if (tooltip_) SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
    items_.reserve(form.Controls().size());
    int index = 0;
    for (Control* c : form.Controls()) Create(*c, index++);
    // Frames and panels lie below what they contain; pictures above the labels beside them,
    // whose boxes may reach under them.
    for (auto& item : items_) {
        if (item.kind == Kind::Group || item.kind == Kind::Panel)
            SetWindowPos(item.hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        else if (item.kind == Kind::Image)
            SetWindowPos(item.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

FormWindow::~FormWindow() {
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    for (auto& [key, font] : fonts_) DeleteObject(font);
    if (panelBrush_) DeleteObject(panelBrush_);
}

HWND FormWindow::ControlWindow(const std::string& name) const {
    for (const auto& item : items_)
        if (item.control->Name() == name) return item.hwnd;
    return nullptr;
}

void FormWindow::Create(Control& control, int index) {
    Item item;
    item.control = &control;
    Control* c = &control;
    const wchar_t* cls = L"STATIC";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD ex = 0;
    const DWORD prefix = control.AccessKeys() ? 0 : SS_NOPREFIX;
    if (dynamic_cast<XPFormDecoration*>(c)) {
        item.kind = Kind::Band;
        style |= SS_OWNERDRAW | SS_NOTIFY;
    } else if (dynamic_cast<Button*>(c)) {
        item.kind = Kind::Button;
        cls = L"BUTTON";
        style |= BS_OWNERDRAW | WS_TABSTOP;
    } else if (dynamic_cast<CheckBox*>(c)) {
        item.kind = Kind::Check;
        cls = L"BUTTON";
        style |= BS_CHECKBOX | BS_TOP | BS_MULTILINE | WS_TABSTOP;  // ticked by the form, not by itself
    } else if (dynamic_cast<OptionButton*>(c)) {
        item.kind = Kind::Option;
        cls = L"BUTTON";
        style |= BS_RADIOBUTTON | BS_TOP | BS_MULTILINE | WS_TABSTOP;
    } else if (dynamic_cast<Frame*>(c)) {
        if (control.TypeName() == "XPFrame") {
            item.kind = Kind::Group;
            cls = L"BUTTON";
            style |= BS_GROUPBOX;
        } else {
            item.kind = Kind::Panel;
            style |= SS_OWNERDRAW | SS_NOTIFY;
        }
    } else if (dynamic_cast<LinkLabel*>(c)) {
        item.kind = Kind::Link;
        style |= SS_LEFT | SS_NOTIFY | prefix;
    } else if (auto* label = dynamic_cast<Label*>(c)) {
        item.kind = Kind::Label;
        style |= (label->WordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP) | SS_NOTIFY | prefix;
    } else if (dynamic_cast<Image*>(c)) {
        item.kind = Kind::Image;
        style |= SS_OWNERDRAW | SS_NOTIFY;
    } else if (dynamic_cast<Line*>(c)) {
        item.kind = Kind::Line;
        style |= SS_ETCHEDHORZ;
    } else if (dynamic_cast<CheckListBox*>(c)) {
        item.kind = Kind::CheckList;
        cls = L"LISTBOX";
        style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;
        ex = WS_EX_CLIENTEDGE;
    } else if (dynamic_cast<ComboList*>(c)) {
        item.kind = Kind::Combo;
        cls = L"COMBOBOX";
        style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
    } else if (dynamic_cast<ListView*>(c)) {
        item.kind = Kind::ListView;
        cls = WC_LISTVIEWW;
        style |= LVS_REPORT | LVS_NOSORTHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP;
        ex = WS_EX_CLIENTEDGE;
    } else if (dynamic_cast<CaptionControl*>(c)) {
        item.kind = Kind::Label;
        style |= SS_LEFT | SS_NOTIFY | prefix;
    }
    item.hwnd = CreateWindowExW(ex, cls, L"", style, 0, 0, 1, 1, hwnd_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + index)), ui_.Instance(), nullptr);
    if (item.hwnd) {
        SetWindowSubclass(item.hwnd, &FormWindow::ControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
        if (tooltip_) {
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = hwnd_;
            tool.uId = reinterpret_cast<UINT_PTR>(item.hwnd);
            tool.lpszText = const_cast<wchar_t*>(L"");
            SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    items_.push_back(item);
}

int FormWindow::Px(int twips) const { return static_cast<int>(std::lround(twips * dpi_ / 1440.0)); }

HFONT FormWindow::Font(int points, bool bold, bool underline) {
    const int key = points * 4 + (bold ? 2 : 0) + (underline ? 1 : 0);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    const int height = -MulDiv(points, dpi_, 72);
    HFONT font = CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS,
                             wt::Wide(form_.FontName).c_str());
    fonts_[key] = font;
    return font;
}

HFONT FormWindow::FontOf(const Control& control) {
    const int points = control.FontSize > 0 ? control.FontSize : form_.FontSize;
    if (dynamic_cast<const XPFormDecoration*>(&control)) return Font(points + 2, true, false);
    return Font(points, false, dynamic_cast<const LinkLabel*>(&control) != nullptr);
}

bool FormWindow::InPanel(const Control& control) const {
    for (const Control* p = control.Container(); p; p = p->Container())
        if (dynamic_cast<const Frame*>(p) && p->TypeName() != "XPFrame") return true;
    return false;
}

// The width at which a check or option caption that wraps wraps evenly: the least width that
// keeps its number of lines, so that no word is left alone on the last one. A caption on one
// line keeps the width it has.
int FormWindow::EvenWrapWidth(HWND w, const std::wstring& text, HFONT font, int width) const {
    const int n = static_cast<int>(text.size());
    if (n == 0) return width;
    // The box or circle and the gap before the caption, with room to spare: a caption measured
    // a little too wide only wraps as before.
    const int glyph = MulDiv(13 + 4 + 4, dpi_, 96);
    HDC dc = GetDC(w);
    const HGDIOBJ old = SelectObject(dc, font);
    const auto height = [&](int textWidth) {
        RECT r{0, 0, textWidth, 0};
        DrawTextW(dc, text.c_str(), n, &r, DT_CALCRECT | DT_WORDBREAK);
        return r.bottom;
    };
    int result = width;
    if (const int available = width - glyph; available > 0) {
        const int lines = height(available);
        RECT one{0, 0, 0, 0};
        DrawTextW(dc, text.c_str(), n, &one, DT_CALCRECT | DT_SINGLELINE);
        if (lines > one.bottom) {
            int low = available / 2, high = available;  // height(high) == lines
            while (low < high) {
                const int mid = (low + high) / 2;
                if (height(mid) <= lines) high = mid;
                else low = mid + 1;
            }
            result = high + glyph;
        }
    }
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    return result;
}

void FormWindow::Apply(Item& item) {
    Control& control = *item.control;
    Control* c = &control;
    HWND w = item.hwnd;
    if (!w) return;
    int left = Px(control.Left), top = Px(control.Top);
    int width = std::max(1, Px(control.Width)), height = std::max(1, Px(control.Height));
    if (auto* line = dynamic_cast<Line*>(c)) {
        left = Px(line->X1);
        top = Px(line->Y1) - 1;
        width = std::max(1, Px(line->X2 - line->X1));
        height = 2;
    }
    // A drop-down list's window includes its opened list.
    if (item.kind == Kind::Combo) height += Px(2400);
    if (auto* cc = dynamic_cast<CaptionControl*>(c); cc && (item.kind == Kind::Check || item.kind == Kind::Option))
        width = EvenWrapWidth(w, ControlText(cc->Caption), FontOf(control), width);
    SetWindowPos(w, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(control)), FALSE);
    EnableWindow(w, control.Enabled);
    if (tooltip_) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = hwnd_;
        tool.uId = reinterpret_cast<UINT_PTR>(w);
        const std::wstring tip = wt::Wide(control.ToolTipText);
        tool.lpszText = const_cast<wchar_t*>(tip.c_str());
        SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    if (auto* band = dynamic_cast<XPFormDecoration*>(c)) {
        bandCaption_ = DisplayText(band->Caption);
        SetWindowTextW(hwnd_, wt::Wide(bandCaption_).c_str());  // the frame repeats the band's title
        SetWindowTextW(w, ControlText(band->Caption).c_str());
    } else if (auto* cc = dynamic_cast<CaptionControl*>(c)) {
        SetWindowTextW(w, ControlText(cc->Caption).c_str());
    }
    if (auto* cb = dynamic_cast<CheckBox*>(c)) SendMessageW(w, BM_SETCHECK, cb->Value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (auto* ob = dynamic_cast<OptionButton*>(c)) SendMessageW(w, BM_SETCHECK, ob->Value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (auto* lst = dynamic_cast<CheckListBox*>(c)) {
        bool same = static_cast<int>(SendMessageW(w, LB_GETCOUNT, 0, 0)) == lst->ListCount();
        for (int i = 0; same && i < lst->ListCount(); ++i) {
            wchar_t buffer[512] = {};
            const auto n = SendMessageW(w, LB_GETTEXTLEN, i, 0);
            if (n < 0 || n >= 511) {
                same = false;
                break;
            }
            SendMessageW(w, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer));
            same = wt::Utf8(buffer) == lst->Items[static_cast<std::size_t>(i)].Text;
        }
        if (!same) {
            SendMessageW(w, LB_RESETCONTENT, 0, 0);
            for (const auto& entry : lst->Items)
                SendMessageW(w, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wt::Wide(entry.Text).c_str()));
        }
        const int rowHeight = std::max(Px(240), MulDiv(form_.FontSize, dpi_, 72) + MulDiv(6, dpi_, 96));
        SendMessageW(w, LB_SETITEMHEIGHT, 0, rowHeight);
        SendMessageW(w, LB_SETCURSEL, lst->ListIndex, 0);
    }
    if (auto* cl = dynamic_cast<ComboList*>(c)) {
        bool same = static_cast<int>(SendMessageW(w, CB_GETCOUNT, 0, 0)) == cl->ListCount();
        for (int i = 0; same && i < cl->ListCount(); ++i) {
            wchar_t buffer[512] = {};
            const auto n = SendMessageW(w, CB_GETLBTEXTLEN, i, 0);
            if (n < 0 || n >= 511) {
                same = false;
                break;
            }
            SendMessageW(w, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
            same = wt::Utf8(buffer) == cl->Items[static_cast<std::size_t>(i)];
        }
        if (!same) {
            SendMessageW(w, CB_RESETCONTENT, 0, 0);
            for (const auto& entry : cl->Items)
                SendMessageW(w, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wt::Wide(entry).c_str()));
        }
        SendMessageW(w, CB_SETCURSEL, cl->ListIndex, 0);
    }
    if (auto* lv = dynamic_cast<ListView*>(c)) {
        while (SendMessageW(w, LVM_DELETECOLUMN, 0, 0)) {
        }
        int i = 0;
        const int columnWidth = lv->ColumnHeaders.empty() ? width : width / static_cast<int>(lv->ColumnHeaders.size());
        for (const auto& header : lv->ColumnHeaders) {
            std::wstring text = wt::Wide(header);
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = text.data();
            column.cx = columnWidth;
            SendMessageW(w, LVM_INSERTCOLUMNW, i++, reinterpret_cast<LPARAM>(&column));
        }
        SendMessageW(w, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        SendMessageW(w, LVM_SETTEXTCOLOR, 0, lv->ForeColor ? ColorRef(*lv->ForeColor) : CLR_DEFAULT);
        SendMessageW(w, LVM_DELETEALLITEMS, 0, 0);
        for (int row = 0; row < lv->ListCount(); ++row) {
            const auto& cells = lv->Rows[static_cast<std::size_t>(row)];
            for (int col = 0; col < static_cast<int>(cells.size()); ++col) {
                std::wstring text = wt::Wide(cells[static_cast<std::size_t>(col)]);
                LVITEMW cell{};
                cell.mask = LVIF_TEXT;
                cell.iItem = row;
                cell.iSubItem = col;
                cell.pszText = text.data();
                SendMessageW(w, col == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, col == 0 ? 0 : row,
                             reinterpret_cast<LPARAM>(&cell));
            }
        }
        // Each column as wide as its widest text, the last one to the edge.
        for (int column = 0; column < static_cast<int>(lv->ColumnHeaders.size()); ++column)
            SendMessageW(w, LVM_SETCOLUMNWIDTH, column, LVSCW_AUTOSIZE_USEHEADER);
        if (lv->ListIndex >= 0) {
            LVITEMW selected{};
            selected.stateMask = selected.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(w, LVM_SETITEMSTATE, lv->ListIndex, reinterpret_cast<LPARAM>(&selected));
        }
    }
    ShowWindow(w, Shown(control) ? SW_SHOWNA : SW_HIDE);
    InvalidateRect(w, nullptr, TRUE);
}

void FormWindow::ApplyForm(const FormState& state) {
    if (!decorated_) SetWindowTextW(hwnd_, wt::Wide(state.caption).c_str());
    controlBox_ = state.controlBox;
    if (HMENU menu = GetSystemMenu(hwnd_, FALSE))
        EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (controlBox_ ? MF_ENABLED : MF_GRAYED));
    RECT r{0, 0, Px(state.width), Px(state.height)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    switch (state.mousePointer) {
        case MousePointerHourglass: cursor_ = LoadCursorW(nullptr, IDC_WAIT); break;
        case MousePointerArrowHourglass: cursor_ = LoadCursorW(nullptr, IDC_APPSTARTING); break;
        default: cursor_ = nullptr; break;
    }
    POINT p;
    if (GetCursorPos(&p)) SetCursorPos(p.x, p.y);  // shows the new pointer without waiting for a move
}

void FormWindow::ChangeDpi(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    // The controls keep their old fonts until they have been given the new ones.
    std::map<int, HFONT> old;
    old.swap(fonts_);
    ApplyForm(form_.State());
    for (auto& item : items_) Apply(item);
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (auto& [key, font] : old) DeleteObject(font);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

RECT FormWindow::BandRect() const {
    RECT r{};
    for (const auto& item : items_) {
        if (item.kind != Kind::Band || !IsWindowVisible(item.hwnd)) continue;
        GetWindowRect(item.hwnd, &r);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

RECT FormWindow::CloseGlyphRect() const {
    RECT band = BandRect();
    if (!controlBox_ || IsRectEmpty(&band)) return RECT{};
    const int side = band.bottom - band.top;
    return RECT{band.right - side * 5 / 4, band.top, band.right, band.bottom};
}

LRESULT FormWindow::HitTest(LPARAM lp) {
    const LRESULT hit = DefWindowProcW(hwnd_, WM_NCHITTEST, 0, lp);
    if (hit != HTCLIENT || !decorated_) return hit;
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ScreenToClient(hwnd_, &p);
    const RECT band = BandRect(), close = CloseGlyphRect();
    // The band moves the window as a title bar does; its close glyph is a button of ours.
    return PtInRect(&band, p) && !PtInRect(&close, p) ? HTCAPTION : HTCLIENT;
}

void FormWindow::CloseBox() {
    // The close box unloads the form; the window goes when the form reports its unload.
    if (controlBox_) Forward([this] { form_.Unload(); });
}

void FormWindow::Sync() {
    // Visibility depends on the containers too: a container's change re-applies everything.
    const FormSync::Changes changes = sync_.Poll();
    if (changes.form) ApplyForm(*changes.form);
    bool containerChanged = false;
    for (Control* c : changes.controls)
        if (dynamic_cast<Frame*>(c)) containerChanged = true;
    if (containerChanged) {
        for (auto& item : items_) Apply(item);
        return;
    }
    for (Control* c : changes.controls)
        for (auto& item : items_)
            if (item.control == c) Apply(item);
}

template <class Action>
void FormWindow::Forward(Action&& action) {
    // Nothing may leave a handler into the message loop (or into the host around it).
    try {
        action();
    } catch (...) {
    }
    ui_.SyncAll();
}

void FormWindow::Press(Button& button) {
    PlaySoundFile(button.SoundClick);
    Forward([&button] { button.PerformClick(); });
}

void FormWindow::ToggleEntry(Item& item, int row) {
    auto* list = static_cast<CheckListBox*>(item.control);
    if (row < 0 || row >= list->ListCount()) return;
    const bool ticked = list->Items[static_cast<std::size_t>(row)].Selected;
    Forward([list, row, ticked] { list->UserSetSelected(row, !ticked); });
}

Button* FormWindow::ButtonWith(bool Button::*flag) const {
    for (Control* c : form_.Controls())
        if (auto* b = dynamic_cast<Button*>(c); b && b->*flag && b->Enabled && Shown(*b)) return b;
    return nullptr;
}

FormWindow::Item* FormWindow::ItemOf(HWND child) {
    for (auto& item : items_)
        if (item.hwnd == child) return &item;
    return nullptr;
}

FormWindow::Item* FormWindow::ItemById(int id) {
    const int index = id - kFirstId;
    if (index < 0 || index >= static_cast<int>(items_.size())) return nullptr;
    return &items_[static_cast<std::size_t>(index)];
}

bool FormWindow::HandleKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE)) return false;
    if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    // An opened drop-down list takes its own Enter and Escape.
    for (const auto& item : items_)
        if (item.kind == Kind::Combo && SendMessageW(item.hwnd, CB_GETDROPPEDSTATE, 0, 0)) return false;
    if (msg.wParam == VK_RETURN) {
        // A focused button takes Enter itself; otherwise the default button.
        if (Item* focused = ItemOf(GetFocus()); focused && focused->kind == Kind::Button && focused->control->Enabled) {
            Press(*static_cast<Button*>(focused->control));
        } else if (Button* b = ButtonWith(&Button::Default)) {
            Press(*b);
        }
        return true;
    }
    if (Button* b = ButtonWith(&Button::Cancel))
        Press(*b);
    else
        CloseBox();
    return true;
}

void FormWindow::FocusFirst() {
    HWND first = nullptr;
    if (Button* b = ButtonWith(&Button::Default)) first = ControlWindow(b->Name());
    if (!first) first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (first) SetFocus(first);
}

void FormWindow::OnCommand(Item& item, int code) {
    Control* c = item.control;
    switch (item.kind) {
        case Kind::Button:
            if (code == BN_CLICKED) Press(*static_cast<Button*>(c));
            break;
        case Kind::Check:
            if (code == BN_CLICKED) {
                auto* cb = static_cast<CheckBox*>(c);
                const bool ticked = !cb->Value;
                Forward([cb, ticked] { cb->UserSetValue(ticked); });
            }
            break;
        case Kind::Option:
            if (code == BN_CLICKED) Forward([c] { static_cast<OptionButton*>(c)->UserSelect(); });
            break;
        case Kind::Combo:
            if (code == CBN_SELCHANGE) {
                const int index = static_cast<int>(SendMessageW(item.hwnd, CB_GETCURSEL, 0, 0));
                Forward([c, index] { static_cast<ComboList*>(c)->UserSetListIndex(index); });
            }
            break;
        case Kind::CheckList:
            if (code == LBN_SELCHANGE) static_cast<CheckListBox*>(c)->ListIndex = static_cast<int>(SendMessageW(item.hwnd, LB_GETCURSEL, 0, 0));
            break;
        case Kind::Band:
        case Kind::Panel:
        case Kind::Label:
        case Kind::Link:
        case Kind::Image:
            if (code == STN_CLICKED) Forward([c] { c->PerformClick(); });
            if (code == STN_DBLCLK) Forward([c] { c->PerformDblClick(); });
            break;
        default: break;
    }
}

void FormWindow::DrawButton(const Item& item, const DRAWITEMSTRUCT& draw) {
    const auto* b = static_cast<const Button*>(item.control);
    HDC dc = draw.hDC;
    RECT r = draw.rcItem;
    const bool pressed = (draw.itemState & ODS_SELECTED) != 0;
    const bool disabled = (draw.itemState & ODS_DISABLED) != 0;
    const bool focused = (draw.itemState & ODS_FOCUS) != 0;
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &r, face);
    DeleteObject(face);
    RECT inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    if (pressed) {
        HBRUSH brush = CreateSolidBrush(kButtonPressed);
        FillRect(dc, &inner, brush);
        DeleteObject(brush);
    } else {
        FillGradient(dc, inner, kButtonTop, kButtonBottom, false);
    }
    // The button that Enter presses has a double border: the focused one, else the default.
    const Item* focus = ItemOf(GetFocus());
    const bool enterPresses = focused || (b->Default && !(focus && focus->kind == Kind::Button));
    const COLORREF border = disabled ? RGB(0xb8, 0xc4, 0xd2) : item.hover ? kButtonHover : enterPresses ? kButtonFocus : kButtonBorder;
    Outline(dc, r, border);
    if (enterPresses && !disabled) Outline(dc, RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, border);
    if (!b->Picture.empty()) {
        RECT pic{r.left + 5, r.top + 4, r.right - 5, r.bottom - 4};
        if (pressed) OffsetRect(&pic, 1, 1);
        DrawPicture(dc, pic, b->Picture);
    }
    if (!b->Caption.empty()) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, disabled ? kDisabledText : b->ForeColor ? ColorRef(*b->ForeColor) : GetSysColor(COLOR_BTNTEXT));
        HGDIOBJ old = SelectObject(dc, Font(b->FontSize > 0 ? b->FontSize : form_.FontSize, false, false));
        RECT text = r;
        if (pressed) OffsetRect(&text, 1, 1);
        std::wstring caption = ControlText(b->Caption);
        DrawTextW(dc, caption.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
    }
}

void FormWindow::DrawCheckListEntry(const Item& item, const DRAWITEMSTRUCT& draw) {
    const auto* list = static_cast<const CheckListBox*>(item.control);
    HDC dc = draw.hDC;
    const RECT r = draw.rcItem;
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int row = static_cast<int>(draw.itemID);
    if (row < 0 || row >= list->ListCount()) return;
    const int box = std::min<int>(r.bottom - r.top - 2, Px(195));
    RECT check{r.left + 2, r.top + (r.bottom - r.top - box) / 2, r.left + 2 + box, 0};
    check.bottom = check.top + box;
    DrawFrameControl(dc, &check, DFC_BUTTON,
                     DFCS_BUTTONCHECK | DFCS_FLAT | (list->Items[static_cast<std::size_t>(row)].Selected ? DFCS_CHECKED : 0) |
                         (list->Enabled ? 0 : DFCS_INACTIVE));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(!list->Enabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    HGDIOBJ old = SelectObject(dc, FontOf(*list));
    RECT text{check.right + 4, r.top, r.right, r.bottom};
    const std::wstring entry = wt::Wide(list->Items[static_cast<std::size_t>(row)].Text);
    DrawTextW(dc, entry.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    if (draw.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
}

void FormWindow::DrawBand(const Item& item, HDC dc, const RECT& r) {
    FillGradient(dc, r, BandLeft, BandRight, true);
    RECT close = CloseGlyphRect();
    RECT band = BandRect();
    OffsetRect(&close, r.left - band.left, r.top - band.top);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, FontOf(*item.control));
    RECT text{r.left + Px(120), r.top, (IsRectEmpty(&close) ? r.right : close.left) - Px(60), r.bottom};
    const std::wstring caption = wt::Wide(bandCaption_);
    DrawTextW(dc, caption.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
    if (IsRectEmpty(&close)) return;
    if (closeHot_ || closePressed_) {
        HBRUSH hot = CreateSolidBrush(kCloseHot);
        FillRect(dc, &close, hot);
        DeleteObject(hot);
    }
    // A cross as wide as the caption's capitals are high.
    const int arm = (close.bottom - close.top) / 6;
    const int cx = (close.left + close.right) / 2, cy = (close.top + close.bottom) / 2;
    HPEN pen = CreatePen(PS_SOLID, std::max(1, dpi_ / 72), RGB(255, 255, 255));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, cx - arm, cy - arm, nullptr);
    LineTo(dc, cx + arm + 1, cy + arm + 1);
    MoveToEx(dc, cx + arm, cy - arm, nullptr);
    LineTo(dc, cx - arm - 1, cy + arm + 1);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

void FormWindow::Draw(const DRAWITEMSTRUCT& draw) {
    Item* item = ItemById(static_cast<int>(draw.CtlID));
    if (!item) return;
    HDC dc = draw.hDC;
    const RECT r = draw.rcItem;
    switch (item->kind) {
        case Kind::Button: DrawButton(*item, draw); break;
        case Kind::CheckList: DrawCheckListEntry(*item, draw); break;
        case Kind::Band: DrawBand(*item, dc, r); break;
        case Kind::Panel: {
            FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
            HBRUSH brush = CreateSolidBrush(kPanel);
            HGDIOBJ oldBrush = SelectObject(dc, brush);
            HPEN pen = CreatePen(PS_SOLID, 1, kPanelBorder);
            HGDIOBJ oldPen = SelectObject(dc, pen);
            RoundRect(dc, r.left, r.top, r.right, r.bottom, 8, 8);
            SelectObject(dc, oldPen);
            SelectObject(dc, oldBrush);
            DeleteObject(pen);
            DeleteObject(brush);
            break;
        }
        case Kind::Image:
            FillRect(dc, &r, InPanel(*item->control) ? panelBrush_ : GetSysColorBrush(COLOR_BTNFACE));
            DrawPicture(dc, r, static_cast<Image*>(item->control)->Picture);
            break;
        default: break;
    }
}

HBRUSH FormWindow::Colours(HDC dc, HWND child) {
    Item* item = ItemOf(child);
    if (!item) return GetSysColorBrush(COLOR_BTNFACE);
    const Control& c = *item->control;
    if (!c.Enabled)
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    else if (c.ForeColor)
        SetTextColor(dc, ColorRef(*c.ForeColor));
    else if (item->kind == Kind::Link)
        SetTextColor(dc, kLink);
    const bool panel = InPanel(c);
    SetBkColor(dc, panel ? kPanel : GetSysColor(COLOR_BTNFACE));
    return panel ? panelBrush_ : GetSysColorBrush(COLOR_BTNFACE);
}

LRESULT CALLBACK FormWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<FormWindow*>(create->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    return self->Handle(msg, wp, lp);
}

LRESULT FormWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (lp) {
                if (Item* item = ItemOf(reinterpret_cast<HWND>(lp))) OnCommand(*item, HIWORD(wp));
                return 0;
            }
            break;
        case WM_DRAWITEM:
            Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            return TRUE;
        case WM_NOTIFY: {
            // A row the user selects in a list view; one the code selected reports no change.
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(lp);
            Item* item = ItemOf(change->hdr.hwndFrom);
            if (item && item->kind == Kind::ListView && change->hdr.code == LVN_ITEMCHANGED &&
                (change->uNewState & LVIS_SELECTED) != 0 && (change->uOldState & LVIS_SELECTED) == 0) {
                auto* lv = static_cast<ListView*>(item->control);
                const int row = change->iItem;
                Forward([lv, row] { lv->UserSetListIndex(row); });
            }
            break;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return reinterpret_cast<LRESULT>(Colours(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
        case WM_SETCURSOR:
            if (cursor_) {
                SetCursor(cursor_);
                return TRUE;
            }
            if (Item* item = ItemOf(reinterpret_cast<HWND>(wp))) {
                const bool passive = item->kind == Kind::Label || item->kind == Kind::Image || item->kind == Kind::Link;
                if (passive && item->control->Enabled && (item->kind == Kind::Link || item->control->Click)) {
                    SetCursor(LoadCursorW(nullptr, IDC_HAND));
                    return TRUE;
                }
            }
            break;
        case WM_NCHITTEST: return HitTest(lp);
        case WM_MOUSEMOVE:
        case WM_MOUSELEAVE: {
            const RECT close = CloseGlyphRect();
            const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            const bool hot = msg == WM_MOUSEMOVE && PtInRect(&close, p);
            if (hot != closeHot_) {
                closeHot_ = hot;
                if (hot) {
                    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
                    TrackMouseEvent(&track);
                }
                InvalidateRect(hwnd_, &close, FALSE);
                RedrawWindow(hwnd_, &close, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
            }
            break;
        }
        case WM_LBUTTONDOWN: {
            const RECT close = CloseGlyphRect();
            const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            if (PtInRect(&close, p)) {
                closePressed_ = true;
                SetCapture(hwnd_);
                return 0;
            }
            break;
        }
        case WM_LBUTTONUP:
            if (closePressed_) {
                closePressed_ = false;
                ReleaseCapture();
                const RECT close = CloseGlyphRect();
                const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                if (PtInRect(&close, p)) CloseBox();
                return 0;
            }
            break;
        case WM_LBUTTONDBLCLK: {
            const RECT close = CloseGlyphRect();
            const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            if (!PtInRect(&close, p)) Forward([this] { form_.PerformDblClick(); });
            return 0;
        }
        case WM_CLOSE:
            CloseBox();
            return 0;
        case WM_DPICHANGED:
            ChangeDpi(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
            return 0;
        default: break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK FormWindow::ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
    auto* window = reinterpret_cast<FormWindow*>(self);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &FormWindow::ControlProc, kSubclassId);
        return DefSubclassProc(hwnd, msg, wp, lp);
    }
    if (Item* item = window->ItemOf(hwnd)) return window->HandleControl(*item, hwnd, msg, wp, lp);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT FormWindow::HandleControl(Item& item, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (item.kind) {
        case Kind::Band:
            // Clicks on the band go to the form's window, which moves the window or closes it.
            if (msg == WM_NCHITTEST) return HTTRANSPARENT;
            break;
        case Kind::Group:
            // A group box paints its frame and title only; the inside is ours to fill.
            if (msg == WM_ERASEBKGND) {
                RECT r;
                GetClientRect(hwnd, &r);
                FillRect(reinterpret_cast<HDC>(wp), &r, Colours(reinterpret_cast<HDC>(wp), hwnd));
                return 1;
            }
            break;
        case Kind::Button:
            if (msg == WM_MOUSEMOVE && !item.hover) {
                item.hover = true;
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
                TrackMouseEvent(&track);
                if (item.control->Enabled) PlaySoundFile(static_cast<Button*>(item.control)->SoundHover);
                InvalidateRect(hwnd, nullptr, FALSE);
            } else if (msg == WM_MOUSELEAVE) {
                item.hover = false;
                InvalidateRect(hwnd, nullptr, FALSE);
            } else if (msg == WM_GETDLGCODE) {
                return DLGC_BUTTON | (static_cast<Button*>(item.control)->Default ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
            }
            break;
        case Kind::CheckList:
            // One press ticks or clears the entry under the mouse; the space bar the current one.
            if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
                SetFocus(hwnd);
                const LRESULT hit = SendMessageW(hwnd, LB_ITEMFROMPOINT, 0, lp);
                if (HIWORD(hit) == 0) {
                    const int row = LOWORD(hit);
                    static_cast<CheckListBox*>(item.control)->ListIndex = row;
                    ToggleEntry(item, row);
                }
                return 0;
            }
            if (msg == WM_KEYDOWN && wp == VK_SPACE) {
                ToggleEntry(item, static_cast<int>(SendMessageW(hwnd, LB_GETCURSEL, 0, 0)));
                return 0;
            }
            if (msg == WM_CHAR && wp == L' ') return 0;
            break;
        default: break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace ardeko::ui::win32
