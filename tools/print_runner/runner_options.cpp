// Stamps, escapes, owner and trust marking for the runner: settings patches at the settings
// record's offsets (below 6108, the same in both builds), escape records, the library's registry
// entry, and the command-line forms of all of them.
#include "tools/print_runner/runner_options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plat/control.h"
#include "plat/host_text.h"
#include "win/registry.h"

namespace orla::runner {
namespace {

constexpr unsigned kFlags1 = 396;
constexpr unsigned kAnnotationOn = 1032;
constexpr unsigned kAnnotationKind = 1036;
constexpr unsigned kAnnotationText = 1040;  // 65 units
constexpr unsigned kAnnotationPosition = 1172;
constexpr unsigned kStampNumber = 1220;
constexpr unsigned kStamp = 1224;  // the embedded stamp record
constexpr size_t kStampRecordSize = 780;
// The stamp record's fields (core/stamp_record.h names them for the driver; the same in both
// builds), UTF-16 texts by their units.
namespace stamp_field {
constexpr unsigned kNumber = 0, kName = 2, kKind = 132, kText = 136, kImagePath = 394, kPosition = 652, kSize = 656,
                   kScale = 658, kAngle = 660, kWeight = 662, kItalic = 664, kFace = 668, kOverlay = 732, kGrey = 736,
                   kFirstPageOnly = 740, kMode = 744, kDrawn = 748;
constexpr unsigned kNameUnits = 65, kTextUnits = 129, kFaceUnits = 32;
}  // namespace stamp_field
constexpr unsigned kTrustMarkOn = 2008;
constexpr uint32_t kFlags1NotWithTrust = 0x01000000;
constexpr unsigned kOwnerRecordSize = 328;
constexpr unsigned kOwnerHostOffset = 231;
constexpr unsigned kOwnerHostSize = 97;
constexpr const char16_t* kLibraryKey = u"SOFTWARE\\Tamsa Korvel\\Tessaline Basic";
constexpr const char16_t* kLibraryFile = u"TessalineDrvIf.dll";

SettingPatch Bytes(unsigned offset, std::vector<uint8_t> bytes) {
    return SettingPatch{offset, std::move(bytes), {}};
}
SettingPatch Dword(unsigned offset, uint32_t v) {
    return Bytes(offset, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}
SettingPatch Word(unsigned offset, uint16_t v) {
    return Bytes(offset, {uint8_t(v), uint8_t(v >> 8)});
}
// A UTF-16 field of `units` (cut, terminated, the rest zeroed).
SettingPatch Text(unsigned offset, const std::u16string& text, unsigned units) {
    std::vector<uint8_t> b(2 * units, 0);
    for (size_t i = 0; i + 1 < units && i < text.size(); ++i)
        b[2 * i] = uint8_t(text[i]), b[2 * i + 1] = uint8_t(text[i] >> 8);
    return Bytes(offset, std::move(b));
}

void SetText(HKEY key, const char16_t* name, const std::u16string& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * 2));
}

bool Number(const std::string& text, long* out) {
    char* end = nullptr;
    *out = std::strtol(text.c_str(), &end, 0);
    return !text.empty() && end != nullptr && *end == 0;
}

// "TEXT[@POS[,ANGLE]]": the text and where it goes.
bool SplitPlace(const std::string& spec, std::string* text, uint32_t* position, uint16_t* angle) {
    const size_t at = spec.rfind('@');
    *text = spec.substr(0, at);
    if (at == std::string::npos) return true;
    std::string place = spec.substr(at + 1);
    const size_t comma = place.find(',');
    long p = 0, a = 2;
    if (!Number(place.substr(0, comma), &p) || p < 0 || p > 8) return false;
    if (comma != std::string::npos && (!Number(place.substr(comma + 1), &a) || a < 0 || a > 4)) return false;
    *position = static_cast<uint32_t>(p);
    *angle = static_cast<uint16_t>(a);
    return true;
}

bool HexBytes(const std::string& hex, std::vector<uint8_t>* out) {
    if (hex.size() % 2 != 0) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        char* end = nullptr;
        const std::string two = hex.substr(i, 2);
        const long v = std::strtol(two.c_str(), &end, 16);
        if (end == nullptr || *end != 0) return false;
        out->push_back(static_cast<uint8_t>(v));
    }
    return true;
}

// "CODE[=HEXBYTES][,OUTSIZE]"
bool ParseEscape(const std::string& spec, EscapeCall* call) {
    const size_t eq = spec.find('='), comma = spec.find(',', eq == std::string::npos ? 0 : eq);
    long code = 0, out = 0;
    if (!Number(spec.substr(0, std::min(eq, comma)), &code) || code < 0) return false;
    call->code = static_cast<uint32_t>(code);
    if (eq != std::string::npos && !HexBytes(spec.substr(eq + 1, comma - eq - 1), &call->input)) return false;
    if (comma != std::string::npos) {
        if (!Number(spec.substr(comma + 1), &out) || out < 0 || out > (1 << 20)) return false;
        call->outputSize = static_cast<uint32_t>(out);
    }
    return true;
}

int Malformed(const std::string& option, const std::string& value) {
    std::fprintf(stderr, "print_runner: %s cannot take \"%s\"\n", option.c_str(), value.c_str());
    return -1;
}

void Append(std::vector<SettingPatch>& to, const std::vector<SettingPatch>& from) {
    to.insert(to.end(), from.begin(), from.end());
}

}  // namespace

std::vector<uint8_t> StampRecord(const StampChoice& s) {
    namespace f = stamp_field;
    std::vector<uint8_t> record(kStampRecordSize, 0);
    for (const SettingPatch& field : {
             Word(f::kNumber, 1),
             Text(f::kName, u"runner", f::kNameUnits),
             Dword(f::kKind, s.image ? 1 : 0),
             Text(f::kText, s.text, f::kTextUnits),
             Text(f::kImagePath, s.imagePath, f::kTextUnits),
             Dword(f::kPosition, s.position),
             Word(f::kSize, s.size),
             Word(f::kScale, s.scale),
             Word(f::kAngle, s.angle),
             Word(f::kWeight, s.weight),
             Dword(f::kItalic, s.italic),
             Text(f::kFace, s.face, f::kFaceUnits),
             Dword(f::kOverlay, s.overlay),
             Dword(f::kGrey, s.grey),
             Dword(f::kFirstPageOnly, 0),
             Dword(f::kMode, s.mode),
             Dword(f::kDrawn, 1),
         })
        std::copy(field.bytes.begin(), field.bytes.end(), record.begin() + field.offset);
    return record;
}

std::vector<SettingPatch> StampPatches(const StampChoice& s) {
    return {Dword(kStampNumber, 1), Bytes(kStamp, StampRecord(s))};
}

std::vector<SettingPatch> InfoStampPatches(uint32_t kind, uint32_t position, const std::u16string& text) {
    return {Dword(kAnnotationOn, 1), Dword(kAnnotationKind, kind), Dword(kAnnotationPosition, position),
            Text(kAnnotationText, text, 65)};
}

std::vector<SettingPatch> TrustMarkPatches() {
    SettingPatch flags{kFlags1, {0, 0, 0, 0}, {0, 0, 0, uint8_t(kFlags1NotWithTrust >> 24)}};
    return {Dword(kTrustMarkOn, 1), flags};
}

EscapeCall JobOwnerEscape(const std::string& host) {
    EscapeCall call;
    call.code = 9998;
    call.input.assign(kOwnerRecordSize, 0);
    std::memcpy(call.input.data() + kOwnerHostOffset, host.data(), std::min<size_t>(host.size(), kOwnerHostSize - 1));
    return call;
}

bool InstallTrustMarkLibrary(const RunOptions& o, std::string& error) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLibraryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        error = "cannot write the trust-marking library's registry key";
        return false;
    }
    if (o.trustMarkLibrary) {
        SetText(key, u"DRVIFInstallPath", std::u16string(PlatDriverDirectory()) + u"\\" + kLibraryFile);
        SetText(key, u"StandInScript", o.trustMarkScript);
    } else {
        RegDeleteValueW(key, u"DRVIFInstallPath");
        RegDeleteValueW(key, u"StandInScript");
    }
    RegCloseKey(key);
    return true;
}

int ParseJobOption(const std::string& a, const std::function<std::string()>& next, RunOptions& o) {
    if (a == "--escape") {
        const std::string v = next();
        EscapeCall call;
        if (!ParseEscape(v, &call)) return Malformed(a, v);
        o.escapes.push_back(call);
    } else if (a == "--app-dc") {
        o.applicationDc = true;
    } else if (a == "--owner") {
        o.escapes.push_back(JobOwnerEscape(next()));
    } else if (a == "--stamp" || a == "--image-stamp") {
        const std::string v = next();
        StampChoice s;
        std::string text;
        if (!SplitPlace(v, &text, &s.position, &s.angle)) return Malformed(a, v);
        s.image = a == "--image-stamp";
        (s.image ? s.imagePath : s.text) = plat::Utf8ToUtf16(text);
        Append(o.settingPatches, StampPatches(s));
        // The user stored it as stamp 1 with the stamp editor, and chose it.
        o.userStamps = {StampRecord(s)};
        o.applicationDc = true;
    } else if (a == "--info-stamp") {
        const std::string v = next();
        std::string what;
        uint32_t position = 8;
        uint16_t unused = 2;
        if (!SplitPlace(v, &what, &position, &unused)) return Malformed(a, v);
        const uint32_t kind = what == "page" ? 7 : what == "doc" ? 6 : 8;
        Append(o.settingPatches, InfoStampPatches(kind, position, kind == 8 ? plat::Utf8ToUtf16(what) : u""));
        o.applicationDc = true;
    } else if (a == "--trust-mark") {
        // The library stand-in with its script ("Name=value;Name=value", "-" for none).
        const std::string v = next();
        std::u16string script;
        for (char c : v == "-" ? std::string() : v) script.push_back(c == ';' ? u'\n' : static_cast<char16_t>(c));
        o.trustMarkLibrary = true;
        o.trustMarkScript = script;
        Append(o.settingPatches, TrustMarkPatches());
    } else {
        return 0;
    }
    return 1;
}

const char* JobOptionsUsage() {
    return "       [--escape CODE[=HEXBYTES][,OUTSIZE]]... [--app-dc] [--owner HOST]\n"
           "       [--stamp TEXT[@POS[,ANGLE]]] [--image-stamp WINPATH[@POS]] [--info-stamp page|doc|TEXT[@POS]]\n"
           "       [--trust-mark SCRIPT|-]   (the trust-marking library stand-in, e.g. "
           "\"GetNumOfOutputs=2;GetKM=fail\")\n"
           "  --app-dc: the job comes from an application through GDI, which calls the interface DLL's\n"
           "  document events (start of the document, page ends); a stamp or an information stamp implies\n"
           "  it, and --stamp stores its stamp as the user's stamp 1.\n";
}

}  // namespace orla::runner
