// A scripted port monitor below the language monitor, a scripted status manager client and a
// spooler initialisation block, so that the monitor's operations can be driven one by one.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "monitor/manager_client.h"
#include "monitor/monitor_entry.h"
#include "monitor/port_record.h"

// What the port monitor below does.
struct FakeLowerPort {
    std::string written;              // every byte it took, in order
    std::deque<std::string> replies;  // what ReadPort hands out, one piece per read
    std::string deviceId;             // answered to the device-ID control; empty: nothing
    DWORD acceptPerWrite = 0;         // 0: all; else at most this many bytes per write
    int failWrites = 0;               // the next n writes fail with failError
    DWORD failError = ERROR_TIMEOUT;
    BOOL takeNothing = FALSE;  // every write succeeds with 0 bytes
    BOOL refuseStartDoc = FALSE;
    DWORD failEndDoc = 0;    // the next EndDocPort fails with this error (0: it succeeds)
    BOOL failReads = FALSE;  // every ReadPort fails
    int opens = 0, closes = 0, startDocs = 0, endDocs = 0, writes = 0, reads = 0;
    BOOL docOpen = FALSE;
    std::vector<DWORD> controls;
    // The parallel port's IEEE 1284 modes: {read mask, write mask}, what it offers, what a
    // negotiation gets, and the write masks asked for.
    WORD modes[2] = {0, 0};
    WORD caps = 0;
    WORD agreeTo = 0;
    std::vector<WORD> negotiated;
    std::vector<DWORD> deviceIdTicks;  // the platform clock at every device-ID read
};

// The status manager as one client sees it.
struct FakeManager {
    std::map<std::string, std::string> published;  // last value per variable
    std::map<std::string, int> publishCount;
    std::vector<std::string> order;
    std::vector<std::string> jobInfoHistory;  // every "PrintingJobInfo2" value, in order
    DWORD jobStatus = 0;
    std::vector<DWORD> jobStatusHistory;
};

extern FakeLowerPort g_lower;
// The device-ID read times, read and cleared under the lock the status threads take too.
std::vector<DWORD> DeviceIdTicks();
void ClearDeviceIdTicks();
extern FakeManager g_manager;

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // OpenPortEx through the monitor's own table with the fake port monitor below.
    HANDLE Open(LPCWSTR portName, LPCWSTR printerName = u"Halvoric");
    PortRecord* Port(HANDLE h) { return static_cast<PortRecord*>(h); }
    // A bound status-manager client for the printer, with the given option flags.
    ManagerClient* Bind(HANDLE h, LPCWSTR printerName = u"Halvoric", DWORD optionFlags = 1);
    // One whole job as the spooler runs it; returns the WritePort result of the last call.
    BOOL RunJob(HANDLE h, const std::string& data, DWORD jobId = 7, DWORD* error = nullptr, int maxCalls = 400);
    BOOL Start(HANDLE h, DWORD jobId = 7);
    // Installs the printer "Halvoric" of this driver on USB001, opens it and spools a document
    // on it, so that the spooler knows the job the monitor is given.
    void InstallPrinterWithJob(const char16_t* documentName, HANDLE* printer, DWORD* jobId);

public:
    // The scripted tests drive the port one call at a time, without its status threads.
    bool statusThreads_ = false;
    std::map<std::u16string, DWORD> monitorValues_;  // the monitor's registry root
    LPMONITOR2 table_ = nullptr;
    HANDLE monitor_ = nullptr;
    MONITORINIT init_{};
    MONITORREG reg_{};
    std::string root_;
    std::vector<HANDLE> open_;
};

// A test on one USB port ("USB001") bound to the status manager, its client the current one.
class BoundUsbPortTest : public MonitorTest {
protected:
    void SetUp() override {
        MonitorTest::SetUp();
        h_ = Open(u"USB001");
        ASSERT_NE(h_, nullptr);
        port_ = Port(h_);
        client_ = Bind(h_);
        port_->currentClient = client_;
    }
    HANDLE h_ = nullptr;
    PortRecord* port_ = nullptr;
    ManagerClient* client_ = nullptr;
};

inline std::string Uel() {
    return std::string("\x1b%-12345X");
}
inline const char* kOwnDeviceId = "MFG:QEV;CMD:PJL,ORLA;MDL:Halvoric 4400K;CLS:PRINTER;";
