#include "core/devmode_field_names.h"

#include "core/driver_devmode.h"

namespace orla {

namespace {

template <class T>
constexpr NamedDevmodeField Field(std::string_view name, DmField<T> f) {
    return {name, f.offset, sizeof(T), DevmodeFieldKind::Integer};
}
constexpr NamedDevmodeField Field(std::string_view name, DmText f) {
    return {name, f.offset, 2 * f.cch, DevmodeFieldKind::Text};
}
constexpr NamedDevmodeField Field(std::string_view name, DmAnsi f) {
    return {name, f.offset, f.cb, DevmodeFieldKind::Ansi};
}
constexpr NamedDevmodeField Field(std::string_view name, DmBytes f) {
    return {name, f.offset, f.cb, DevmodeFieldKind::Bytes};
}

constexpr NamedDevmodeField kFields[] = {
    Field("DeviceName", dm::DeviceName),
    Field("SpecVersion", dm::SpecVersion),
    Field("DriverVersion", dm::DriverVersion),
    Field("Size", dm::Size),
    Field("DriverExtra", dm::DriverExtra),
    Field("Fields", dm::Fields),
    Field("Orientation", dm::Orientation),
    Field("PaperSize", dm::PaperSize),
    Field("PaperLength", dm::PaperLength),
    Field("PaperWidth", dm::PaperWidth),
    Field("Scale", dm::Scale),
    Field("Copies", dm::Copies),
    Field("DefaultSource", dm::DefaultSource),
    Field("PrintQuality", dm::PrintQuality),
    Field("Color", dm::Color),
    Field("Duplex", dm::Duplex),
    Field("YResolution", dm::YResolution),
    Field("TTOption", dm::TTOption),
    Field("Collate", dm::Collate),
    Field("FormName", dm::FormName),
    Field("Nup", dm::Nup),
    Field("ICMMethod", dm::ICMMethod),
    Field("ICMIntent", dm::ICMIntent),
    Field("MediaType", dm::MediaType),
    Field("DitherType", dm::DitherType),
    Field("FlagsWord", dm::FlagsWord),
    Field("OverlayFolder", dm::OverlayFolder),
    Field("OverlayName", dm::OverlayName),
    Field("OverlayCarriedWord", dm::OverlayCarriedWord),
    Field("OverlayCarriedBytes", dm::OverlayCarriedBytes),
    Field("OverlayStatus", dm::OverlayStatus),
    Field("LanguageText", dm::LanguageText),
    Field("PrivateId", dm::PrivateId),
    Field("Flags1", dm::Flags1),
    Field("Flags2", dm::Flags2),
    Field("TraySet", dm::TraySet),
    Field("TrayCarriedValue", dm::TrayCarriedValue),
    Field("DialogCategory", dm::DialogCategory),
    Field("FavouriteNumber", dm::FavouriteNumber),
    Field("OutPaperIndex", dm::OutPaperIndex),
    Field("OutPaperLength", dm::OutPaperLength),
    Field("OutPaperWidth", dm::OutPaperWidth),
    Field("OutPaperName", dm::OutPaperName),
    Field("Zoom", dm::Zoom),
    Field("PaperType", dm::PaperType),
    Field("OutputTray", dm::OutputTray),
    Field("LayoutMode", dm::LayoutMode),
    Field("FrameKind", dm::FrameKind),
    Field("LayoutOrder", dm::LayoutOrder),
    Field("PrintDensity", dm::PrintDensity),
    Field("PrintPosTop", dm::PrintPosTop),
    Field("PrintPosLeft", dm::PrintPosLeft),
    Field("PrintPosTop2", dm::PrintPosTop2),
    Field("PrintPosLeft2", dm::PrintPosLeft2),
    Field("ComputerName", dm::ComputerName),
    Field("JobUserName", dm::JobUserName),
    Field("UserText", dm::UserText),
    Field("MemoryKb", dm::MemoryKb),
    Field("PrevPaperSize", dm::PrevPaperSize),
    Field("PrevPaperLength", dm::PrevPaperLength),
    Field("PrevPaperWidth", dm::PrevPaperWidth),
    Field("PrevFormName", dm::PrevFormName),
    Field("PrevOrientation", dm::PrevOrientation),
    Field("PrevDefaultSource", dm::PrevDefaultSource),
    Field("PrevDuplex", dm::PrevDuplex),
    Field("RememberedQuality", dm::RememberedQuality),
    Field("SavedFlagsWord", dm::SavedFlagsWord),
    Field("SavedFlags1", dm::SavedFlags1),
    Field("SavedFlags2", dm::SavedFlags2),
    Field("SavedOutPaperIndex", dm::SavedOutPaperIndex),
    Field("SavedOutPaperLength", dm::SavedOutPaperLength),
    Field("SavedOutPaperWidth", dm::SavedOutPaperWidth),
    Field("SavedOutPaperName", dm::SavedOutPaperName),
    Field("SavedZoom", dm::SavedZoom),
    Field("SavedPaperType", dm::SavedPaperType),
    Field("SavedOutputTray", dm::SavedOutputTray),
    Field("SavedLayoutMode", dm::SavedLayoutMode),
    Field("SavedFrameKind", dm::SavedFrameKind),
    Field("SavedLayoutOrder", dm::SavedLayoutOrder),
    Field("SavedPrintDensity", dm::SavedPrintDensity),
    Field("SavedSeparateDefaultTray", dm::SavedSeparateDefaultTray),
    Field("SavedSeparateTraysOn", dm::SavedSeparateTraysOn),
    Field("SavedSlipSheetsOn", dm::SavedSlipSheetsOn),
    Field("SavedDefaultSource", dm::SavedDefaultSource),
    Field("SavedOffsetStacking", dm::SavedOffsetStacking),
    Field("SavedManualPaperType", dm::SavedManualPaperType),
    Field("SavedFirstSheetTray", dm::SavedFirstSheetTray),
    Field("SavedSecondSheetTray", dm::SavedSecondSheetTray),
    Field("SavedFrontCoverTray", dm::SavedFrontCoverTray),
    Field("SavedBackCoverTray", dm::SavedBackCoverTray),
    Field("SavedSlipSheetTray", dm::SavedSlipSheetTray),
    Field("OwnerUserName", dm::OwnerUserName),
    Field("OwnerInputText", dm::OwnerInputText),
    Field("AnnotationOn", dm::AnnotationOn),
    Field("AnnotationKind", dm::AnnotationKind),
    Field("AnnotationText", dm::AnnotationText),
    Field("AnnotationPosition", dm::AnnotationPosition),
    Field("JobInfoUserName", dm::JobInfoUserName),
    Field("StampNumber", dm::StampNumber),
    Field("StampRecord", dm::StampRecord),
    Field("StampDrawFlag", dm::StampDrawFlag),
    Field("TrustBlobSize", dm::TrustBlobSize),
    Field("TrustMarkResult", dm::TrustMarkResult),
    Field("TrustBlock", dm::TrustBlock),
    Field("PaperLength2", dm::PaperLength2),
    Field("PaperWidth2", dm::PaperWidth2),
    Field("ColorAdjustment", dm::ColorAdjustment),
    Field("SheetSetting", dm::SheetSetting),
    Field("SlipSheetsOn", dm::SlipSheetsOn),
    Field("SlipSheetTray", dm::SlipSheetTray),
    Field("SlipSheetKind", dm::SlipSheetKind),
    Field("SlipSheetsChecked", dm::SlipSheetsChecked),
    Field("SeparateTraysOn", dm::SeparateTraysOn),
    Field("FirstSheetTray", dm::FirstSheetTray),
    Field("SecondSheetTray", dm::SecondSheetTray),
    Field("SeparateDefaultTray", dm::SeparateDefaultTray),
    Field("SectionTray", dm::SectionTray),
    Field("FrontCoverTray", dm::FrontCoverTray),
    Field("BackCoverTray", dm::BackCoverTray),
    Field("FrontCoverOn", dm::FrontCoverOn),
    Field("BackCoverOn", dm::BackCoverOn),
    Field("SectionSetting", dm::SectionSetting),
    Field("StampEditState", dm::StampEditState),
    Field("FavouriteStampOn", dm::FavouriteStampOn),
    Field("FaceUpTray", dm::FaceUpTray),
    Field("OffsetStacking", dm::OffsetStacking),
    Field("OutputTrayFits", dm::OutputTrayFits),
    Field("StampOption", dm::StampOption),
    Field("DuplexAvailable", dm::DuplexAvailable),
    Field("LayoutAvailable", dm::LayoutAvailable),
    Field("ManualPaperType", dm::ManualPaperType),
    Field("ImageAdjustMode", dm::ImageAdjustMode),
    Field("HoldMode", dm::HoldMode),
    Field("HoldUserName", dm::HoldUserName),
    Field("HoldPin", dm::HoldPin),
    Field("JobNameFromDocument", dm::JobNameFromDocument),
    Field("HoldJobName", dm::HoldJobName),
    Field("SetUserId", dm::SetUserId),
    Field("SetPassword", dm::SetPassword),
    Field("PopUserId", dm::PopUserId),
    Field("PopPassword", dm::PopPassword),
    Field("DuplexFavourite", dm::DuplexFavourite),
    Field("SavedTraySet", dm::SavedTraySet),
};

}  // namespace

const NamedDevmodeField* FindDevmodeField(std::string_view name) {
    // The English record has no trust-marking block: its bytes there belong to later fields.
    if (!kJapaneseBuild && name.starts_with("Trust")) return nullptr;
    for (const NamedDevmodeField& f : kFields)
        if (f.name == name && f.offset + f.size <= kDriverDevmodeSize) return &f;
    return nullptr;
}

}  // namespace orla
