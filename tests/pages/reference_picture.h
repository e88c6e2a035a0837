// Pictures compared pixel for pixel with reference PNGs checked into tests/pages/reference.
// ORLA_UPDATE_REFERENCES=1 writes the references instead; look at them before they are committed.
#pragma once

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/build_variant.h"
#include "plat/window_render.h"

namespace pages_test {

// The reference picture's RGB pixels, or empty when it cannot be read.
inline std::vector<BYTE> ReadReferencePng(const std::string& path, int& w, int& h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<BYTE> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    w = static_cast<int>(image.width);
    h = static_cast<int>(image.height);
    return pixels;
}

inline bool UpdatingReferences() {
    const char* update = std::getenv("ORLA_UPDATE_REFERENCES");
    return update && std::string(update) == "1";
}

// Compares RGB rows of w x h pixels with tests/pages/reference/<name>.png.
inline void ExpectLikeReferencePicture(const std::vector<BYTE>& rgb, LONG w, LONG h, const std::string& name) {
    const std::string path = std::string(PAGES_REFERENCE_DIR) + "/" + name + ".png";
    if (UpdatingReferences()) {
        std::filesystem::create_directories(PAGES_REFERENCE_DIR);
        ASSERT_TRUE(PlatWritePngFile(path.c_str(), w, h, 3, rgb.data())) << path;
        return;
    }
    int rw = 0, rh = 0;
    const std::vector<BYTE> reference = ReadReferencePng(path, rw, rh);
    ASSERT_FALSE(reference.empty()) << "no reference picture " << path;
    ASSERT_EQ(rw, w) << name;
    ASSERT_EQ(rh, h) << name;
    ASSERT_EQ(reference.size(), rgb.size()) << name;
    size_t differ = 0;
    for (size_t i = 0; i < rgb.size(); ++i) differ += rgb[i] != reference[i];
    EXPECT_EQ(differ, 0u) << name << ": bytes that differ from " << path << "; the picture drawn is " << name
                          << "_drawn.png in the test's working folder";
    if (differ) PlatWritePngFile((name + "_drawn.png").c_str(), w, h, 3, rgb.data());
}

// The window as drawn, compared with tests/pages/reference/<name>_<build>.png (ja or en).
inline void ExpectWindowLikeReference(HWND window, const std::string& name) {
    LONG w = 0, h = 0;
    const DWORD size = PlatRenderWindow(window, nullptr, 0, &w, &h);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> rgb(size);
    ASSERT_EQ(PlatRenderWindow(window, rgb.data(), size, &w, &h), size);
    ExpectLikeReferencePicture(rgb, w, h, name + (orla::kJapaneseBuild ? "_ja" : "_en"));
}

}  // namespace pages_test
