// The line tracer's settings dialog, shown inside its interface activation
// through minihost's headless "LWPanelServices".
#include "minihost/states/memory_states.h"
#include "minihost/states/tree.h"
#include "tests/host/line_tracer_fixture.h"

namespace linetest {
namespace {

using minihost::PanelAnswer;
using minihost::RecordedPanel;

class LineTracerDialog : public LineTracerHost {
protected:
    // Runs the dialog for inst; returns the panel it showed.
    RecordedPanel runDialog(Instance inst, int expectPanels = 1) {
        size_t before = minihost::recordedPanels().size();
        InterfaceRecord rec{inst, reinterpret_cast<void *>(1), nullptr, nullptr};
        EXPECT_EQ(module_->activate(CLASS_PIXEL_FILTER_INTERFACE, kTracer, INTERFACE_VERSION, &rec),
                  AFUNC_OK);
        EXPECT_EQ(rec.panel, nullptr);  // nothing left for the host to show
        EXPECT_EQ(rec.options, nullptr);
        EXPECT_EQ(rec.command, nullptr);
        auto panels = minihost::recordedPanels();
        EXPECT_EQ(panels.size(), before + size_t(expectPanels));
        return panels.size() > before ? panels.back() : RecordedPanel{};
    }
};

TEST_F(LineTracerDialog, ShowsThreeControlsWithTheInstanceValues) {
    Instance t = create();
    RecordedPanel p = runDialog(t);
    EXPECT_EQ(minihost::panelText(p),
              "panel \"QM's Quill-Rim (Grade-P) version 0.16a\" (destroyed)\n"
              "  [0] FloatControl \"normal error factor [0-1] : \" at (26, 0) value 0.15\n"
              "  [1] FloatControl \"dist-slope error factor [0-1] : \" at (8, 24) value 0.02\n"
              "  [2] BoolControl \"render only lines\" at (8, 48) value 0\n"
              "  opened with flags 7: cancelled\n");
    ASSERT_EQ(p.controls.size(), 3u);
    EXPECT_EQ(p.controls[0].descType, 3);
    EXPECT_EQ(p.controls[2].descType, 8);
    // Values travel in float records for the fields, an integer one for the box.
    EXPECT_EQ(p.controls[0].sets.back().valueType, VALUE_FLOAT);
    EXPECT_EQ(p.controls[2].sets.back().valueType, VALUE_INTEGER);
    // The lookup was stored in the service record before the panel was made.
    EXPECT_EQ(p.globalFun, minihost::globalLookup());
}

TEST_F(LineTracerDialog, ConfirmWritesBackCancelChangesNothing) {
    Instance t = create();
    minihost::scriptNextOpen(PanelAnswer::confirm()
                                 .set("normal error factor [0-1] : ", 1.5)
                                 .set(1, -0.25)  // taken as entered: no clamping
                                 .set("render only lines", 1));
    RecordedPanel first = runDialog(t);
    EXPECT_TRUE(first.scriptErrors.empty());

    minihost::scriptNextOpen(PanelAnswer::cancel().set(0, 0.7).set(2, 0));
    RecordedPanel second = runDialog(t);
    // The second dialog shows what the first stored.
    EXPECT_EQ(second.controls[0].floatValue, 1.5);
    EXPECT_EQ(second.controls[1].floatValue, -0.25);
    EXPECT_EQ(second.controls[2].intValue, 1);

    RecordedPanel third = runDialog(t);            // unscripted: cancelled
    EXPECT_EQ(third.controls[0].floatValue, 1.5);  // the cancel kept 1.5
    EXPECT_EQ(third.controls[2].intValue, 1);

    // And the instance saves what the dialog stored.
    std::string text = save(t, IO_MODE_TEXT);
    EXPECT_NE(text.find("B 3FF8000000000000"), std::string::npos) << text;  // 1.5
}

TEST_F(LineTracerDialog, MissingServiceOrPanelShowsNothing) {
    Instance t = create();
    minihost::registry().withhold(SERVICE_PANEL_SERVICES);
    runDialog(t, 0);
    minihost::registry().restore(SERVICE_PANEL_SERVICES);

    minihost::setPanelCreateFails(true);
    runDialog(t, 0);
    minihost::setPanelCreateFails(false);

    // No instance in the record: nothing to edit.
    runDialog(nullptr, 0);
}

}  // namespace
}  // namespace linetest
