// ui_runner job: the sample document printed through the print runner as an application of the
// user's choosing would print it, with the print-time dialog switched on for the user: the
// interface DLL's document events decide whether the dialog comes up, the script acts in it (and
// in the dialogs it opens), and the escapes that reached the graphics DLL are listed.
#pragma once

#include <string>

#include "tools/print_runner/print_runner.h"
#include "tools/ui_runner/sheet_command.h"
#include "win/base.h"

// The host program: its file name and, when given, its version resource.
struct HostApplication {
    std::string name = "WINWORD.EXE";
    bool versioned = false;
    WORD major = 0, minor = 0;
};
// "NAME" or "NAME@MAJOR.MINOR"; FALSE for a name with a path or a version that is no number.
bool ParseHostApplication(const std::string& text, HostApplication& app);
// "ID/PASSWORD" for the account pop-up; FALSE without the "/" or with an empty ID.
bool ParsePopupEntry(const std::string& text, SheetRequest& request);

struct JobRequest {
    orla::runner::RunOptions options;  // the installed printer, build and sandbox
    HostApplication app;
    SheetRequest script;  // script, PNG folder, pop-up entry
    std::string out;      // the job stream's file; empty: not written
};

// Prints the job: 0 done, 1 the job failed (the reason on stderr), 2 a bad script or request.
int RunJobCommand(JobRequest& request);
