// A device context made by hand for the writers of the graphics state and of paths: 600 dpi, one
// page a sheet, zoom 100, no colour adjustment, writing into a spooler job; Out() shows what the
// code under test wrote since the last call.
#pragma once

#include <memory>

#include "byte_helpers.h"
#include "core/driver_devmode.h"
#include "render/graphics_state.h"
#include "render_fixture.h"

namespace render_test {

class BarePageTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        if (HasFatalFailure()) return;
        StartSpoolJob();
        bare_ = std::make_unique<BarePdev>(printer_);
        PrinterPdev* p = pdev();
        p->allocationList = CreatePdevAllocationList();
        ASSERT_NE(p->allocationList, nullptr);
        for (auto& m : p->colour.context.matrixOf) m = -1;  // no colour adjustment
        Set(orla::dm::LayoutMode, WORD{1});
        Set(orla::dm::Duplex, SHORT{1});
        p->geometry.zoom = 100;
        p->geometry.resolution = 600;
        p->geometry.printable = RECTL{0, 0, 4000, 6000};
        ResetGraphicsStateCache(p);
    }
    void TearDown() override {
        PlatClearInjections();
        if (bare_) FreePdevAllocationList(pdev()->allocationList);
        bare_.reset();
        SandboxTest::TearDown();
    }

    PrinterPdev* pdev() { return bare_->get(); }
    template <class T, class V>
    void Set(orla::DmField<T> f, V v) {
        orla::Set(pdev()->settings.record, f, v);
    }

    // Everything written since the last call.
    Bytes Out() { return NewSpoolBytes(pdev()); }

    std::unique_ptr<BarePdev> bare_;
};

}  // namespace render_test
