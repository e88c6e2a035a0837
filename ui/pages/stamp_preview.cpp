// The stamp preview. Sizes follow the printed stamp scaled down: a text of height size / 50, an
// image at (width x scale + 401) / 400 taken by 2/5; both are placed on the page's 3 x 3 grid by
// the extent they cover once turned, and clipped to the page.
#include "ui/pages/stamp_preview.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ui/pages/stamp_fields.h"
#include "ui/pages/stamp_image_file.h"
#include "win/gdi_fonts.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace orla {
namespace {

constexpr LONG kInsetNarrow = 10, kInsetWide = 25;
constexpr COLORREF kOutline = 0x808080, kPaper = 0xFFFFFF;
constexpr int kEscapements[] = {2700, 3150, 0, 450, 900};
struct GreyColour {
    DWORD choice;
    COLORREF colour;
};
constexpr GreyColour kGreys[] = {{3041, 0xFFFFFF}, {3042, 0xC8C8C8}, {3043, 0xA0A0A0},
                                 {3044, 0x888888}, {3045, 0x545454}, {3046, 0x000000}};
constexpr DWORD kFactoryGrey = 3044;
constexpr LONG kTextSizeDivisor = 50;
constexpr SHORT kScaleMin = 25, kScaleMax = 400, kScaleDefault = 100;
constexpr DWORD kCentre = 4, kGridColumns = 3;

// Where a stamp of this extent lies on the page at a grid position.
POINT PlaceOnGrid(const RECT& page, DWORD position, SIZE extent) {
    if (position > 8) position = kCentre;
    const LONG col = static_cast<LONG>(position % kGridColumns), row = static_cast<LONG>(position / kGridColumns);
    const LONG width = page.right - page.left, height = page.bottom - page.top;
    return {page.left + col * (width - extent.cx) / 2, page.top + row * (height - extent.cy) / 2};
}

void DrawOutline(HDC dc, const RECT& page) {
    HPEN pen = CreatePen(PS_SOLID, 1, kOutline);
    HBRUSH brush = CreateSolidBrush(kPaper);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Rectangle(dc, page.left, page.top, page.right, page.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

// The box a turned text covers and where, inside it, its reference point (the unturned cell's
// top-left corner) lies. Across and up or down the page the box is the text's cell turned; on the
// diagonals it is square, of the text's diagonal extent.
struct TurnedText {
    SIZE box;
    POINT origin;
};
TurnedText TurnText(SHORT angle, SIZE text) {
    switch (angle) {
        case 0:  // down the page: the cell lies left of the reference point
            return {{text.cy, text.cx}, {text.cy, 0}};
        case 4:  // up the page
            return {{text.cy, text.cx}, {0, text.cx}};
        case 1:
        case 3: {
            const LONG a = text.cx * text.cx;
            const LONG extent = (StampSquareRoot(a / 2) * 4 + 4) / 5;
            return {{extent, extent}, {0, angle == 3 ? extent : 0}};
        }
        default:
            return {text, {0, 0}};
    }
}

void DrawTextStamp(HDC dc, const RECT& page, const BYTE* stamp) {
    const std::u16string text = StampWideText(stamp, stamp::kText);
    if (text.empty()) return;
    const SHORT angle = StampGet(stamp, stamp::kAngle);
    const int height = std::max<int>(1, StampGet(stamp, stamp::kTextSize) / kTextSizeDivisor);
    const int escapement = StampEscapement(angle);
    const std::u16string face = StampWideText(stamp, stamp::kFaceName);
    HFONT font = CreateFontW(height, 0, escapement, escapement, StampGet(stamp, stamp::kWeight),
                             StampGet(stamp, stamp::kItalic) ? 1 : 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face.c_str());
    HGDIOBJ oldFont = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    const TurnedText turned = TurnText(angle, extent);
    const POINT at = PlaceOnGrid(page, StampGet(stamp, stamp::kPosition), turned.box);
    SetTextColor(dc, StampGreyColour(StampGet(stamp, stamp::kGrey)));
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, at.x + turned.origin.x, at.y + turned.origin.y, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

// Only a file whose headers were checked against it is handed to the bitmap loader.
void DrawImageStamp(HDC dc, const RECT& page, const BYTE* stamp) {
    const std::u16string path = StampWideText(stamp, stamp::kImagePath);
    std::vector<BYTE> file;
    if (ReadStampBitmapFile(path.c_str(), &file) != StampFileRead::kRead ||
        CheckStampBitmap(file) != StampBitmapCheck::kGood)
        return;
    auto bitmap = static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (bitmap == nullptr) return;
    BITMAP info{};
    if (GetObjectW(bitmap, sizeof info, &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0) {
        DeleteObject(bitmap);
        return;
    }
    SHORT scale = StampGet(stamp, stamp::kScale);
    if (scale < kScaleMin || scale > kScaleMax) scale = kScaleDefault;
    const SIZE shown{std::max<LONG>(1, (info.bmWidth * scale + 401) / 400 * 2 / 5),
                     std::max<LONG>(1, (info.bmHeight * scale + 401) / 400 * 2 / 5)};
    const POINT at = PlaceOnGrid(page, StampGet(stamp, stamp::kPosition), shown);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, at.x, at.y, shown.cx, shown.cy, source, 0, 0, info.bmWidth, info.bmHeight, SRCAND);
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(bitmap);
}

}  // namespace

LONG StampSquareRoot(LONG a) {
    if (a <= 0) return 1;
    const long long n = 16LL * a;
    long long c = n;
    for (;;) {
        const long long next = n / (2 * c) + c / 2;
        const long long step = next > c ? next - c : c - next;
        c = next;
        if (step <= 16 || c <= 0) break;
    }
    return std::max<LONG>(1, static_cast<LONG>(c / 4));
}

RECT StampPreviewPage(const RECT& item, bool landscape) {
    const LONG across = landscape ? kInsetWide : kInsetNarrow;
    const LONG down = landscape ? kInsetNarrow : kInsetWide;
    return {item.left + across, item.top + down, item.right - across, item.bottom - down};
}

int StampEscapement(SHORT angle) {
    return angle >= 0 && angle < static_cast<SHORT>(std::size(kEscapements)) ? kEscapements[angle] : 0;
}

COLORREF StampGreyColour(DWORD grey) {
    for (const GreyColour& g : kGreys)
        if (g.choice == grey) return g.colour;
    return StampGreyColour(kFactoryGrey);
}

LPCWSTR StampTextLabel(bool image, bool japanese) {
    if (japanese) return image ? u"ファイル名(&N):" : u"スタンプ文字列(&N):";
    return image ? u"File &name:" : u"Stamp &text:";
}

void DrawStampPreview(HDC dc, const RECT& item, const BYTE* stamp, bool landscape) {
    const RECT page = StampPreviewPage(item, landscape);
    DrawOutline(dc, page);
    if (stamp == nullptr) return;
    IntersectClipRect(dc, page.left, page.top, page.right, page.bottom);
    if (StampGet(stamp, stamp::kKind) == 0)
        DrawTextStamp(dc, page, stamp);
    else
        DrawImageStamp(dc, page, stamp);
    SelectClipRgn(dc, nullptr);
}

}  // namespace orla
