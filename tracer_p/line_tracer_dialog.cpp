// The line tracer's settings dialog, run inside its interface activation
// through "LWPanelServices": three controls showing the instance's values,
// written back only when the user confirms.
#include "host/panel_services.h"
#include "module_base/edition.h"
#include "tracer_p/line_tracer.h"
#include "tracer_p/line_tracer_server.h"

namespace qr {
namespace {

constexpr int kPanelFlags = PANEL_FLAG_BLOCKING | PANEL_FLAG_CANCEL | PANEL_FLAG_FRAME;  // 7

void setIntAttr(PanelControl *c, int attr, int v) {
    PanelValue pv{VALUE_INTEGER, v, 0.0, nullptr, 0};
    c->set(c, attr, &pv);
}

void setFloatValue(PanelControl *c, double v) {
    PanelValue pv{VALUE_FLOAT, 0, v, nullptr, 0};
    c->set(c, CTL_VALUE, &pv);
}

// The entered value; a host that fills nothing leaves the shown one.
double floatValue(PanelControl *c, double shown) {
    PanelValue pv{VALUE_FLOAT, 0, shown, nullptr, 0};
    c->get(c, CTL_VALUE, &pv);
    return pv.fltv;
}

int intValue(PanelControl *c, int shown) {
    PanelValue pv{VALUE_INTEGER, shown, 0.0, nullptr, 0};
    c->get(c, CTL_VALUE, &pv);
    return pv.intv;
}

PanelControl *addPlaced(PanelServices *ps, PanelID panel, const char *kind, int kindCode, const char *label,
                        int x, int y) {
    ControlDesc desc{kindCode, 0, 0, nullptr, 0};
    PanelControl *c = ps->addControl(panel, kind, &desc, label);
    if (!c || !c->get || !c->set) return nullptr;
    setIntAttr(c, CTL_X, x);
    setIntAttr(c, CTL_Y, y);
    return c;
}

}  // namespace

void runLineTracerDialog(GlobalFunc *global, Instance inst) {
    auto *tracer = static_cast<LineTracer *>(inst);
    if (!global || !tracer) return;
    auto *ps = static_cast<PanelServices *>(global(SERVICE_PANEL_SERVICES, 0));
    if (!ps || !ps->create || !ps->destroy || !ps->addControl || !ps->open) return;
    ps->globalFun = global;
    PanelID panel = ps->create(kLineEdition.title);
    if (!panel) return;

    PanelControl *norm =
        addPlaced(ps, panel, "FloatControl", CTL_KIND_FLOAT, "normal error factor [0-1] : ", 26, 0);
    if (norm) setFloatValue(norm, tracer->norm_err);
    PanelControl *dist =
        norm ? addPlaced(ps, panel, "FloatControl", CTL_KIND_FLOAT, "dist-slope error factor [0-1] : ", 8, 24)
             : nullptr;
    if (dist) setFloatValue(dist, tracer->dist_err);
    PanelControl *only =
        dist ? addPlaced(ps, panel, "BoolControl", CTL_KIND_BOOL, "render only lines", 8, 48) : nullptr;
    if (only) {
        PanelValue pv{VALUE_INTEGER, tracer->line_only, 0.0, nullptr, 0};
        only->set(only, CTL_VALUE, &pv);
    }

    // A dialog missing a control could not give all three values back, so
    // it is not shown at all.
    if (only && ps->open(panel, kPanelFlags) != 0) {
        tracer->norm_err = floatValue(norm, tracer->norm_err);
        tracer->dist_err = floatValue(dist, tracer->dist_err);
        tracer->line_only = intValue(only, tracer->line_only);
    }
    ps->destroy(panel);
}

}  // namespace qr
