// The options dialog as the stand-in reads it from the .res that windres makes of
// src/options/dxf.rc, against the dialog's table of controls: what each control is, whether a
// user can reach it, and the order Tab visits them in.
#include "options/resource.h"
#include "standin/resource_file.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using standin::ControlKind;

struct ExpectedControl {
    int id;
    ControlKind kind;
    const char* label;
    bool enabled;
    bool visible;
};

// The Z offset, Skip Z, Use blocks and Use initialisation file cannot be changed by a user.
constexpr ExpectedControl kControls[] = {
    {IDOK, ControlKind::DefaultPushButton, "OK", true, true},
    {IDCANCEL, ControlKind::PushButton, "Cancel", true, true},
    {IDC_MULTIPLIER, ControlKind::Edit, "", true, true},
    {IDC_X_OFFSET, ControlKind::Edit, "", true, true},
    {IDC_Y_OFFSET, ControlKind::Edit, "", true, true},
    {IDC_Z_OFFSET, ControlKind::Edit, "", false, true},
    {IDC_HELP_BUTTON, ControlKind::PushButton, "Help", true, true},
    {IDC_SKIP_Z, ControlKind::AutoCheckBox, "Skip Z Coordinate", false, true},
    {IDC_USE_INI_FILE, ControlKind::AutoCheckBox, "Use initialisation file", false, false},
    {IDC_INI_FILE, ControlKind::Edit, "", true, true},
    {IDC_BROWSE, ControlKind::PushButton, "Browse...", true, true},
    {IDC_USE_BLOCKS, ControlKind::AutoCheckBox, "Use blocks", false, false},
    {IDC_LAYER_ORDER, ControlKind::AutoCheckBox, "Set &layer order from initialization file", true,
     true},
};
constexpr std::size_t kUnnamedControls = 7; // five labels and two group boxes

TEST(DialogResource, TheOptionsDialogHoldsTheControlsOfItsTable) {
    const standin::DialogTemplate* dialog = standin::ModuleResources().Dialog(IDD_IMPORT_OPTIONS);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->caption, "DXF Import Options");
    EXPECT_EQ(dialog->controls.size(), std::size(kControls) + kUnnamedControls);
    for (const ExpectedControl& expected : kControls) {
        SCOPED_TRACE(expected.id);
        const standin::ControlTemplate* control = dialog->Control(expected.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->Kind(), expected.kind);
        EXPECT_EQ(control->Enabled(), expected.enabled);
        EXPECT_EQ(control->Visible(), expected.visible);
        EXPECT_TRUE(control->TabStop());
        EXPECT_EQ(control->text, expected.label);
    }
    // Tab visits the controls a user can reach in template order, from the X offset.
    std::vector<int> tabOrder;
    for (const standin::ControlTemplate& control : dialog->controls)
        if (control.TabStop() && control.Visible() && control.Enabled())
            tabOrder.push_back(control.id);
    EXPECT_EQ(tabOrder,
              (std::vector<int>{IDC_X_OFFSET, IDC_Y_OFFSET, IDC_MULTIPLIER, IDC_INI_FILE,
                                IDC_BROWSE, IDC_LAYER_ORDER, IDOK, IDCANCEL, IDC_HELP_BUTTON}));
}

} // namespace
