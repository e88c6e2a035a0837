#!/usr/bin/env bash
# The main job: compiles the sample printer models, prints a sample document through the
# graphics DLL into a job file, decodes its job stream, and sends the job through the
# language monitor to the printer simulator on loopback, showing the status that came back.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/install-deps.sh

build=${ORLA_BUILD_ROOT:-$root/build}/main
out=${ORLA_OUT:-$root/out}
mkdir -p "$out"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORLA_BENCH=OFF >/dev/null
# Only what this job runs: the tools below and the modules they load (not the tests).
ninja -C "$build" -j "$(nproc)" main_job >/dev/null
bin="$build/bin"

section() { printf '\n######## %s ########\n' "$*"; }

section "Printer models and the default settings record (Japanese build)"
"$bin/model_info_ja" | tee "$out/models_ja.txt"
section "Default settings record (English build)"
"$bin/model_info_en" > "$out/models_en.txt"
sed -n '/^Default settings record/,/^$/p' "$out/models_en.txt"

# Band mode: the runner draws its sample pages (frame, rectangles, grey patches, text) into the
# bands, so the pages shown below carry what the driver sent as raster; the driver draws a turned
# text stamp and the page number (the information stamp) into the same bands.
section "Printing a 3-page sample document through Quessa.dll (band mode)"
sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
"$bin/print_runner" --sandbox "$sandbox/print" --bin "$bin" \
  --printer-model resources/models/HV4400KJ.KDD --build ja \
  --page-list "A4:portrait,B5 (JIS):landscape,A4:portrait" --duplex long --copies 2 --dpi 600 \
  --doc "Sample document" --raster --content sample --out "$out/sample_job.prn" \
  --stamp "ORLA SAMPLE@4,3" --info-stamp page@8

section "Decoded job stream ($out/sample_job.prn)"
rm -rf "$out/pages"
"$bin/job_decoder" "$out/sample_job.prn" --png "$out/pages" | tee "$out/sample_job.txt"

# Command mode: a page of text through DrvTextOut (Latin and Japanese device fonts, a TrueType
# face printed with the Minchou device font by the substitution table, TrueType text as glyphs,
# rotated text and a vertical-writing column); its picture draws each character where it prints.
section "Printing a text page through Quessa.dll (command mode)"
"$bin/print_runner" --sandbox "$sandbox/text" --bin "$bin" \
  --printer-model resources/models/HV4400KJ.KDD --build ja --dpi 600 \
  --doc "Text page" --content text --set Flags1=0x2000/0x2000 --out "$out/text_job.prn"
rm -rf "$out/text_pages"
"$bin/job_decoder" --quiet "$out/text_job.prn" --png "$out/text_pages" | tee "$out/text_job.txt"

section "The job through Lostrel.dll to the printer simulator"
"$bin/monitor_run" --bin "$bin" --job "$out/sample_job.prn" | tee "$out/monitor_run.txt"

# The monitor's status threads at work on a standard TCP/IP port whose printer is asked over SNMP:
# the job's progress from the printer's job table, the printer out of paper while a job waits and
# its recovery, and a status reader in another process that followed both.
section "The language monitor's status threads at work (SNMP, job watch, a reader process)"
"$bin/monitor_run" --bin "$bin" --job "$out/sample_job.prn" --scenes | tee "$out/monitor_scenes.txt"

section "The interface DLL's capabilities and configuration for the sample printer (Talvex.dll)"
"$bin/ui_runner" caps --sandbox "$sandbox/ui" --bin "$bin" | tee "$out/ui_caps.txt"
"$bin/ui_runner" config --sandbox "$sandbox/ui" --bin "$bin" | tee "$out/ui_config.txt"

# The document sheet worked as a user would: B5 paper, landscape, three copies and duplex bound on
# the long edge picked on the basic page (its picture as the script left it is kept), the record
# OK made printed through Quessa.dll like an application's DEVMODE, and the job decoded.
section "The document sheet worked by a script, and a job printed with the record it made"
rm -rf "$out/sheet_pages" && mkdir -p "$out/sheet_pages"
"$bin/ui_runner" sheet --sandbox "$sandbox/ui" --bin "$bin" --png "$out/sheet_pages" \
  --script "page 520; choose Paper B5; set Orientation Landscape; set Copies 3; choose Duplex 両面(長辺とじ); ok" \
  --out-record "$out/sheet_record.bin" | tee "$out/sheet_run.txt"
"$bin/print_runner" --sandbox "$sandbox/sheet_job" --bin "$bin" --build ja \
  --devmode "$out/sheet_record.bin" --content sample --doc "Sheet record" --out "$out/sheet_job.prn"
"$bin/job_decoder" "$out/sheet_job.prn" | grep -v -e ' BIN ' -e ' VEC ' | tee "$out/sheet_job.txt"

# The basic page's dialogs: the settings summary after copies changed (the copies row in red), a
# favourite saved under a name of its own and applied again from the favourites combo after the
# standard one, the printed image dragged in the layout details; then a job with that record.
section "The settings summary, a favourite saved and applied, the layout dragged, and a job with that record"
rm -rf "$out/sheet_dialogs" && mkdir -p "$out/sheet_dialogs"
"$bin/ui_runner" sheet --sandbox "$sandbox/ui" --bin "$bin" --png "$out/sheet_dialogs" \
  --script "page 520; set Copies 3; click 1003; click 2601; click 1355; set 1698 部数3; ok; choose 1013 標準; choose 1013 部数3; click 446; drag 2401 240,80 255,92; ok; ok" \
  --out-record "$out/favourite_record.bin" | tee "$out/sheet_dialogs_run.txt"
"$bin/print_runner" --sandbox "$sandbox/favourite_job" --bin "$bin" --build ja \
  --devmode "$out/favourite_record.bin" --content sample --doc "Favourite record" --out "$out/favourite_job.prn"
"$bin/job_decoder" "$out/favourite_job.prn" | grep -v -e ' BIN ' -e ' VEC ' | tee "$out/favourite_job.txt"

# The device sheet worked by a script: the account set in the account dialog (an entered user ID
# and its password, sent with every job), IPAMincho printed with the Mincho device font in the
# TrueType substitution table, and the options page visited; each page and dialog is drawn.
section "The device sheet: the account settings and a TrueType substitution"
rm -rf "$out/device_sheet" && mkdir -p "$out/device_sheet"
"$bin/ui_runner" devsheet --sandbox "$sandbox/device" --bin "$bin" --png "$out/device_sheet" \
  --script "page 501; click AccountSettings; choose 1061 入力したユーザーID; set 1343 tanaka; set 1347 1234; ok; click TrueTypeTable; choose 2001 IPAMincho; choose 2004 明朝; ok; page 503; ok" \
  | tee "$out/device_sheet_run.txt"

# The stamp and overlay page: a new stamp made in the stamp editor and chosen, and a form overlay
# picked through the file-open dialog (the sample form placed in the sandbox first). The record OK
# made is printed as an application prints (its page ends call the interface DLL, which draws the
# stamp), in the same sandbox so the overlay file is there, and the job decoded with its picture.
section "A stamp made and chosen and an overlay browsed on the stamp page, and a job with that record"
rm -rf "$out/stamp_page" && mkdir -p "$out/stamp_page"
"$bin/ui_runner" sheet --sandbox "$sandbox/stamp" --bin "$bin" --png "$out/stamp_page" \
  --put "tests/tools/data/sample_form.fn2=C:\forms\Sample.fn2" --open-file 'C:\forms\Sample.fn2' \
  --script "page 524; click 1358; set 3024 社外秘; set 3029 社外秘 ORLA; ok; choose 1361 社外秘; click 1544; click 1540; ok" \
  --out-record "$out/stamp_record.bin" | tee "$out/stamp_page_run.txt"
"$bin/print_runner" --sandbox "$sandbox/stamp" --bin "$bin" --build ja --app-dc \
  --devmode "$out/stamp_record.bin" --content sample --doc "Stamp record" --out "$out/stamp_job.prn"
rm -rf "$out/stamp_job_pages"
"$bin/job_decoder" "$out/stamp_job.prn" --png "$out/stamp_job_pages" | grep -v -e ' VEC ' | tee "$out/stamp_job.txt"

# Jobs as applications print them: the runner plays GDI and calls the interface DLL's document
# events. As WINWORD.EXE 10.0 (a listed application) with the user's print-time dialog switched on,
# the dialog comes up at the start of the document; the script picks two-sided printing bound on
# the short edge and two copies (each category shown is drawn, out/job_dialog/), and the job it
# made is decoded. As NOTEPAD.EXE no dialog comes up: the driver gets the job owner record instead.
section "Printing as WINWORD.EXE 10.0: the print-time dialog at the start of the document, and the job"
rm -rf "$out/job_dialog" && mkdir -p "$out/job_dialog"
"$bin/ui_runner" job --sandbox "$sandbox/word" --bin "$bin" --app WINWORD.EXE@10.0 --doc "Word document" \
  --script "category 651; click 1133; set 1229 2; ok" --png "$out/job_dialog" --out "$out/word_job.prn" \
  | tee "$out/word_job_run.txt"
"$bin/job_decoder" "$out/word_job.prn" | grep -v -e ' BIN ' -e ' VEC ' | tee "$out/word_job.txt"

section "Printing as NOTEPAD.EXE: no dialog, the job owner record"
"$bin/ui_runner" job --sandbox "$sandbox/notepad" --bin "$bin" --app NOTEPAD.EXE --doc "Notepad text" --script "" \
  --out "$out/notepad_job.prn" | tee "$out/notepad_job_run.txt"
"$bin/job_decoder" "$out/notepad_job.prn" | grep -e ' PJL ' | tee "$out/notepad_job.txt"

printf '\nOutputs are in %s\n' "$out"
