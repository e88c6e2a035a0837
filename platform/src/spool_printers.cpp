// The spooler's printers and drivers: installation into the sandbox, OpenPrinter, GetPrinter
// and SetPrinter, EnumPrinters, GetPrinterDriver, the driver directory and printer data.
// Printers live in HKLM as the spooler keeps them, so they persist with the registry.
#include <mutex>

#include "plat/control.h"
#include "plat_internal.h"
#include "spool_internal.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace plat {

void RegKeyCloser::operator()(HKEY k) const {
    RegCloseKey(k);
}

UniqueKey OpenKey(std::u16string_view path, bool create) {
    std::u16string p(path);
    HKEY key = nullptr;
    LONG rc =
        create ? RegCreateKeyExW(HKEY_LOCAL_MACHINE, p.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
               : RegOpenKeyExW(HKEY_LOCAL_MACHINE, p.c_str(), 0, KEY_ALL_ACCESS, &key);
    return UniqueKey(rc == ERROR_SUCCESS ? key : nullptr);
}

bool ReadBytes(HKEY key, LPCWSTR value, std::string& out, DWORD* type) {
    DWORD size = 0, t = 0;
    if (RegQueryValueExW(key, value, nullptr, &t, nullptr, &size) != ERROR_SUCCESS) return false;
    out.assign(size, '\0');
    if (RegQueryValueExW(key, value, nullptr, &t, reinterpret_cast<LPBYTE>(out.data()), &size) != ERROR_SUCCESS)
        return false;
    out.resize(size);
    if (type) *type = t;
    return true;
}

bool ReadString(HKEY key, LPCWSTR value, std::u16string& out) {
    std::string bytes;
    if (!ReadBytes(key, value, bytes)) return false;
    out.assign(bytes.size() / 2, u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    while (!out.empty() && out.back() == 0) out.pop_back();
    return true;
}

DWORD ReadDword(HKEY key, LPCWSTR value, DWORD fallback) {
    std::string bytes;
    if (!ReadBytes(key, value, bytes) || bytes.size() != 4) return fallback;
    DWORD v;
    std::memcpy(&v, bytes.data(), 4);
    return v;
}

LONG WriteString(HKEY key, LPCWSTR value, std::u16string_view text, DWORD type) {
    std::u16string t(text);
    return RegSetValueExW(key, value, 0, type, reinterpret_cast<const BYTE*>(t.c_str()),
                          static_cast<DWORD>((t.size() + 1) * 2));
}

LONG WriteDword(HKEY key, LPCWSTR value, DWORD v) {
    return RegSetValueExW(key, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4);
}

LONG DeleteTree(HKEY parent, std::u16string_view sub) {
    std::u16string s(sub);
    HKEY key;
    LONG rc = RegOpenKeyExW(parent, s.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS) return rc;
    for (;;) {
        WCHAR name[256];
        DWORD len = 256;
        if (RegEnumKeyExW(key, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (DeleteTree(key, name) != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    return RegDeleteKeyW(parent, s.c_str());
}

std::u16string PrinterKeyPath(std::u16string_view name) {
    return std::u16string(kPrintersKey) + u"\\" + std::u16string(name);
}

bool FindPrinter(std::u16string_view name, std::u16string* installed) {
    if (name.empty() || name.find(u'\\') != std::u16string_view::npos) return false;
    UniqueKey key = OpenKey(PrinterKeyPath(name), false);
    if (!key) return false;
    std::u16string stored;
    if (!ReadString(key.get(), u"Name", stored)) return false;
    if (installed) *installed = stored;
    return true;
}

std::vector<std::u16string> PrinterNames() {
    std::vector<std::u16string> names;
    UniqueKey key = OpenKey(kPrintersKey, false);
    if (!key) return names;
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD len = 256;
        if (RegEnumKeyExW(key.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        std::u16string installed;
        if (FindPrinter(name, &installed)) names.push_back(installed);
    }
    return names;
}

std::shared_ptr<PrinterHandle> GetPrinterHandle(HANDLE h) {
    auto p = HandleGet<PrinterHandle>(h);
    if (!p) SetLastError(ERROR_INVALID_HANDLE);
    return p;
}

bool IsAdmin(const PrinterHandle& p) {
    return p.server ? (p.access & SERVER_ACCESS_ADMINISTER) != 0 : (p.access & PRINTER_ACCESS_ADMINISTER) != 0;
}

void PrinterHandle::OnLastClose() {
    if (jobId) EndJobOfHandle(*this);
}

namespace {

struct PrinterRecord {
    std::u16string name, driver, port, share, comment, location, processor, datatype, parameters, sepFile;
    std::string devmode;
    DWORD attributes = 0, priority = 1, defaultPriority = 0, startTime = 0, untilTime = 0, status = 0;
    DWORD dnsTimeout = 15000, txTimeout = 45000;
};

// A stored DEVMODE is handed out only when its own sizes agree with what is stored.
bool DevmodeSane(const std::string& dm) {
    if (dm.size() < 72) return false;
    WORD size, extra;
    std::memcpy(&size, dm.data() + 68, 2);
    std::memcpy(&extra, dm.data() + 70, 2);
    return size >= 64 && static_cast<size_t>(size) + extra <= dm.size();
}

bool LoadPrinter(std::u16string_view name, PrinterRecord& r) {
    std::u16string installed;
    if (!FindPrinter(name, &installed)) return false;
    UniqueKey key = OpenKey(PrinterKeyPath(installed), false);
    if (!key) return false;
    r.name = installed;
    ReadString(key.get(), u"Printer Driver", r.driver);
    ReadString(key.get(), u"Port", r.port);
    ReadString(key.get(), u"Share Name", r.share);
    ReadString(key.get(), u"Description", r.comment);
    ReadString(key.get(), u"Location", r.location);
    ReadString(key.get(), u"Print Processor", r.processor);
    ReadString(key.get(), u"Datatype", r.datatype);
    ReadString(key.get(), u"Parameters", r.parameters);
    ReadString(key.get(), u"Separator File", r.sepFile);
    if (ReadBytes(key.get(), u"Default DevMode", r.devmode) && !DevmodeSane(r.devmode)) r.devmode.clear();
    r.attributes = ReadDword(key.get(), u"Attributes", 0x40);
    r.priority = ReadDword(key.get(), u"Priority", 1);
    r.defaultPriority = ReadDword(key.get(), u"Default Priority", 0);
    r.startTime = ReadDword(key.get(), u"StartTime", 0);
    r.untilTime = ReadDword(key.get(), u"UntilTime", 0);
    r.status = ReadDword(key.get(), u"Status", 0);
    r.dnsTimeout = ReadDword(key.get(), u"dnsTimeout", 15000);
    r.txTimeout = ReadDword(key.get(), u"txTimeout", 45000);
    return true;
}

std::u16string ComputerName() {
    WCHAR name[64];
    DWORD n = 64;
    if (!GetComputerNameW(name, &n)) return u"ORLA-PC";
    return name;
}

void FillPrinter1(PRINTER_INFO_1W& info, Packer& p, const PrinterRecord& r) {
    info.Flags = 0x00800000;  // PRINTER_ENUM_ICON8
    info.pDescription = p.Str(r.name + u"," + r.driver + u"," + r.location);
    info.pName = p.Str(r.name);
    info.pComment = p.Str(r.comment);
}

void FillPrinter2(PRINTER_INFO_2W& info, Packer& p, const PrinterRecord& r) {
    info.pDevMode = r.devmode.empty() ? nullptr : static_cast<LPDEVMODEW>(p.Bytes(r.devmode));
    info.pServerName = nullptr;  // a local printer
    info.pPrinterName = p.Str(r.name);
    info.pShareName = p.Str(r.share);
    info.pPortName = p.Str(r.port);
    info.pDriverName = p.Str(r.driver);
    info.pComment = p.Str(r.comment);
    info.pLocation = p.Str(r.location);
    info.pSepFile = p.Str(r.sepFile);
    info.pPrintProcessor = p.Str(r.processor);
    info.pDatatype = p.Str(r.datatype);
    info.pParameters = p.Str(r.parameters);
    info.pSecurityDescriptor = nullptr;
    info.Attributes = r.attributes;
    info.Priority = r.priority;
    info.DefaultPriority = r.defaultPriority;
    info.StartTime = r.startTime;
    info.UntilTime = r.untilTime;
    info.Status = r.status;
    info.cJobs = JobCount(r.name);
    info.AveragePPM = 0;
}

void FillPrinter4(PRINTER_INFO_4W& info, Packer& p, const PrinterRecord& r) {
    info.pPrinterName = p.Str(r.name);
    info.pServerName = nullptr;
    info.Attributes = r.attributes;
}

void FillPrinter5(PRINTER_INFO_5W& info, Packer& p, const PrinterRecord& r) {
    info.pPrinterName = p.Str(r.name);
    info.pPortName = p.Str(r.port);
    info.Attributes = r.attributes;
    info.DeviceNotSelectedTimeout = r.dnsTimeout;
    info.TransmissionRetryTimeout = r.txTimeout;
}

template <class Info, class Fill>
BOOL PackPrinters(const std::vector<PrinterRecord>& records, Fill fill, LPBYTE buf, DWORD cb, LPDWORD needed,
                  LPDWORD returned) {
    return PackRecords<Info>(
        records.size(), [&](Info& info, Packer& p, size_t i) { fill(info, p, records[i]); }, buf, cb, needed, returned);
}

BOOL PackPrinterLevel(DWORD level, const std::vector<PrinterRecord>& records, LPBYTE buf, DWORD cb, LPDWORD needed,
                      LPDWORD returned) {
    switch (level) {
        case 1:
            return PackPrinters<PRINTER_INFO_1W>(records, FillPrinter1, buf, cb, needed, returned);
        case 2:
            return PackPrinters<PRINTER_INFO_2W>(records, FillPrinter2, buf, cb, needed, returned);
        case 4:
            return PackPrinters<PRINTER_INFO_4W>(records, FillPrinter4, buf, cb, needed, returned);
        case 5:
            return PackPrinters<PRINTER_INFO_5W>(records, FillPrinter5, buf, cb, needed, returned);
        default:
            SetLastError(ERROR_INVALID_LEVEL);
            return FALSE;
    }
}

// The printer-data store of a key: "PrinterDriverData" for GetPrinterData, any key for the Ex calls.
std::u16string DataKeyPath(const PrinterHandle& p, std::u16string_view key) {
    return PrinterKeyPath(p.name) + u"\\" + std::u16string(key);
}

bool ValidDataKey(std::u16string_view key) {
    return !key.empty() && key.front() != u'\\' && key.back() != u'\\' &&
           key.find(u"\\\\") == std::u16string_view::npos;
}

// Values a print server handle answers.
bool ServerValue(std::u16string_view name, DWORD& type, std::string& data) {
    auto str = [&](std::u16string_view s) {
        type = REG_SZ;
        data.assign(reinterpret_cast<const char*>(s.data()), s.size() * 2);
        data.append(2, '\0');
    };
    auto dword = [&](DWORD v) {
        type = REG_DWORD;
        data.assign(reinterpret_cast<const char*>(&v), 4);
    };
    if (EqualNoCase(name, u"MajorVersion"))
        dword(3);
    else if (EqualNoCase(name, u"MinorVersion"))
        dword(0);
    else if (EqualNoCase(name, u"Architecture"))
        str(kEnvironment);
    else if (EqualNoCase(name, u"DefaultSpoolDirectory"))
        str(kSpoolDirectory);
    else if (EqualNoCase(name, u"OSVersion")) {
        OSVERSIONINFOW v{};
        v.dwOSVersionInfoSize = sizeof v;
        GetVersionExW(&v);
        type = REG_BINARY;
        data.assign(reinterpret_cast<const char*>(&v), sizeof v);
    } else {
        return false;
    }
    return true;
}

DWORD GetData(HANDLE hPrinter, std::u16string_view keyName, LPCWSTR pValueName, LPDWORD pType, LPBYTE pData,
              DWORD nSize, LPDWORD pcbNeeded) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return ERROR_INVALID_HANDLE;
    if (!pcbNeeded) return 1780;  // RPC_X_NULL_REF_POINTER
    if (!ValidDataKey(keyName)) return ERROR_INVALID_PARAMETER;
    std::string data;
    DWORD type = 0;
    if (p->server) {
        if (!ServerValue(View(pValueName), type, data)) return ERROR_FILE_NOT_FOUND;
    } else {
        UniqueKey key = OpenKey(DataKeyPath(*p, keyName), false);
        if (!key) return ERROR_FILE_NOT_FOUND;
        if (!ReadBytes(key.get(), pValueName ? pValueName : u"", data, &type)) return ERROR_FILE_NOT_FOUND;
    }
    if (pType) *pType = type;
    *pcbNeeded = static_cast<DWORD>(data.size());
    if (nSize < data.size() || (!pData && !data.empty())) return ERROR_MORE_DATA;
    if (!data.empty()) std::memcpy(pData, data.data(), data.size());
    return ERROR_SUCCESS;
}

DWORD SetData(HANDLE hPrinter, std::u16string_view keyName, LPCWSTR pValueName, DWORD Type, LPBYTE pData,
              DWORD cbData) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return ERROR_INVALID_HANDLE;
    if (p->server) return ERROR_ACCESS_DENIED;
    if (!IsAdmin(*p)) return ERROR_ACCESS_DENIED;
    if (!ValidDataKey(keyName) || (!pData && cbData)) return ERROR_INVALID_PARAMETER;
    UniqueKey key = OpenKey(DataKeyPath(*p, keyName), true);
    if (!key) return ERROR_WRITE_FAULT;
    return static_cast<DWORD>(RegSetValueExW(key.get(), pValueName ? pValueName : u"", 0, Type, pData, cbData));
}

}  // namespace

void SpoolerDropState() {
    DropJobs();
}

}  // namespace plat

using namespace plat;

extern "C" {

BOOL PlatInstallPrinter(const PLAT_PRINTER_SETUP* s) {
    if (!s || !s->printerName || !*s->printerName || !s->driverName || !*s->driverName || !s->portName ||
        !s->driverPath || !s->dataFile || !s->configFile) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string_view name = s->printerName;
    if (name.find_first_of(u"\\,!") != std::u16string_view::npos || name.size() > 220) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    if (FindPrinter(name, nullptr)) {
        SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
        return FALSE;
    }
    MakeDirs(MapPath(PlatDriverDirectory()));
    MakeDirs(MapPath(kSpoolDirectory));
    UniqueKey driver = OpenKey(std::u16string(kDriversKey) + u"\\" + s->driverName, true);
    UniqueKey printer = OpenKey(PrinterKeyPath(name), true);
    UniqueKey data = OpenKey(PrinterKeyPath(name) + u"\\" + kDriverDataKey, true);
    if (!driver || !printer || !data) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    LONG rc = ERROR_SUCCESS;
    auto put = [&](HKEY k, LPCWSTR v, LPCWSTR text) {
        if (rc == ERROR_SUCCESS) rc = WriteString(k, v, text ? text : u"");
    };
    put(driver.get(), u"Driver", s->driverPath);
    put(driver.get(), u"Data File", s->dataFile);
    put(driver.get(), u"Configuration File", s->configFile);
    put(driver.get(), u"Help File", s->helpFile);
    put(driver.get(), u"Monitor", s->monitorName);
    put(driver.get(), u"Datatype", u"RAW");
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExW(driver.get(), u"Dependent Files", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(u"\0"), 4);
    if (rc == ERROR_SUCCESS) rc = WriteDword(driver.get(), u"Version", 3);
    put(printer.get(), u"Name", s->printerName);
    put(printer.get(), u"Printer Driver", s->driverName);
    put(printer.get(), u"Port", s->portName);
    put(printer.get(), u"Print Processor", u"winprint");
    put(printer.get(), u"Datatype", u"RAW");
    if (rc == ERROR_SUCCESS) rc = WriteDword(printer.get(), u"Attributes", 0x40);  // PRINTER_ATTRIBUTE_LOCAL
    if (rc == ERROR_SUCCESS) rc = WriteDword(printer.get(), u"Priority", 1);
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return FALSE;
    }
    return TRUE;
}

BOOL PlatDeletePrinter(LPCWSTR printerName) {
    std::u16string installed;
    if (!FindPrinter(View(printerName), &installed)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    UniqueKey printers = OpenKey(kPrintersKey, false);
    LONG rc = printers ? DeleteTree(printers.get(), installed) : ERROR_FILE_NOT_FOUND;
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return FALSE;
    }
    return TRUE;
}

LPCWSTR PlatDriverDirectory(void) {
    return u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3";
}

BOOL PlatSetPrinterDevmode(LPCWSTR printerName, const void* devmode, DWORD totalSize) {
    std::u16string installed;
    if (!FindPrinter(View(printerName), &installed)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    UniqueKey key = OpenKey(PrinterKeyPath(installed), false);
    LONG rc = !key      ? ERROR_FILE_NOT_FOUND
              : devmode ? RegSetValueExW(key.get(), u"Default DevMode", 0, REG_BINARY,
                                         static_cast<const BYTE*>(devmode), totalSize)
                        : RegDeleteValueW(key.get(), u"Default DevMode");
    if (rc != ERROR_SUCCESS && !(rc == ERROR_FILE_NOT_FOUND && !devmode)) {
        SetLastError(static_cast<DWORD>(rc));
        return FALSE;
    }
    return TRUE;
}

BOOL OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault) {
    if (!phPrinter) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *phPrinter = nullptr;
    auto h = std::make_shared<PrinterHandle>();
    h->access = pDefault && pDefault->DesiredAccess ? pDefault->DesiredAccess : PRINTER_ACCESS_USE;
    std::u16string_view name = View(pPrinterName);
    // "\\\\THIS-PC\\Printer" names a local printer too.
    std::u16string prefix = u"\\\\" + ComputerName();
    if (name.size() >= prefix.size() && EqualNoCase(name.substr(0, prefix.size()), prefix)) {
        name.remove_prefix(prefix.size());
        if (!name.empty() && name[0] == u'\\') name.remove_prefix(1);
    }
    if (name.size() > 9 && name.substr(0, 9) == u",XcvPort ") {
        *phPrinter = OpenXcvPort(name.substr(9));
        return *phPrinter != nullptr;
    }
    if (name.empty()) {
        h->server = true;
        if (!pDefault || !pDefault->DesiredAccess) h->access = 0x00020002;  // SERVER_READ
    } else {
        std::u16string_view printerPart = name;
        size_t comma = name.find(u',');
        if (comma != std::u16string_view::npos) {
            printerPart = name.substr(0, comma);
            std::u16string_view rest = name.substr(comma + 1);
            while (!rest.empty() && rest.front() == u' ') rest.remove_prefix(1);
            if (rest.size() > 4 && EqualNoCase(rest.substr(0, 4), u"Job ")) {
                WCHAR* end = nullptr;
                std::u16string num(rest.substr(4));
                long id = wcstol(num.c_str(), &end, 10);
                if (id <= 0 || *end) {
                    SetLastError(ERROR_INVALID_PRINTER_NAME);
                    return FALSE;
                }
                h->openedJob = static_cast<DWORD>(id);
            } else {
                SetLastError(ERROR_INVALID_PRINTER_NAME);
                return FALSE;
            }
        }
        if (!FindPrinter(printerPart, &h->name)) {
            SetLastError(ERROR_INVALID_PRINTER_NAME);
            return FALSE;
        }
        if (pDefault && pDefault->pDevMode) {
            const DEVMODEW* dm = pDefault->pDevMode;
            h->devmode.assign(reinterpret_cast<const char*>(dm), static_cast<size_t>(dm->dmSize) + dm->dmDriverExtra);
        }
    }
    *phPrinter = HandleInsert(h);
    return TRUE;
}

BOOL ClosePrinter(HANDLE hPrinter) {
    if (CloseXcvPort(hPrinter)) return TRUE;
    if (!GetPrinterHandle(hPrinter)) return FALSE;
    return HandleClose(hPrinter);
}

BOOL GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return FALSE;
    if (!pcbNeeded) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    PrinterRecord r;
    if (p->server || !LoadPrinter(p->name, r)) {
        SetLastError(p->server ? ERROR_INVALID_HANDLE : ERROR_PRINTER_DELETED);
        return FALSE;
    }
    return PackPrinterLevel(Level, {r}, pPrinter, cbBuf, pcbNeeded, nullptr);
}

BOOL SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return FALSE;
    if (p->server || !IsAdmin(*p)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    UniqueKey key = OpenKey(PrinterKeyPath(p->name), false);
    if (!key) {
        SetLastError(ERROR_PRINTER_DELETED);
        return FALSE;
    }
    constexpr DWORD kPause = 1, kResume = 2, kPurge = 3, kSetStatus = 4;
    constexpr DWORD kStatusPaused = 0x1;
    LONG rc = ERROR_SUCCESS;
    if (Level == 0) {
        DWORD status = ReadDword(key.get(), u"Status", 0);
        switch (Command) {
            case kPause:
                rc = WriteDword(key.get(), u"Status", status | kStatusPaused);
                break;
            case kResume:
                rc = WriteDword(key.get(), u"Status", status & ~kStatusPaused);
                break;
            case kPurge:
                DropJobsOf(p->name);
                break;
            case kSetStatus:
                if (!pPrinter)
                    rc = ERROR_INVALID_PARAMETER;
                else
                    rc = WriteDword(key.get(), u"Status", static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(pPrinter)));
                break;
            default:
                rc = ERROR_INVALID_PARAMETER;
        }
    } else if (Level == 2) {
        auto* info = reinterpret_cast<PRINTER_INFO_2W*>(pPrinter);
        if (!info || Command != 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (info->pDevMode) {
            const DEVMODEW* dm = info->pDevMode;
            if (dm->dmSize < 64) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            rc = RegSetValueExW(key.get(), u"Default DevMode", 0, REG_BINARY, reinterpret_cast<const BYTE*>(dm),
                                static_cast<DWORD>(dm->dmSize) + dm->dmDriverExtra);
        }
        auto put = [&](LPCWSTR value, LPWSTR text) {
            if (rc == ERROR_SUCCESS && text) rc = WriteString(key.get(), value, text);
        };
        put(u"Share Name", info->pShareName);
        put(u"Port", info->pPortName);
        put(u"Description", info->pComment);
        put(u"Location", info->pLocation);
        put(u"Separator File", info->pSepFile);
        put(u"Parameters", info->pParameters);
        if (rc == ERROR_SUCCESS) rc = WriteDword(key.get(), u"Attributes", info->Attributes);
        if (rc == ERROR_SUCCESS) rc = WriteDword(key.get(), u"Priority", info->Priority ? info->Priority : 1);
    } else {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return FALSE;
    }
    return TRUE;
}

BOOL EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf, LPDWORD pcbNeeded,
                   LPDWORD pcReturned) {
    if (!pcbNeeded || !pcReturned) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<PrinterRecord> records;
    if (Flags & (PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS)) {
        for (const auto& n : PrinterNames()) {
            PrinterRecord r;
            if (LoadPrinter(n, r)) records.push_back(std::move(r));
        }
    }
    if (Level != 1 && Level != 2 && Level != 4 && Level != 5) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    return PackPrinterLevel(Level, records, pPrinterEnum, cbBuf, pcbNeeded, pcReturned);
}

BOOL GetPrinterDriverW(HANDLE hPrinter, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                       LPDWORD pcbNeeded) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return FALSE;
    if (!pcbNeeded) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (pEnvironment && *pEnvironment && !EqualNoCase(pEnvironment, kEnvironment)) {
        SetLastError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    PrinterRecord r;
    if (p->server || !LoadPrinter(p->name, r)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    UniqueKey key = OpenKey(std::u16string(kDriversKey) + u"\\" + r.driver, false);
    if (!key) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return FALSE;
    }
    std::u16string driverPath, dataFile, configFile, helpFile, monitor, datatype;
    ReadString(key.get(), u"Driver", driverPath);
    ReadString(key.get(), u"Data File", dataFile);
    ReadString(key.get(), u"Configuration File", configFile);
    ReadString(key.get(), u"Help File", helpFile);
    ReadString(key.get(), u"Monitor", monitor);
    ReadString(key.get(), u"Datatype", datatype);
    std::vector<std::u16string> dependent;
    std::string multi;
    if (ReadBytes(key.get(), u"Dependent Files", multi)) {
        std::u16string all(multi.size() / 2, u'\0');
        std::memcpy(all.data(), multi.data(), all.size() * 2);
        size_t i = 0;
        while (i < all.size() && all[i]) {
            size_t end = all.find(u'\0', i);
            if (end == std::u16string::npos) end = all.size();
            dependent.push_back(all.substr(i, end - i));
            i = end + 1;
        }
    }
    // The fields levels 2 and 3 share.
    auto common = [&](auto& d, Packer& pk) {
        d.cVersion = 3;
        d.pName = pk.Str(r.driver);
        d.pEnvironment = pk.Str(kEnvironment);
        d.pDriverPath = pk.Str(driverPath);
        d.pDataFile = pk.Str(dataFile);
        d.pConfigFile = pk.Str(configFile);
    };
    if (Level == 2) {
        return PackRecords<DRIVER_INFO_2W>(
            1, [&](DRIVER_INFO_2W& d, Packer& pk, size_t) { common(d, pk); }, pDriverInfo, cbBuf, pcbNeeded, nullptr);
    }
    if (Level == 3) {
        return PackRecords<DRIVER_INFO_3W>(
            1,
            [&](DRIVER_INFO_3W& d, Packer& pk, size_t) {
                common(d, pk);
                d.pHelpFile = helpFile.empty() ? nullptr : pk.Str(helpFile);
                d.pDependentFiles = pk.MultiStr(dependent);
                d.pMonitorName = monitor.empty() ? nullptr : pk.Str(monitor);
                d.pDefaultDataType = pk.Str(datatype.empty() ? u"RAW" : datatype);
            },
            pDriverInfo, cbBuf, pcbNeeded, nullptr);
    }
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
}

BOOL GetPrinterDriverDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverDirectory, DWORD cbBuf,
                                LPDWORD pcbNeeded) {
    if (!pcbNeeded) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (Level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (pEnvironment && *pEnvironment && !EqualNoCase(pEnvironment, kEnvironment)) {
        SetLastError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    // The environment's directory; version-3 drivers live in its "3" subdirectory.
    std::u16string dir(kDriverRoot);
    DWORD need = static_cast<DWORD>((dir.size() + 1) * 2);
    *pcbNeeded = need;
    if (!pDriverDirectory || cbBuf < need) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(pDriverDirectory, dir.c_str(), need);
    return TRUE;
}

DWORD GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize, LPDWORD pcbNeeded) {
    return GetData(hPrinter, kDriverDataKey, pValueName, pType, pData, nSize, pcbNeeded);
}

DWORD GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                        LPDWORD pcbNeeded) {
    return GetData(hPrinter, View(pKeyName), pValueName, pType, pData, nSize, pcbNeeded);
}

DWORD SetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, DWORD Type, LPBYTE pData, DWORD cbData) {
    return SetData(hPrinter, kDriverDataKey, pValueName, Type, pData, cbData);
}

DWORD SetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD Type, LPBYTE pData, DWORD cbData) {
    return SetData(hPrinter, View(pKeyName), pValueName, Type, pData, cbData);
}

DWORD DeletePrinterDataW(HANDLE hPrinter, LPWSTR pValueName) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return ERROR_INVALID_HANDLE;
    if (p->server || !IsAdmin(*p)) return ERROR_ACCESS_DENIED;
    UniqueKey key = OpenKey(PrinterKeyPath(p->name) + u"\\" + kDriverDataKey, false);
    if (!key) return ERROR_FILE_NOT_FOUND;
    return static_cast<DWORD>(RegDeleteValueW(key.get(), pValueName ? pValueName : u""));
}

}  // extern "C"
