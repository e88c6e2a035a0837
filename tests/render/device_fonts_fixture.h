// The device-font tests' fixture: the graphics DLL loaded from the driver directory as GDI loads
// it before DrvEnablePDEV, so the device context finds its font resources through the driver's
// module handle, and one device context enabled on it.
#pragma once

#include <string>
#include <utility>

#include "render/device_fonts.h"
#include "render/render_fixture.h"

namespace render_test {

// The graphics DLL loaded for the test, released with it.
struct LoadedDriver {
    HMODULE module = nullptr;
    LoadedDriver() = default;
    LoadedDriver(const LoadedDriver&) = delete;
    LoadedDriver& operator=(const LoadedDriver&) = delete;
    ~LoadedDriver() { Unload(); }
    void Unload() {
        if (module != nullptr) FreeLibrary(std::exchange(module, nullptr));
    }
};

// The graphics DLL of the build copied into the driver directory and loaded from there.
inline void LoadDriverFromDriverDirectory(LoadedDriver* driver) {
    std::u16string driverPath = std::u16string(PlatDriverDirectory()) + u"\\" + DllName();
    std::string built =
        BinDir() + "/" + std::string(DllName(), DllName() + std::char_traits<char16_t>::length(DllName()));
    ASSERT_TRUE(PlatCopyIntoSandbox(built.c_str(), driverPath.c_str())) << built;
    driver->module = LoadLibraryW(driverPath.c_str());
    ASSERT_NE(driver->module, nullptr);
}

class DeviceFonts : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        if (HasFatalFailure()) return;
        LoadDriverFromDriverDirectory(&driver_);
        if (HasFatalFailure()) return;
        e_ = EnablePdev(printer_);
        ASSERT_NE(e_.dhpdev, nullptr);
        ASSERT_EQ(e_.pdev()->module, driver_.module) << "the records come from the driver's own resources";
    }
    void TearDown() override {
        e_.Disable();
        driver_.Unload();
        DriverTest::TearDown();
    }
    const BYTE* Record(ULONG face) { return DeviceFontRecordOf(e_.pdev(), face); }
    bool Japanese() const { return orla::kJapaneseBuild; }

    LoadedDriver driver_;
    EnabledPdev e_;
};

}  // namespace render_test
