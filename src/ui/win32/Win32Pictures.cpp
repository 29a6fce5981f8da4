// The pictures of the forms, drawn by us with GDI: the maker's logo, the newsletter covers and
// the symbols of the picture buttons; the message symbols are the system's icons. And the
// buttons' sounds.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <string>

#include "platform/win32/WinText.h"
#include "ui/win32/Win32Ui.h"

namespace ardeko::ui::win32 {

namespace {

namespace wt = ardeko::win32;

constexpr COLORREF kBlue = RGB(0x0b, 0x3d, 0x91);
constexpr COLORREF kLightBlue = RGB(0x6c, 0x9b, 0xe0);
constexpr COLORREF kFolder = RGB(0xf2, 0xc1, 0x4e);
constexpr COLORREF kFolderDark = RGB(0xdc, 0xaf, 0x47);
constexpr COLORREF kFolderEdge = RGB(0xa8, 0x7d, 0x1c);

// Selects a pen and a brush for as long as it lives, and deletes them.
class Tools {
public:
    Tools(HDC dc, COLORREF pen, int width, COLORREF brush, bool hollow = false)
        : dc_(dc), pen_(CreatePen(PS_SOLID, width, pen)),
          brush_(hollow ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)) : CreateSolidBrush(brush)), own_(!hollow) {
        oldPen_ = SelectObject(dc, pen_);
        oldBrush_ = SelectObject(dc, brush_);
    }
    ~Tools() {
        SelectObject(dc_, oldPen_);
        SelectObject(dc_, oldBrush_);
        DeleteObject(pen_);
        if (own_) DeleteObject(brush_);
    }
    Tools(const Tools&) = delete;
    Tools& operator=(const Tools&) = delete;

private:
    HDC dc_;
    HPEN pen_;
    HBRUSH brush_;
    bool own_;
    HGDIOBJ oldPen_, oldBrush_;
};

int W(const RECT& r) { return r.right - r.left; }
int H(const RECT& r) { return r.bottom - r.top; }

RECT Square(const RECT& r) {
    const int edge = std::min(W(r), H(r));
    const int x = r.left + (W(r) - edge) / 2, y = r.top + (H(r) - edge) / 2;
    return RECT{x, y, x + edge, y + edge};
}

HFONT Bold(int pixels) {
    return CreateFontW(-std::max(6, pixels), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

void Text(HDC dc, RECT r, const std::wstring& text, int pixels, COLORREF colour, UINT format) {
    HFONT font = Bold(pixels);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextW(dc, text.c_str(), -1, &r, format | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
}

void Logo(HDC dc, const RECT& r) {
    // A rounded gradient plate with the maker's mark and name.
    HRGN plate = CreateRoundRectRgn(r.left + 1, r.top + 1, r.right, r.bottom, 12, 12);
    SelectClipRgn(dc, plate);
    FillGradient(dc, r, kBlue, kLightBlue, true);
    SelectClipRgn(dc, nullptr);
    DeleteObject(plate);
    const int d = H(r) * 62 / 100;
    const RECT mark{r.left + H(r) * 19 / 100, r.top + (H(r) - d) / 2, r.left + H(r) * 19 / 100 + d,
                    r.top + (H(r) - d) / 2 + d};
    {
        Tools tools(dc, RGB(255, 255, 255), 1, RGB(255, 255, 255));
        Ellipse(dc, mark.left, mark.top, mark.right, mark.bottom);
    }
    Text(dc, mark, L"V", d * 7 / 10, kBlue, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    // The name beside the mark, as large as fits.
    const RECT room{mark.right + H(r) * 15 / 100, r.top, r.right - 4, r.bottom};
    for (int px = H(r) * 34 / 100; px >= 6; --px) {
        HFONT font = Bold(px);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE size{};
        GetTextExtentPoint32W(dc, L"Veltrano", 8, &size);
        SelectObject(dc, old);
        DeleteObject(font);
        if (size.cx <= W(room)) {
            Text(dc, room, L"Veltrano", px, RGB(255, 255, 255), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
            break;
        }
    }
}

void Folder(HDC dc, const RECT& r) {
    Tools tools(dc, kFolderEdge, 1, kFolderDark);
    RoundRect(dc, r.left, r.top + H(r) / 10, r.left + W(r) * 45 / 100, r.top + H(r) * 4 / 10, 4, 4);
    Tools body(dc, kFolderEdge, 1, kFolder);
    RoundRect(dc, r.left, r.top + H(r) / 4, r.right, r.top + H(r) / 4 + H(r) * 7 / 10, 4, 4);
}

void Magnifier(HDC dc, const RECT& r) {
    const int d = W(r) * 45 / 100;
    const RECT lens{r.right - d - W(r) * 12 / 100, r.bottom - d - H(r) / 5, r.right - W(r) * 12 / 100, r.bottom - H(r) / 5};
    Tools tools(dc, kBlue, std::max(2, W(r) / 12), RGB(255, 255, 255));
    Ellipse(dc, lens.left, lens.top, lens.right, lens.bottom);
    MoveToEx(dc, lens.right - d / 7, lens.bottom - d / 7, nullptr);
    LineTo(dc, r.right - 1, r.bottom - 1);
}

void Bin(HDC dc, const RECT& r) {
    const RECT can{r.left + W(r) / 5, r.top + H(r) / 4, r.left + W(r) * 8 / 10, r.top + H(r) / 4 + H(r) * 7 / 10};
    Tools tools(dc, RGB(0x45, 0x55, 0x6a), 1, RGB(0xd6, 0xde, 0xe8));
    RoundRect(dc, can.left, can.top, can.right, can.bottom, 4, 4);
    Rectangle(dc, r.left + W(r) * 12 / 100, r.top + H(r) * 14 / 100, r.left + W(r) * 88 / 100, r.top + H(r) * 24 / 100);
    for (int i = 1; i <= 3; ++i) {
        const int x = can.left + W(can) * i / 4;
        MoveToEx(dc, x, can.top + 3, nullptr);
        LineTo(dc, x, can.bottom - 3);
    }
}

// A folder with an arrow curving back over it to the left: files going back where they were.
void UndoArrow(HDC dc, const RECT& r) {
    Folder(dc, RECT{r.left + W(r) * 35 / 100, r.top + H(r) / 2, r.left + W(r) * 95 / 100, r.top + H(r) * 95 / 100});
    const RECT e{r.left + W(r) / 5, r.top + H(r) * 15 / 100, r.left + W(r) * 85 / 100, r.top + H(r) * 80 / 100};
    const int cy = (e.top + e.bottom) / 2;
    Tools tools(dc, kBlue, std::max(2, W(r) / 10), kBlue);
    Arc(dc, e.left, e.top, e.right, e.bottom, e.right, cy, e.left, cy);  // counter-clockwise: over the top
    const POINT head[3] = {{r.left + W(r) * 6 / 100, r.top + H(r) * 45 / 100},
                           {r.left + W(r) * 34 / 100, r.top + H(r) * 45 / 100},
                           {r.left + W(r) / 5, r.top + H(r) * 68 / 100}};
    Polygon(dc, head, 3);
}

void Envelope(HDC dc, const RECT& r) {
    const RECT e{r.left + 1, r.top + H(r) / 5, r.right - 1, r.bottom - H(r) * 15 / 100};
    Tools tools(dc, kBlue, 1, RGB(255, 255, 255));
    Rectangle(dc, e.left, e.top, e.right, e.bottom);
    const int cx = (e.left + e.right) / 2, cy = (e.top + e.bottom) / 2;
    MoveToEx(dc, e.left, e.top, nullptr);
    LineTo(dc, cx, cy);
    LineTo(dc, e.right - 1, e.top);
}

void Cover(HDC dc, const RECT& r, const std::wstring& title) {
    {
        Tools tools(dc, RGB(0x8a, 0x9b, 0xb3), 1, RGB(255, 255, 255));
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
    const RECT head{r.left + 3, r.top + 3, r.right - 3, r.top + 3 + H(r) * 34 / 100};
    HBRUSH blue = CreateSolidBrush(kBlue);
    FillRect(dc, &head, blue);
    DeleteObject(blue);
    RECT text = head;
    Text(dc, text, title, H(head) * 42 / 100, RGB(255, 255, 255), DT_CENTER | DT_WORDBREAK);
    Tools lines(dc, RGB(0xb8, 0xc4, 0xd2), 1, 0, true);
    for (int y = head.bottom + 6; y < r.bottom - 4; y += 5) {
        MoveToEx(dc, r.left + 6, y, nullptr);
        LineTo(dc, r.right - 6, y);
    }
}

}  // namespace

void FillGradient(HDC dc, const RECT& r, COLORREF from, COLORREF to, bool horizontal) {
    TRIVERTEX v[2] = {};
    const auto corner = [](TRIVERTEX& t, LONG x, LONG y, COLORREF c) {
        t.x = x;
        t.y = y;
        t.Red = static_cast<COLOR16>(GetRValue(c) << 8);
        t.Green = static_cast<COLOR16>(GetGValue(c) << 8);
        t.Blue = static_cast<COLOR16>(GetBValue(c) << 8);
    };
    corner(v[0], r.left, r.top, from);
    corner(v[1], r.right, r.bottom, to);
    GRADIENT_RECT g{0, 1};
    GradientFill(dc, v, 2, &g, 1, horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
}

void DrawPicture(HDC dc, const RECT& r, const std::string& name) {
    if (W(r) < 2 || H(r) < 2 || name.empty()) return;
    const struct {
        const char* name;
        LPCWSTR icon;
    } symbols[] = {{"Information", IDI_ASTERISK}, {"Info", IDI_ASTERISK},   {"Stop", IDI_HAND},
                   {"Warn", IDI_EXCLAMATION},     {"Frage", IDI_QUESTION}, {"Question", IDI_QUESTION}};
    for (const auto& s : symbols) {
        if (name == s.name) {
            const RECT sq = Square(r);
            DrawIconEx(dc, sq.left, sq.top, LoadIconW(nullptr, s.icon), W(sq), H(sq), 0, nullptr, DI_NORMAL);
            return;
        }
    }
    const RECT square = Square(r);
    const int edge = W(square);
    const int saved = SaveDC(dc);
    if (name == "Icon") {
        HRGN plate = CreateRoundRectRgn(square.left + 1, square.top + 1, square.right, square.bottom, edge / 3, edge / 3);
        SelectClipRgn(dc, plate);
        FillGradient(dc, square, kBlue, kLightBlue, true);
        SelectClipRgn(dc, nullptr);
        DeleteObject(plate);
        Folder(dc, RECT{square.left + edge * 18 / 100, square.top + edge * 22 / 100, square.right - edge * 18 / 100,
                        square.bottom - edge * 14 / 100});
    } else if (name == "Logo" || name == "VeltranoLogo") {
        Logo(dc, r);
    } else if (name == "Ordner") {
        Folder(dc, RECT{square.left + 1, square.top + 1, square.right - 1, square.bottom - 1});
    } else if (name == "Explorer") {
        Folder(dc, RECT{square.left + 1, square.top + 1, square.right - edge / 5, square.bottom - edge / 5});
        Magnifier(dc, square);
    } else if (name == "Papierkorb") {
        Bin(dc, square);
    } else if (name == "Rueckgaengig") {
        UndoArrow(dc, square);
    } else if (name == "Mail") {
        Envelope(dc, square);
    } else if (name.rfind("Weekly", 0) == 0) {
        Cover(dc, r, wt::Wide(name.substr(6)) + L"\r\nWeekly");
    }
    RestoreDC(dc, saved);
}

void PlaySoundFile(const std::string& file) {
    if (file.empty()) return;
    const std::wstring path = wt::Wide(file);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    PlaySoundW(path.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
}

}  // namespace ardeko::ui::win32
