// The settings summary opened from the basic page of the real interface DLL (ui_runner sheet),
// worked in and closed with its Close button: the last picture of it shows it as the user left
// it, its settings tree on a white field inside the tree's frame, not the empty dialog that
// is left for a moment after Close took the tree down.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/tools/tool_run_fixture.h"

namespace {

using namespace tool_test;

namespace fs = std::filesystem;

// The tree's field and its frame as the renderer draws them.
constexpr unsigned char kFieldWhite[3] = {255, 255, 255};
constexpr unsigned char kFieldEdge[3] = {122, 122, 122};

struct Picture {
    unsigned width = 0, height = 0;
    std::vector<unsigned char> rgb;
    size_t Count(const unsigned char (&colour)[3]) const {
        size_t n = 0;
        for (size_t i = 0; i + 2 < rgb.size(); i += 3)
            n += rgb[i] == colour[0] && rgb[i + 1] == colour[1] && rgb[i + 2] == colour[2] ? 1 : 0;
        return n;
    }
};

// The picture's pixels, or none when the file is no PNG.
Picture ReadPicture(const fs::path& path) {
    Picture p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
    image.format = PNG_FORMAT_RGB;
    p.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return Picture{};
    }
    p.width = image.width;
    p.height = image.height;
    return p;
}

class SummaryPicture : public tool_test::ToolRunTest {
protected:
    Outcome Sheet(const std::string& build, const std::string& script) {
        fs::create_directories(root_ / build / "png");
        return RunCommand(bin_ + "/ui_runner sheet --build " + build + " --bin " + bin_ + " --sandbox " +
                          (root_ / build / "sandbox").string() + " --png " + (root_ / build / "png").string() +
                          " --script '" + script + "'");
    }
};

TEST_F(SummaryPicture, ClosedSummaryIsDrawnWithItsTreeAsItWasLeft) {
    struct Case {
        const char* build;
        const char* script;
    } const cases[] = {
        {"ja", "page 520; set Copies 3; click 1003; key 1301 Down; click 2601; cancel"},
        {"en", "page 520; set Copies 3; click 1003; key 1301 Down; click 2601; cancel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.build);
        const Outcome sheet = Sheet(c.build, c.script);
        ASSERT_EQ(sheet.exitCode, 0) << sheet.output;
        const size_t opened = sheet.output.find("dialog 2600 in front");
        const size_t closed = sheet.output.find("clicked 2601");
        ASSERT_NE(opened, std::string::npos) << sheet.output;
        ASSERT_NE(closed, std::string::npos) << sheet.output;
        EXPECT_NE(sheet.output.find("dialog_2600.png", opened), std::string::npos) << sheet.output;
        // Close ended the dialog: nothing draws it again.
        EXPECT_EQ(sheet.output.find("dialog_2600.png", closed), std::string::npos) << sheet.output;

        const Picture p = ReadPicture(root_ / c.build / "png" / "dialog_2600.png");
        ASSERT_FALSE(p.rgb.empty());
        const size_t area = static_cast<size_t>(p.width) * p.height;
        // The tree's field takes most of the dialog; the frame runs round it.
        EXPECT_GT(p.Count(kFieldWhite), area / 2);
        EXPECT_GT(p.Count(kFieldEdge), static_cast<size_t>(p.width + p.height));
    }
}

}  // namespace
