// "PrinterBinConfig" read back by its byte offsets: a DWORD count, then 12 bytes per tray
// (WORD identifier, WORD state, WORD paper size, the paper byte, the media code, four bytes 0).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <string>

#include "win/base.h"

struct TrayRecord {
    WORD id, state;
    SHORT paperSize;
    BYTE paper, media;
};

// Checks the whole value against the trays wanted, field by field.
inline void ExpectTrayRecords(const std::string& bins, std::span<const TrayRecord> want) {
    ASSERT_EQ(bins.size(), 4u + want.size() * 12);
    DWORD count = 0;
    std::memcpy(&count, bins.data(), 4);
    EXPECT_EQ(count, want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        const char* rec = bins.data() + 4 + 12 * i;
        TrayRecord got{};
        std::memcpy(&got.id, rec, 2);
        std::memcpy(&got.state, rec + 2, 2);
        std::memcpy(&got.paperSize, rec + 4, 2);
        got.paper = static_cast<BYTE>(rec[6]);
        got.media = static_cast<BYTE>(rec[7]);
        EXPECT_EQ(got.id, want[i].id) << i;
        EXPECT_EQ(got.state, want[i].state) << i;
        EXPECT_EQ(got.paperSize, want[i].paperSize) << i;
        EXPECT_EQ(got.paper, want[i].paper) << i;
        EXPECT_EQ(got.media, want[i].media) << i;
        EXPECT_EQ(std::string(rec + 8, 4), std::string(4, '\0')) << i;
    }
}
