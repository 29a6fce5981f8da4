#include "ui/win32/Capture.h"

#include <objidl.h>  // the lean Windows headers leave out what GDI+ needs

#include <algorithm>
using std::max;  // the GDI+ headers expect these names unqualified
using std::min;
#include <gdiplus.h>

namespace ardeko::ui::win32 {

namespace {

CLSID PngEncoder() {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::string buffer(size, '\0');
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i)
        if (std::wstring(codecs[i].MimeType) == L"image/png") return codecs[i].Clsid;
    return CLSID{};
}

}  // namespace

bool SaveScreenPng(const RECT& area, const std::wstring& file) {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    const int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    bool ok = false;
    {
        Gdiplus::Bitmap image(bitmap, nullptr);
        const CLSID png = PngEncoder();
        ok = image.Save(file.c_str(), &png, nullptr) == Gdiplus::Ok;
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    Gdiplus::GdiplusShutdown(token);
    return ok;
}

}  // namespace ardeko::ui::win32
