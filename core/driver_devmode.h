// The driver's settings record: a 220-byte DEVMODEW followed by the private part. Windows stores
// it in printer and job settings, so every field lives at a fixed offset and is read and written
// through the typed helpers below, which never reach past the record they are given.
// Offsets from 6108 on are written as the Japanese build's and passed through HighOffset().
#pragma once

#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "core/build_variant.h"
#include "win/base.h"
#include "win/devmode.h"

namespace orla {

// A whole settings record of this build. Storage only: the public part is read as a DEVMODEW
// (AsDevmode), the private part through the fields below.
struct DriverDevmode {
    alignas(8) BYTE bytes[kDriverDevmodeSize];
};
static_assert(sizeof(DriverDevmode) == kDriverDevmodeSize);
static_assert(kPublicDevmodeSize == sizeof(DEVMODEW));

inline DEVMODEW* AsDevmode(DriverDevmode& record) {
    return reinterpret_cast<DEVMODEW*>(record.bytes);
}
inline const DEVMODEW* AsDevmode(const DriverDevmode& record) {
    return reinterpret_cast<const DEVMODEW*>(record.bytes);
}
inline std::span<BYTE> RecordBytes(DriverDevmode& record) {
    return {record.bytes, kDriverDevmodeSize};
}
inline std::span<const BYTE> RecordBytes(const DriverDevmode& record) {
    return {record.bytes, kDriverDevmodeSize};
}

// ---- Field descriptors ----------------------------------------------------------------------
// A scalar field: its offset and, by its type, its width.
template <class T>
struct DmField {
    unsigned offset;
};
// A UTF-16 text field of cch units (terminator included).
struct DmText {
    unsigned offset;
    unsigned cch;
};
// A system-code-page text field of cb bytes (terminator included).
struct DmAnsi {
    unsigned offset;
    unsigned cb;
};
// A block of bytes without further structure here.
struct DmBytes {
    unsigned offset;
    unsigned cb;
};

template <class T>
constexpr unsigned FieldEnd(DmField<T> f) {
    return f.offset + sizeof(T);
}
constexpr unsigned FieldEnd(DmText f) {
    return f.offset + 2 * f.cch;
}
constexpr unsigned FieldEnd(DmAnsi f) {
    return f.offset + f.cb;
}
constexpr unsigned FieldEnd(DmBytes f) {
    return f.offset + f.cb;
}

namespace dm {

// ---- Public part (DEVMODEW) -------------------------------------------------------------------
inline constexpr DmText DeviceName{0, CCHDEVICENAME};
inline constexpr DmField<WORD> SpecVersion{64};
inline constexpr DmField<WORD> DriverVersion{66};
inline constexpr DmField<WORD> Size{68};
inline constexpr DmField<WORD> DriverExtra{70};
inline constexpr DmField<DWORD> Fields{72};
inline constexpr DmField<SHORT> Orientation{76};
inline constexpr DmField<SHORT> PaperSize{78};
inline constexpr DmField<SHORT> PaperLength{80};
inline constexpr DmField<SHORT> PaperWidth{82};
inline constexpr DmField<SHORT> Scale{84};
inline constexpr DmField<SHORT> Copies{86};
inline constexpr DmField<SHORT> DefaultSource{88};
inline constexpr DmField<SHORT> PrintQuality{90};
inline constexpr DmField<SHORT> Color{92};
inline constexpr DmField<SHORT> Duplex{94};
inline constexpr DmField<SHORT> YResolution{96};
inline constexpr DmField<SHORT> TTOption{98};
inline constexpr DmField<SHORT> Collate{100};
inline constexpr DmText FormName{102, CCHFORMNAME};
inline constexpr DmField<DWORD> Nup{180};
inline constexpr DmField<DWORD> ICMMethod{188};
inline constexpr DmField<DWORD> ICMIntent{192};
inline constexpr DmField<DWORD> MediaType{196};
inline constexpr DmField<DWORD> DitherType{200};

// ---- Private part, both builds (below 2004) ---------------------------------------------------
inline constexpr DmField<WORD> FlagsWord{220};  // bit 0 form overlay on, bit 3 (overlay only)
inline constexpr DmAnsi OverlayFolder{222, 128};
inline constexpr DmAnsi OverlayName{350, 9};  // at most 8 characters, no extension
// Fields the driver only carries: no routine reads them; merges, masks and favourites move them as
// bytes, so they keep their defaults for whoever reads them.
inline constexpr DmField<WORD> OverlayCarriedWord{364};  // 1
inline constexpr DmBytes OverlayCarriedBytes{366, 2};    // 0, 0
inline constexpr DmField<DWORD> OverlayStatus{368};
inline constexpr DmAnsi LanguageText{372, 17};  // "ORLA Level2 Form"
inline constexpr DmField<DWORD> PrivateId{392};
inline constexpr DmField<DWORD> Flags1{396};
inline constexpr DmField<DWORD> Flags2{400};
inline constexpr DmField<DWORD> TraySet{404};  // bits 0-3: Feeder1 to Feeder4 in the tray set
inline constexpr DmField<DWORD> TrayCarriedValue{408};  // carried, 0
inline constexpr DmField<WORD> DialogCategory{412};
inline constexpr DmField<WORD> FavouriteNumber{414};
inline constexpr DmField<WORD> OutPaperIndex{416};   // 1-based in the usable-forms list, 0 none
inline constexpr DmField<WORD> OutPaperLength{418};  // 0.1 mm
inline constexpr DmField<WORD> OutPaperWidth{420};   // 0.1 mm
inline constexpr DmText OutPaperName{422, 32};
inline constexpr DmField<WORD> Zoom{486};       // percent
inline constexpr DmField<WORD> PaperType{488};  // 1 thick, 2 thick 2, 3 transparency
inline constexpr DmField<WORD> OutputTray{490};
inline constexpr DmField<WORD> LayoutMode{492};  // pages per sheet, 1 = one
inline constexpr DmField<WORD> FrameKind{494};   // frame drawn around each page of a sheet
inline constexpr DmField<WORD> LayoutOrder{496};
inline constexpr DmField<WORD> PrintDensity{498};
inline constexpr DmField<DWORD> PrintPosTop{500};  // 0.1 mm
inline constexpr DmField<DWORD> PrintPosLeft{504};
inline constexpr DmField<DWORD> PrintPosTop2{508};
inline constexpr DmField<DWORD> PrintPosLeft2{512};
inline constexpr unsigned CarriedPositionWords = 516;  // three WORDs the driver carries, each 1
inline constexpr DmText ComputerName{522, 16};  // UTF-16, written through the ANSI form (15 bytes)
inline constexpr DmText JobUserName{554, 17};   // UTF-16
inline constexpr DmText UserText{588, 18};      // shown as the job's user when chosen
inline constexpr DmField<DWORD> MemoryKb{624};
inline constexpr unsigned DevicePairs = 628;  // 19 x {WORD state, WORD choice}
inline constexpr unsigned DevicePairCount = 19;
inline constexpr DmField<WORD> PrevPaperSize{704};
inline constexpr DmField<WORD> PrevPaperLength{706};
inline constexpr DmField<WORD> PrevPaperWidth{708};
inline constexpr DmText PrevFormName{710, 32};
inline constexpr DmField<WORD> PrevOrientation{774};
inline constexpr DmField<WORD> PrevDefaultSource{776};
inline constexpr DmField<WORD> PrevDuplex{778};
inline constexpr DmField<WORD> RememberedQuality{780};  // 1200 while long paper forces 600

// Saved copies, each written together with its source.
inline constexpr DmField<WORD> SavedFlagsWord{784};
inline constexpr DmField<DWORD> SavedFlags1{788};
inline constexpr DmField<DWORD> SavedFlags2{792};
inline constexpr DmField<WORD> SavedOutPaperIndex{800};
inline constexpr DmField<WORD> SavedOutPaperLength{802};
inline constexpr DmField<WORD> SavedOutPaperWidth{804};
inline constexpr DmText SavedOutPaperName{806, 32};
inline constexpr DmField<WORD> SavedZoom{870};  // 870..882: copies of 486..498
inline constexpr DmField<WORD> SavedPaperType{872};
inline constexpr DmField<WORD> SavedOutputTray{874};
inline constexpr DmField<WORD> SavedLayoutMode{876};
inline constexpr DmField<WORD> SavedFrameKind{878};
inline constexpr DmField<WORD> SavedLayoutOrder{880};
inline constexpr DmField<WORD> SavedPrintDensity{882};
inline constexpr DmField<DWORD> SavedSeparateDefaultTray{884};
inline constexpr DmField<DWORD> SavedDetailSource{888};  // copy of DetailSource
inline constexpr DmField<DWORD> SavedSeparateTraysOn{892};
inline constexpr DmField<DWORD> SavedSlipSheetsOn{896};
inline constexpr DmField<LONG> SavedDefaultSource{900};  // sign-extended dmDefaultSource
inline constexpr DmField<DWORD> SavedOffsetStacking{904};
inline constexpr DmField<WORD> SavedManualPaperType{908};
inline constexpr DmField<DWORD> SavedFirstSheetTray{912};
inline constexpr DmField<DWORD> SavedSecondSheetTray{916};
inline constexpr DmField<DWORD> SavedFrontCoverTray{920};
inline constexpr DmField<DWORD> SavedBackCoverTray{924};
inline constexpr DmField<DWORD> SavedSlipSheetTray{928};

inline constexpr DmText OwnerUserName{932, 33};  // at most 32 characters
// The owner input text the owner string is made from when kFlags1OwnerText is set; it runs up to
// the page annotation at 1032.
inline constexpr DmText OwnerInputText{982, 25};
inline constexpr DmField<DWORD> AnnotationOn{1032};
inline constexpr DmField<DWORD> AnnotationKind{1036};  // 0 to 8
inline constexpr DmText AnnotationText{1040, 65};
inline constexpr DmField<DWORD> AnnotationPosition{1172};  // 0 to 8
inline constexpr DmText JobInfoUserName{1176, 22};         // UTF-16
inline constexpr DmField<DWORD> StampNumber{1220};         // 0 for none
inline constexpr DmBytes StampRecord{1224, 780};
inline constexpr DmField<DWORD> StampDrawFlag{1972};

// ---- Japanese build only: trust-marking settings (2004 to 6107) -----------------------------
inline constexpr DmField<DWORD> TrustBlobSize{2004};
inline constexpr DmField<DWORD> TrustMarkResult{2008};  // 1 = trust marking on
inline constexpr DmBytes TrustBlock{2012, 4096};        // first byte 'T' = no block set

// ---- From 6108 on (lower in the English build) -----------------------------------------------
inline constexpr DmField<LONG> PaperLength2{HighOffset(6112)};  // 0.1 mm
inline constexpr DmField<LONG> PaperWidth2{HighOffset(6116)};
inline constexpr unsigned ColourCarriedWords = HighOffset(6120);  // two WORDs the driver carries: 130, 100
inline constexpr DmBytes ColorAdjustment{HighOffset(6124), 24};  // laid out as COLORADJUSTMENT
inline constexpr DmField<DWORD> SheetSetting{HighOffset(6148)};
inline constexpr DmField<DWORD> SlipSheetsOn{HighOffset(6152)};
inline constexpr DmField<DWORD> DetailSource{HighOffset(6156)};  // the source chosen in the source-detail dialog
inline constexpr DmField<DWORD> SlipSheetTray{HighOffset(6160)};
inline constexpr DmField<DWORD> SlipSheetKind{HighOffset(6164)};
inline constexpr DmField<DWORD> SlipSheetsChecked{HighOffset(6168)};  // the source-detail dialog's slip-sheet check
inline constexpr DmField<DWORD> SeparateTraysOn{HighOffset(6172)};
inline constexpr DmField<DWORD> FirstSheetTray{HighOffset(6176)};
inline constexpr DmField<DWORD> SecondSheetTray{HighOffset(6180)};  // 300 = as dmDefaultSource
inline constexpr DmField<DWORD> SeparateDefaultTray{HighOffset(6184)};
inline constexpr DmField<DWORD> SectionTray{HighOffset(6188)};
inline constexpr DmField<DWORD> FrontCoverTray{HighOffset(6192)};
inline constexpr DmField<DWORD> BackCoverTray{HighOffset(6196)};
inline constexpr DmField<DWORD> FrontCoverOn{HighOffset(6200)};
inline constexpr DmField<DWORD> BackCoverOn{HighOffset(6204)};
inline constexpr DmField<DWORD> SectionSetting{HighOffset(6208)};
inline constexpr DmField<DWORD> StampEditState{HighOffset(6212)};  // cleared around the stamp editor
// 1 while the stamp a factory favourite embedded is in use: escape 9000 then reports stamp 99.
inline constexpr DmField<DWORD> FavouriteStampOn{HighOffset(6216)};
inline constexpr DmField<DWORD> FaceUpTray{HighOffset(6228)};      // "FaceUpTrayInfo" of the configuration
inline constexpr DmField<DWORD> OffsetStacking{HighOffset(6232)};  // only with output tray 2
inline constexpr DmField<DWORD> OutputTrayFits{HighOffset(6240)};  // 0: short paper to tray 2 with FUT
inline constexpr DmField<DWORD> StampOption{HighOffset(7564)};
inline constexpr DmField<DWORD> DuplexAvailable{HighOffset(7568)};  // the constraint pass's duplex answer
inline constexpr DmField<DWORD> LayoutAvailable{HighOffset(7572)};  // and its layout answer
inline constexpr DmField<WORD> ManualPaperType{HighOffset(7576)};  // paper type in the manual slot
inline constexpr DmField<WORD> ImageAdjustMode{HighOffset(7578)};
inline constexpr unsigned ImageAdjustValues = HighOffset(7580);  // 9 DWORDs
inline constexpr unsigned ImageAdjustValueCount = 9;
// The image adjustment page's fields in those DWORDs: the object type it shows in per-type mode
// (0 text, 1 graphics, 2 images) and the two values, brightness and contrast (each -100 to 100),
// once for the whole page and per object type.
inline constexpr DmField<WORD> AdjustObjectType{HighOffset(7580)};
inline constexpr unsigned kAdjustObjectTypeCount = 3;
inline constexpr DmField<DWORD> BrightnessCommon{HighOffset(7584)};
inline constexpr DmField<DWORD> BrightnessText{HighOffset(7588)};
inline constexpr DmField<DWORD> BrightnessGraphics{HighOffset(7592)};
inline constexpr DmField<DWORD> BrightnessImages{HighOffset(7596)};
inline constexpr DmField<DWORD> ContrastCommon{HighOffset(7600)};
inline constexpr DmField<DWORD> ContrastText{HighOffset(7604)};
inline constexpr DmField<DWORD> ContrastGraphics{HighOffset(7608)};
inline constexpr DmField<DWORD> ContrastImages{HighOffset(7612)};
inline constexpr DmField<DWORD> HoldMode{HighOffset(7616)};  // 1 store private, 2 proof
inline constexpr DmText HoldUserName{HighOffset(7620), 25};
inline constexpr DmText HoldPin{HighOffset(7670), 13};
inline constexpr DmField<DWORD> JobNameFromDocument{HighOffset(7696)};  // 1 = document name
inline constexpr DmText HoldJobName{HighOffset(7700), 25};
inline constexpr DmText SetUserId{HighOffset(7750), 33};    // "DAT_Set_UserID"
inline constexpr DmText SetPassword{HighOffset(7816), 13};  // "DAT_Set_Password"
inline constexpr DmText PopUserId{HighOffset(7842), 33};    // "DAT_Pop_UserID"
inline constexpr DmText PopPassword{HighOffset(7908), 13};  // "DAT_Pop_Password"

// Device pair k (0..18): {WORD state, WORD choice}; state bit 3 = installed.
constexpr DmField<WORD> DeviceState(unsigned k) {
    return {DevicePairs + 4 * k};
}
constexpr DmField<WORD> DeviceChoice(unsigned k) {
    return {DevicePairs + 4 * k + 2};
}
// The pair at a Japanese-build offset between 628 and 700 (both builds share these).
constexpr unsigned DevicePairIndex(unsigned offset) {
    return (offset - DevicePairs) / 4;
}
inline constexpr WORD kDeviceReady = 0x0001;  // with kDeviceInstalled: the device can be used
inline constexpr WORD kDeviceInstalled = 0x0008;
inline constexpr WORD kDuplexBindingOffset = 0x0001;  // Duplex state: shift pages for binding

// Device pairs by the device each stands for.
inline constexpr unsigned kFeeder1 = 0;  // 628; Feeder2 to Feeder5 follow
inline constexpr unsigned kFeeder2 = 1;
inline constexpr unsigned kFeeder3 = 2;
inline constexpr unsigned kFeeder4 = 3;
inline constexpr unsigned kFeeder5 = 4;
inline constexpr unsigned kMsf = 5;             // 648
inline constexpr unsigned kManual = 6;          // 652
inline constexpr unsigned kEnvelopeFeeder = 7;  // 656
inline constexpr unsigned kDuplex = 8;          // 660
inline constexpr unsigned kSorter = 9;
inline constexpr unsigned kPlotter = 10;
inline constexpr unsigned kNic = 11;
inline constexpr unsigned kRcc = 12;
inline constexpr unsigned kFinisher1 = 13;
inline constexpr unsigned kFinisher2 = 14;
inline constexpr unsigned kLcs = 15;           // 688, large-capacity stacker
inline constexpr unsigned kFut = 16;           // 692
inline constexpr unsigned kHdd = 17;           // 696
inline constexpr unsigned kMultiPurpose = 18;  // 700
static_assert(kMultiPurpose + 1 == DevicePairCount);
constexpr DmField<WORD> CarriedPositionWord(unsigned i) {
    return {CarriedPositionWords + 2 * i};
}
constexpr DmField<WORD> ColourCarriedWord(unsigned i) {
    return {ColourCarriedWords + 2 * i};
}
constexpr DmField<DWORD> ImageAdjustValue(unsigned i) {
    return {ImageAdjustValues + 4 * i};
}

}  // namespace dm

// The layout fits the record of each build.
static_assert(FieldEnd(dm::StampRecord) == 2004);
static_assert(FieldEnd(dm::PrevFormName) == 774);
static_assert(FieldEnd(dm::SavedOutPaperName) == 870);
static_assert(dm::DevicePairs + 4 * dm::DevicePairCount == 704);
static_assert(FieldEnd(dm::PopPassword) <= kDriverDevmodeSize);
static_assert(!kJapaneseBuild || FieldEnd(dm::TrustBlock) == kHighOffsetStart);
static_assert(FieldEnd(dm::ColorAdjustment) == dm::SheetSetting.offset);
static_assert(dm::CarriedPositionWords + 6 == dm::ComputerName.offset);
static_assert(dm::ColourCarriedWords + 4 == dm::ColorAdjustment.offset);
static_assert(dm::AdjustObjectType.offset == dm::ImageAdjustValue(0).offset);
static_assert(dm::BrightnessCommon.offset == dm::ImageAdjustValue(1).offset);
static_assert(dm::BrightnessText.offset == dm::ImageAdjustValue(2).offset);
static_assert(dm::BrightnessImages.offset == dm::ImageAdjustValue(4).offset);
static_assert(dm::ContrastCommon.offset == dm::ImageAdjustValue(5).offset);
static_assert(dm::ContrastText.offset == dm::ImageAdjustValue(6).offset);
static_assert(FieldEnd(dm::ContrastImages) == FieldEnd(dm::ImageAdjustValue(dm::ImageAdjustValueCount - 1)));
static_assert(FieldEnd(dm::ContrastImages) == dm::HoldMode.offset);
static_assert(FieldEnd(dm::ContrastImages) - dm::ImageAdjustMode.offset == 38);

// Flag bits of the private flag words named by the driver.
inline constexpr DWORD kFlags1ManualOutPaper = 0x00000001;  // output paper chosen by hand
inline constexpr DWORD kFlags1ManualZoom = 0x00000002;      // zoom chosen by hand, not fitted
inline constexpr DWORD kFlags1Collate = 0x00000004;
inline constexpr DWORD kFlags1JobSeparate = 0x00000008;      // jobs alternate between the tray set
inline constexpr DWORD kFlags1CollateSeparate = 0x00000010;  // couples collate and job separation
inline constexpr DWORD kFlags1Reprint = 0x00000020;
inline constexpr DWORD kFlags1ManualInTraySet = 0x00000040;  // the Manual slot joins the tray set
inline constexpr DWORD kFlags1PrinterTrays = 0x00000080;     // kept only with the printer's own tray list
inline constexpr DWORD kFlags1BindingBack = 0x00000100;      // duplex binding "B" rather than "F"
inline constexpr DWORD kFlags1PageFrame = 0x00000200;        // frame each page of a sheet
inline constexpr DWORD kFlags1PatternBySize = 0x00000400;    // 8 x 8 pattern size code by resolution
inline constexpr DWORD kFlags1RasterMode = 0x00000800;
inline constexpr DWORD kFlags1At600Only = 0x00001000;               // a vector-mode choice offered at 600 dpi only
inline constexpr DWORD kFlags1DeviceFontSubstitution = 0x00002000;  // TrueType text as device fonts
inline constexpr DWORD kFlags1BlackText = 0x00004000;               // coloured text prints black
inline constexpr DWORD kFlags1VectorOnly = 0x00008000;              // a choice that raster mode drops
inline constexpr DWORD kFlags1ResolutionEnhance = 0x00010000;       // PJL RET
inline constexpr DWORD kFlags1TonerSave = 0x00020000;               // PJL ECONOMODE
inline constexpr DWORD kFlags1DisplayJobUser = 0x00200000;          // show the job user name on the panel
inline constexpr DWORD kFlags1DisplayUserText = 0x00400000;         // show the user text on the panel
inline constexpr DWORD kFlags1NotWithTrust = 0x01000000;            // cleared while trust marking is on
inline constexpr DWORD kFlags1OwnerText = 0x40000000;               // owner string from the owner text
inline constexpr DWORD kFlags1JobMonitor = 0x80000000;              // the document monitor is available
inline constexpr DWORD kFlags2FeedMode00 = 0x00000100;              // "05F2-00" rather than "05F2-02"
inline constexpr DWORD kFlags2PrinterTrayStatus = 0x00010000;       // configuration read with its trays
inline constexpr DWORD kFlags2NoMemoryRule = 0x00020000;            // collate-separate regardless of memory
inline constexpr DWORD kFlags2GreyTables = 0x02000000;              // grey levels through the halftone tables
inline constexpr DWORD kFlags2PatternDownload = 0x04000000;         // source tiles go down as pattern 256
inline constexpr DWORD kFlags2AccountPerUser = 0x00100000;          // "DAT_Account_Mode": account values live per user
inline constexpr DWORD kFlags2JbaType = 0x00200000;                 // "DAT_Jba_Type"
inline constexpr DWORD kFlags2JobOwnerType = 0x00400000;            // "DAT_JobOwnerType": user ID from the job user
inline constexpr DWORD kFlags2DisplayBeforeSet = 0x00800000;        // "DAT_Dsp_Beforeset"
inline constexpr DWORD kFlags2UserIdAsterisk = 0x01000000;          // "DAT_UserID_Asterisk"
inline constexpr DWORD kFlags2AccountFlags = 0x01E00000;            // the four account flags after the mode
// A flag of the settings record by its printer-data name, stored as the masked bit itself (0 or
// bit).
struct FlagValue {
    const char16_t* name;
    DWORD bit;
};
// The account flags, in the order they are read and stored.
inline constexpr FlagValue kAccountFlagNames[] = {
    {u"DAT_Jba_Type", kFlags2JbaType},
    {u"DAT_JobOwnerType", kFlags2JobOwnerType},
    {u"DAT_Dsp_Beforeset", kFlags2DisplayBeforeSet},
    {u"DAT_UserID_Asterisk", kFlags2UserIdAsterisk},
};
inline constexpr DWORD kFlags2OverlayMode = 0x00000200;  // set from the overlay header's mode byte
inline constexpr DWORD kFlags2Conversion = 0x00000002;   // document form is a conversion form
inline constexpr WORD kFlagsWordOverlayOn = 0x0001;
inline constexpr WORD kFlagsWordOverlayOnly = 0x0008;  // overlay without the document (MSW047)

// ---- Typed access ---------------------------------------------------------------------------
// Reads give 0 (or an empty text) where the field does not lie wholly inside the given bytes;
// writes outside them do nothing. Integers are little-endian as on the wire.

template <class T>
inline T Get(std::span<const BYTE> rec, DmField<T> f) {
    if (f.offset > rec.size() || rec.size() - f.offset < sizeof(T)) return T{};
    T v;
    std::memcpy(&v, rec.data() + f.offset, sizeof(T));
    return v;
}
template <class T>
inline void Set(std::span<BYTE> rec, DmField<T> f, T v) {
    if (f.offset > rec.size() || rec.size() - f.offset < sizeof(T)) return;
    std::memcpy(rec.data() + f.offset, &v, sizeof(T));
}
template <class T>
inline T Get(const DriverDevmode& rec, DmField<T> f) {
    return Get(RecordBytes(rec), f);
}
template <class T, class V>
inline void Set(DriverDevmode& rec, DmField<T> f, V v) {
    Set(RecordBytes(rec), f, static_cast<T>(v));
}

// UTF-16 text up to its terminator or the end of the field, whichever comes first.
inline std::u16string GetText(std::span<const BYTE> rec, DmText f) {
    std::u16string out;
    for (unsigned i = 0; i < f.cch; ++i) {
        WORD c = Get(rec, DmField<WORD>{f.offset + 2 * i});
        if (c == 0) break;
        out.push_back(static_cast<char16_t>(c));
    }
    return out;
}
// Writes at most cch - 1 units and always a terminator; the rest of the field is zeroed.
inline void SetText(std::span<BYTE> rec, DmText f, std::u16string_view text) {
    if (f.cch == 0 || FieldEnd(f) > rec.size()) return;
    for (unsigned i = 0; i < f.cch; ++i) {
        WORD c = i + 1 < f.cch && i < text.size() ? static_cast<WORD>(text[i]) : 0;
        Set(rec, DmField<WORD>{f.offset + 2 * i}, c);
    }
}
// The same for system-code-page text.
inline std::string GetAnsi(std::span<const BYTE> rec, DmAnsi f) {
    std::string out;
    for (unsigned i = 0; i < f.cb && f.offset + i < rec.size(); ++i) {
        char c = static_cast<char>(rec[f.offset + i]);
        if (c == 0) break;
        out.push_back(c);
    }
    return out;
}
inline void SetAnsi(std::span<BYTE> rec, DmAnsi f, std::string_view text) {
    if (f.cb == 0 || FieldEnd(f) > rec.size()) return;
    for (unsigned i = 0; i < f.cb; ++i)
        rec[f.offset + i] = i + 1 < f.cb && i < text.size() ? static_cast<BYTE>(text[i]) : 0;
}
// Puts a terminator in the last unit of the field when none is inside it.
inline void TerminateText(std::span<BYTE> rec, DmText f) {
    if (f.cch == 0 || FieldEnd(f) > rec.size()) return;
    for (unsigned i = 0; i < f.cch; ++i)
        if (Get(rec, DmField<WORD>{f.offset + 2 * i}) == 0) return;
    Set(rec, DmField<WORD>{f.offset + 2 * (f.cch - 1)}, WORD{0});
}
inline void TerminateAnsi(std::span<BYTE> rec, DmAnsi f) {
    if (f.cb == 0 || FieldEnd(f) > rec.size()) return;
    for (unsigned i = 0; i < f.cb; ++i)
        if (rec[f.offset + i] == 0) return;
    rec[f.offset + f.cb - 1] = 0;
}

inline std::u16string GetText(const DriverDevmode& rec, DmText f) {
    return GetText(RecordBytes(rec), f);
}
inline void SetText(DriverDevmode& rec, DmText f, std::u16string_view t) {
    SetText(RecordBytes(rec), f, t);
}
inline std::string GetAnsi(const DriverDevmode& rec, DmAnsi f) {
    return GetAnsi(RecordBytes(rec), f);
}
inline void SetAnsi(DriverDevmode& rec, DmAnsi f, std::string_view t) {
    SetAnsi(RecordBytes(rec), f, t);
}

// Whether device pair k (dm::kFeeder1 ... dm::kMultiPurpose) is installed.
inline bool DeviceInstalled(const DriverDevmode& rec, unsigned pair) {
    return (Get(rec, dm::DeviceState(pair)) & dm::kDeviceInstalled) != 0;
}

// Bytes of a DEVMODE as it describes itself: dmSize + dmDriverExtra (0 for null).
inline size_t DevmodeTotalSize(const DEVMODEW* dm) {
    return dm ? size_t{dm->dmSize} + dm->dmDriverExtra : 0;
}

}  // namespace orla

// ---- Fields and bits the setting items of the property pages name ----------------------------
namespace orla {
namespace dm {
// 1 after a factory favourite that needs the duplex unit; 2 once that unit was removed, so the
// page reloads the favourites.
inline constexpr DmField<DWORD> DuplexFavourite{HighOffset(6236)};
inline constexpr DmField<DWORD> SavedTraySet{796};
}  // namespace dm
inline constexpr DWORD kFlags2DeviceChoice = 0x00000400;   // the device settings page's choice item (combo 1063)
inline constexpr DWORD kFlags2StackedFirst = 0x00001000;   // counts the stacked option trays with ...
inline constexpr DWORD kFlags2StackedSecond = 0x00002000;  // ... this bit: 1, 2 or 3 trays
inline constexpr DWORD kFlags1PrintBlankPages = 0x10000000;  // blank pages go out as sheets too
}  // namespace orla
