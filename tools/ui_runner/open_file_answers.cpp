#include "tools/ui_runner/open_file_answers.h"

#include <cstdio>

#include "plat/control.h"
#include "plat/host_text.h"
#include "plat/open_file_dialog.h"

namespace {

constexpr const char* kCancelAnswer = "cancel";

bool TakePut(const std::string& value, OpenFileAnswers& answers, std::string& error) {
    const size_t split = value.find('=');
    if (split == std::string::npos || split == 0 || split + 1 == value.size()) {
        error = "--put takes LOCALFILE=WINPATH, not \"" + value + "\"";
        return false;
    }
    answers.files.push_back({value.substr(0, split), plat::Utf8ToUtf16(value.substr(split + 1))});
    return true;
}

bool TakeAnswer(const std::string& value, OpenFileAnswers& answers, std::string&) {
    answers.answers.push_back(value == kCancelAnswer ? std::u16string() : plat::Utf8ToUtf16(value));
    return true;
}

struct OpenFileOption {
    const char* name;
    bool (*take)(const std::string& value, OpenFileAnswers& answers, std::string& error);
};
constexpr OpenFileOption kOptions[] = {{"--put", TakePut}, {"--open-file", TakeAnswer}};

std::string U8(const WCHAR* text) {
    return plat::Utf16ToUtf8(std::u16string(text));
}

}  // namespace

bool TakeOpenFileOption(const std::string& option, const std::string& value, OpenFileAnswers& answers,
                        std::string& error) {
    for (const OpenFileOption& o : kOptions)
        if (option == o.name) {
            o.take(value, answers, error);
            return true;
        }
    return false;
}

bool PrepareOpenFileAnswers(const OpenFileAnswers& answers, std::string& error) {
    for (const SandboxFile& f : answers.files) {
        if (!PlatCopyIntoSandbox(f.hostFile.c_str(), f.windowsPath.c_str())) {
            error = "cannot place " + f.hostFile + " as " + plat::Utf16ToUtf8(f.windowsPath);
            return false;
        }
    }
    PlatResetOpenFileDialogs();
    for (const std::u16string& a : answers.answers) {
        if (a.empty())
            PlatQueueOpenFileCancel();
        else
            PlatQueueOpenFileAnswer(a.c_str());
    }
    return true;
}

int ReportOpenFileAnswers(int result) {
    for (DWORD i = 0; i < PlatOpenFileCallCount(); ++i) {
        PLAT_OPEN_FILE_RECORD call{};
        if (!PlatGetOpenFileCall(i, &call)) continue;
        if (call.unexpected)
            std::printf("open-file dialog \"%s\": no answer it could take\n", U8(call.title).c_str());
        else if (call.result)
            std::printf("open-file dialog: chose %s\n", U8(call.answer).c_str());
        else
            std::printf("open-file dialog: cancelled\n");
    }
    const DWORD unused = PlatPendingOpenFileAnswers(), unexpected = PlatUnexpectedOpenFileCount();
    if (unused)
        std::fprintf(stderr, "ui_runner: %lu --open-file answer(s) not used\n", static_cast<unsigned long>(unused));
    if (unexpected)
        std::fprintf(stderr, "ui_runner: %lu file-open dialog(s) found no answer to take\n",
                     static_cast<unsigned long>(unexpected));
    return result == 0 && (unused || unexpected) ? 2 : result;
}
