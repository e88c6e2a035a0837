// ui_runner's answers to the file-open dialogs a script brings up: files placed into the sandbox
// (--put LOCALFILE=WINPATH) and the paths the user picks, queued in order (--open-file WINPATH, or
// --open-file cancel). After the run every answer must have been taken and no dialog left
// unanswered, or the run fails.
#pragma once

#include <string>
#include <vector>

struct SandboxFile {
    std::string hostFile;
    std::u16string windowsPath;
};

struct OpenFileAnswers {
    std::vector<SandboxFile> files;
    std::vector<std::u16string> answers;  // empty: the dialog is cancelled
};

// True when `option` is one of the two (its `value` taken into `answers`); `error` is set when
// the value was refused.
bool TakeOpenFileOption(const std::string& option, const std::string& value, OpenFileAnswers& answers,
                        std::string& error);

// Copies the files into the sandbox and queues the answers; false with a reason when a file could
// not be placed.
bool PrepareOpenFileAnswers(const OpenFileAnswers& answers, std::string& error);

// Prints each file-open dialog the run brought up and what it was answered; the run's result,
// or 2 when an answer was left unused or a dialog came up with none to give.
int ReportOpenFileAnswers(int result);
