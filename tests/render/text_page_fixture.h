// The text tests' fixture: the graphics DLL loaded from the driver directory (so its device-font
// records are found), one device context enabled on it with a job open, a command-mode page
// started and the lazy start written; font and string objects made for a test and deleted with it.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "byte_helpers.h"
#include "device_fonts_fixture.h"
#include "plat/gdi_control.h"
#include "render/drawing_hooks.h"
#include "render/glyph_download.h"
#include "render/text_runs.h"

namespace render_test {

inline constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline constexpr const char* kIpaMincho = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf";

class TextPageTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        if (HasFatalFailure()) return;
        LoadDriverFromDriverDirectory(&driver_);
        if (HasFatalFailure()) return;
        e_ = EnablePdev(printer_);
        ASSERT_NE(e_.dhpdev, nullptr);
        StartSpoolJob();
        pdev()->state &= ~kStateRasterMode;
        surface_ = DrvEnableSurface(e_.dhpdev);
        ASSERT_NE(surface_, nullptr);
        dev_ = EngLockSurface(surface_);
        ASSERT_NE(dev_, nullptr);
        ASSERT_TRUE(DrvStartDoc(dev_, const_cast<LPWSTR>(u"doc"), 7));
        ASSERT_TRUE(DrvStartPage(dev_));
        ASSERT_NE(DrawingHookPrologue(dev_), nullptr);
        Out();
    }
    void TearDown() override {
        for (STROBJ* s : strings_) PlatStringDelete(s);
        for (FONTOBJ* f : fonts_) PlatFontDelete(f);
        for (FONTOBJ* f : trueTypes_) PlatTrueTypeFontDelete(f);
        if (black_ != nullptr) PlatBrushDelete(black_);
        if (dev_ != nullptr) EngUnlockSurface(dev_);
        if (surface_ != nullptr) DrvDisableSurface(e_.dhpdev);
        e_.Disable();
        driver_.Unload();
        DriverTest::TearDown();
    }

    PrinterPdev* pdev() { return e_.pdev(); }
    Bytes Out() { return NewSpoolBytes(pdev()); }
    bool Japanese() const { return orla::kJapaneseBuild; }

    // A device font by face number, `w` and `h` device pixels to the em, turned by the matrix.
    FONTOBJ* DeviceFont(ULONG face, double w, double h, FLONG sims = 0, double m12 = 0, double m21 = 0) {
        PLAT_FONT_SETUP s{};
        s.iUniq = face;
        s.iFace = face;
        s.flFontType = DEVICE_FONTTYPE | sims;
        s.hasXform = TRUE;
        s.xform = XFORML{static_cast<FLOATL>(w / 1000),
                         static_cast<FLOATL>(m12),
                         static_cast<FLOATL>(m21),
                         static_cast<FLOATL>(h / 1000),
                         0,
                         0};
        FONTOBJ* f = PlatFontCreate(&s);
        fonts_.push_back(f);
        return f;
    }
    // A TrueType font over a font file, `em` device pixels to the em (a 2048-unit em), turned by
    // `degrees` and mirrored when asked.
    FONTOBJ* TrueType(const char* file, double em, const char16_t* family = nullptr, ULONG charSet = ANSI_CHARSET,
                      double degrees = 0, bool mirrored = false, ULONG uniq = 5) {
        PLAT_TRUETYPE_SETUP s{};
        s.fontFile = file;
        s.charSet = charSet;
        s.iUniq = uniq;
        s.iFile = 0x100 + uniq;
        const double k = em / 2048, a = degrees * 3.14159265358979 / 180;
        s.xform = XFORML{static_cast<FLOATL>(k * std::cos(a)),
                         static_cast<FLOATL>(-k * std::sin(a)),
                         static_cast<FLOATL>((mirrored ? -k : k) * std::sin(a)),
                         static_cast<FLOATL>(k * std::cos(a)),
                         0,
                         0};
        if (mirrored && degrees == 0) s.xform.eM12 = s.xform.eM21 = static_cast<FLOATL>(k * 0.01);
        s.familyName = family;
        FONTOBJ* f = PlatTrueTypeFontCreate(&s);
        trueTypes_.push_back(f);
        return f;
    }
    // A string of handles placed `step` pixels apart from (x, y).
    STROBJ* String(std::vector<HGLYPH> handles, LONG x, LONG y, LONG step, const char16_t* text = nullptr,
                   FLONG accel = SO_HORIZONTAL, ULONG batch = 0) {
        std::vector<POINTL> pos;
        for (size_t i = 0; i < handles.size(); ++i) pos.push_back(POINTL{x + step * static_cast<LONG>(i), y});
        return StringAt(handles, pos, text, accel, batch);
    }
    STROBJ* StringAt(const std::vector<HGLYPH>& handles, const std::vector<POINTL>& pos, const char16_t* text,
                     FLONG accel, ULONG batch = 0) {
        PLAT_STRING_SETUP s{static_cast<ULONG>(handles.size()), handles.data(), pos.data(), text, accel, 0, batch, 0};
        STROBJ* so = PlatStringCreate(&s);
        strings_.push_back(so);
        return so;
    }
    // The handles of a text in a TrueType font.
    std::vector<HGLYPH> Glyphs(FONTOBJ* font, const std::u16string& text) {
        std::vector<HGLYPH> out;
        for (char16_t c : text) out.push_back(PlatTrueTypeGlyphOf(font, c));
        return out;
    }
    BOOL Draw(STROBJ* s, FONTOBJ* f) {
        if (black_ == nullptr) black_ = PlatBrushCreateSolid(0, 0);
        return DrvTextOut(dev_, s, f, nullptr, nullptr, nullptr, black_, nullptr, nullptr, 0x0D0D);
    }
    void SetFlags1(DWORD bits, bool on) {
        const DWORD v = orla::Get(pdev()->settings.record, orla::dm::Flags1);
        orla::Set(pdev()->settings.record, orla::dm::Flags1, on ? v | bits : v & ~bits);
    }

    LoadedDriver driver_;
    EnabledPdev e_;
    HSURF surface_ = nullptr;
    SURFOBJ* dev_ = nullptr;
    BRUSHOBJ* black_ = nullptr;
    std::vector<FONTOBJ*> fonts_, trueTypes_;
    std::vector<STROBJ*> strings_;
};

}  // namespace render_test
