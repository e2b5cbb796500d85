#include "store/stroke_store_view.h"

namespace qr {

StrokeStoreView viewOf(const StrokeStoreHeader &h) {
    StrokeStoreView v;
    v.gridWidth = h.gridWidth;
    v.gridHeight = h.gridHeight;
    v.oversampling = h.oversampling;
    v.marks = h.buff1;
    v.depth = h.buff2;
    v.normal = h.buff3;
    v.lineColor = h.buff4;
    v.boost = h.buff5;
    v.shader = h.buff6;
    return v;
}

}  // namespace qr
