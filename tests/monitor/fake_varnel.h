// A scripted stand-in for the SNMP client library: it answers GETs and walks from a table the
// test fills and records every channel the monitor opens, so the access choice and the
// channel parameters can be checked without a network.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "outside/varnel/varnel_api.h"

struct FakeVarnelChannel {
    std::string host;
    LONG family = 0;
    LONG port = 0;
    LONG mode = -1;
    std::string community;  // as set on the request before the channel opened
    std::string user;       // the SNMPv3 user handed over
    LONG timeoutMs = 0;
    LONG retries = 0;
};

struct FakeVarnelScript {
    std::mutex lock;
    std::map<std::string, std::string> texts;
    std::map<std::string, LONG> integers;
    std::vector<std::pair<std::string, std::string>> walk;  // identifier, text value
    BOOL refuseChannel = FALSE;
    LONG failingMode = -100;  // reads and walks on channels of this mode fail
    BOOL everythingFails = FALSE;
    std::vector<FakeVarnelChannel> channels;
    std::vector<std::string> reads;  // identifiers read or walked, in order

    void Reset() {
        std::lock_guard<std::mutex> g(lock);
        texts.clear();
        integers.clear();
        walk.clear();
        refuseChannel = FALSE;
        failingMode = -100;
        everythingFails = FALSE;
        channels.clear();
        reads.clear();
    }
};

typedef FakeVarnelScript* (*PFN_FakeVarnelState)();
