// ui_runner sheet: DrvDocumentProperties with DM_PROMPT, the user's turns taken from a script
// of actions separated by ";": "page ID" shows the page of that template, "ok" and "cancel"
// press the sheet's buttons. Actions for controls of a page that has none yet are refused
// with a message, never skipped.
#include "tools/ui_runner/sheet_command.h"

#include <cstdio>
#include <sstream>
#include <vector>

#include "plat/window_render.h"
#include "plat/window_test.h"
#include "resources/lang/sheet_ids.h"
#include "win/property_sheet.h"

namespace {

// Document pages in the sheet's order, by template id.
constexpr unsigned kPageOrder[] = {orla_res::kTemplateBasicPage, orla_res::kTemplatePaperSourcePage,
                                   orla_res::kTemplateImagePage, orla_res::kTemplateStampPage,
                                   orla_res::kTemplateOptionListPage};

struct Action {
    std::string verb;
    std::string argument;
};

struct Script {
    std::vector<Action> actions;
    size_t next = 0;
    std::string pngDir;
    bool failed = false;
};

bool Parse(const std::string& text, std::vector<Action>& out) {
    std::stringstream all(text);
    std::string part;
    while (std::getline(all, part, ';')) {
        std::stringstream words(part);
        Action a;
        words >> a.verb;
        std::getline(words >> std::ws, a.argument);
        if (a.verb.empty()) continue;
        if (a.verb != "page" && a.verb != "ok" && a.verb != "cancel") {
            std::fprintf(stderr, "ui_runner: \"%s\" acts on a control no page of this build has yet\n", a.verb.c_str());
            return false;
        }
        out.push_back(a);
    }
    return true;
}

int PageIndex(const std::string& id) {
    for (size_t i = 0; i < sizeof kPageOrder / sizeof kPageOrder[0]; ++i) {
        if (std::to_string(kPageOrder[i]) == id) return static_cast<int>(i);
    }
    return -1;
}

BOOL Turn(HWND sheet, void* context) {
    auto* s = static_cast<Script*>(context);
    if (s->next >= s->actions.size()) {
        // The script ran out with the sheet still open: cancel rather than wait for ever.
        return PlatPressButton(sheet, IDCANCEL);
    }
    const Action& a = s->actions[s->next++];
    if (a.verb == "ok") return PlatPressButton(sheet, IDOK);
    if (a.verb == "cancel") return PlatPressButton(sheet, IDCANCEL);
    const int index = PageIndex(a.argument);
    if (index < 0) {
        std::fprintf(stderr, "ui_runner: no page %s on the document sheet\n", a.argument.c_str());
        s->failed = true;
        return PlatPressButton(sheet, IDCANCEL);
    }
    SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (!s->pngDir.empty()) {
        const std::string path = s->pngDir + "/page_" + a.argument + ".png";
        if (!PlatRenderWindowToPng(sheet, path.c_str()))
            std::fprintf(stderr, "ui_runner: cannot write %s\n", path.c_str());
        else
            std::printf("wrote %s\n", path.c_str());
    }
    return TRUE;
}

void PrintChanges(const DEVMODEW& before, const DEVMODEW& after) {
    struct Field {
        const char* name;
        long was;
        long now;
    } const fields[] = {
        {"dmOrientation", before.dmOrientation, after.dmOrientation},
        {"dmPaperSize", before.dmPaperSize, after.dmPaperSize},
        {"dmPaperLength", before.dmPaperLength, after.dmPaperLength},
        {"dmPaperWidth", before.dmPaperWidth, after.dmPaperWidth},
        {"dmScale", before.dmScale, after.dmScale},
        {"dmCopies", before.dmCopies, after.dmCopies},
        {"dmDefaultSource", before.dmDefaultSource, after.dmDefaultSource},
        {"dmPrintQuality", before.dmPrintQuality, after.dmPrintQuality},
        {"dmDuplex", before.dmDuplex, after.dmDuplex},
        {"dmCollate", before.dmCollate, after.dmCollate},
    };
    int changed = 0;
    for (const Field& f : fields) {
        if (f.was == f.now) continue;
        std::printf("  %s %ld -> %ld\n", f.name, f.was, f.now);
        ++changed;
    }
    if (changed == 0) std::printf("  no field changed\n");
}

}  // namespace

int RunSheetScript(SheetDocumentPropertiesFn docProps, HANDLE printer, LPWSTR printerName, const std::string& script,
                   const std::string& pngDir) {
    Script s;
    s.pngDir = pngDir;
    if (!Parse(script, s.actions)) return 2;
    const LONG size = docProps(nullptr, printer, printerName, nullptr, nullptr, 0);
    std::vector<BYTE> before(static_cast<size_t>(size)), after(static_cast<size_t>(size));
    auto* in = reinterpret_cast<DEVMODEW*>(before.data());
    auto* out = reinterpret_cast<DEVMODEW*>(after.data());
    if (docProps(nullptr, printer, printerName, in, nullptr, DM_COPY) != IDOK) {
        std::fprintf(stderr, "ui_runner: no settings record for the printer\n");
        return 1;
    }
    after = before;
    PlatSetModalIdleHandler(Turn, &s);
    const LONG r = docProps(nullptr, printer, printerName, out, in, DM_COPY | DM_PROMPT);
    PlatSetModalIdleHandler(nullptr, nullptr);
    std::printf("DrvDocumentProperties (sheet): %ld\n", static_cast<long>(r));
    if (s.failed || r < 0) return s.failed ? 2 : 1;
    if (r == IDOK) PrintChanges(*in, *out);
    return 0;
}
