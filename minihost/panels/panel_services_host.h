// minihost's headless "LWPanelServices".
//
// Modules build modal dialogs control by control and open them; nobody sits
// at minihost's screen, so every open is answered from a script that tests
// (or a command) queue beforehand: confirm with given values, or cancel. An
// open with nothing scripted is cancelled, which leaves a module's settings
// alone. Every panel, control, attribute write and open is recorded and can be
// printed as text.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "host/panel_services.h"

namespace minihost {

// A value a script puts into a control: a double for FloatControl, an integer
// for BoolControl and ChoiceControl (the item index), a string for
// FileControl. Numbers convert between the two numeric kinds.
using PanelScriptValue = std::variant<double, int, std::string>;

// The answer to one open.
class PanelAnswer {
public:
    static PanelAnswer confirm();
    static PanelAnswer cancel();

    // Values entered before confirming, by control label (exact match, first
    // control of that label) or by 0-based index in the order added.
    PanelAnswer &set(const std::string &label, PanelScriptValue value);
    PanelAnswer &set(int index, PanelScriptValue value);

    struct Entry {
        std::string label;  // used when index < 0
        int index = -1;
        PanelScriptValue value;
    };
    bool confirms() const { return confirm_; }
    const std::vector<Entry> &entries() const { return entries_; }

private:
    explicit PanelAnswer(bool confirm) : confirm_(confirm) {}
    bool confirm_;
    std::vector<Entry> entries_;
};

// One attribute write made by the module, in call order.
struct RecordedAttributeSet {
    int attribute = 0;  // CTL_X ... CTL_VALUE
    int valueType = 0;  // VALUE_... of the record the module passed
    int intValue = 0;
    double floatValue = 0.0;
    std::string stringValue;
};

struct RecordedControl {
    std::string kind;  // "FloatControl", "BoolControl", ...
    std::string label;
    // The descriptor as passed.
    int descType = 0;
    int descWidth = 0;
    int descHeight = 0;
    std::vector<std::string> items;  // ChoiceControl
    int vertical = 0;
    // Current attributes.
    int x = 0, y = 0, w = 0, h = 0;
    int intValue = 0;         // BoolControl, ChoiceControl
    double floatValue = 0.0;  // FloatControl
    std::string stringValue;  // FileControl
    std::vector<RecordedAttributeSet> sets;
    int reads = 0;  // get calls on this control
};

struct RecordedOpen {
    int flags = 0;
    bool confirmed = false;
};

struct RecordedPanel {
    std::string title;
    bool destroyed = false;
    // The global lookup found in the service record when the panel was made.
    GlobalFunc *globalFun = nullptr;
    std::vector<RecordedControl> controls;
    std::vector<RecordedOpen> opens;
    // Script entries that named no control of the panel, or a value the
    // control cannot take.
    std::vector<std::string> scriptErrors;
};

// The service record handed to modules (the module writes its globalFun).
PanelServices *panelServicesRecord();
// Puts the record into the registry under "LWPanelServices".
void installPanelServices();

// Queues the answer of the next open (first queued, first used).
void scriptNextOpen(PanelAnswer answer);
// Answers still queued.
int scriptedAnswersLeft();
// Every create returns null while set (to reach a module's fallback).
void setPanelCreateFails(bool fail);

// Panels made since the last clear, in creation order.
std::vector<RecordedPanel> recordedPanels();
// Forgets the panels and the queued answers. Handles given out before become
// invalid; the module must not be holding any.
void clearRecordedPanels();

// The panel as text: title, one line per control with kind, label, position
// and value, then one line per open.
std::string panelText(const RecordedPanel &panel);

}  // namespace minihost
