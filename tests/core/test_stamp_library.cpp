// The stamp-drawing library binding: the stamp editor's choices as the library's arguments, and
// the calls that cannot reach a library.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/stamp_library.h"
#include "core/stamp_record.h"

namespace {

TEST(StampLibrary, EditorChoicesBecomeTheLibrarysArguments) {
    struct Angle {
        SHORT choice;
        LONG tenths;
    };
    for (const Angle& a :
         {Angle{0, -900}, Angle{1, -450}, Angle{2, 0}, Angle{3, 450}, Angle{4, 900}, Angle{5, 0}, Angle{-1, 0}})
        EXPECT_EQ(orla::StampAngleOfChoice(a.choice), a.tenths) << a.choice;
    struct Grey {
        DWORD choice;
        DWORD colour;
    };
    for (const Grey& g : {Grey{3041, 0xFFFFFF}, Grey{3042, 0xCCCCCC}, Grey{3043, 0x999999}, Grey{3044, 0x666666},
                          Grey{3045, 0x333333}, Grey{3046, 0x000000}, Grey{3040, 0}, Grey{3047, 0},
                          Grey{0x10000 + 3041, 0xFFFFFF}})  // read as a 16-bit value
        EXPECT_EQ(orla::StampGreyOfChoice(g.choice), g.colour) << g.choice;
    struct Mode {
        DWORD choice;
        LONG mode;
    };
    for (const Mode& m : {Mode{3065, 0}, Mode{3066, 1}, Mode{3067, 2}, Mode{3068, 0}, Mode{0, 0}})
        EXPECT_EQ(orla::StampModeOfChoice(m.choice), m.mode) << m.choice;
}

TEST(StampLibrary, WithoutADriverPathNothingIsDrawnAndNoErrorIsGiven) {
    std::vector<BYTE> stamp(orla::kStampRecordSize, 0);
    const DWORD drawn = 1;
    orla::StampSet(stamp.data(), orla::stamp::kDrawFlag, drawn);
    EXPECT_EQ(orla::LoadStampLibrary(0, nullptr, stamp.data(), 1, 1), 0) << "no printer: no library";
    EXPECT_EQ(orla::DrawStampsInBand(0, nullptr, stamp.data(), 1, 1), 1) << "the caller sees no error";
    EXPECT_EQ(orla::DrawStampsInBand(0, nullptr, nullptr, 1, 1), 1);
}

}  // namespace
