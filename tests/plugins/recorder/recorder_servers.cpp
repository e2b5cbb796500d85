// The recorder's three servers. Every callback logs one line.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <new>
#include <string>

#include "host/access.h"
#include "host/item_services.h"
#include "recorder.h"

namespace recorder {

GlobalFunc *global = nullptr;

namespace {

const char *kindName(Kind k) { return k == KIND_SHADER ? "shader" : k == KIND_PIXEL ? "pixel" : "image"; }

std::string fmt(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char *format, ...) {
    char buf[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

Instance *as(::Instance inst) { return static_cast<Instance *>(inst); }

template <Kind K>
::Instance create(void *, void *context, const char **) {
    auto *i = new (std::nothrow) Instance;
    if (!i) return nullptr;
    i->kind = K;
    log(fmt("create %s context=%s", kindName(K), context ? "surface" : "none"));
    return i;
}

void destroy(::Instance inst) {
    if (!inst) return;
    log(fmt("destroy %s tag=%d", kindName(as(inst)->kind), as(inst)->tag));
    delete as(inst);
}

const char *copy(::Instance to, ::Instance from) {
    if (to && from) *as(to) = *as(from);
    return nullptr;
}

const char *loadInst(::Instance inst, const LoadState *ls) {
    if (inst && ls) load(*as(inst), ls);
    return nullptr;
}

const char *saveInst(::Instance inst, const SaveState *ss) {
    if (inst && ss) save(*as(inst), ss);
    return nullptr;
}

const char *describe(::Instance) { return "recorder"; }

const char *init(::Instance inst, int mode) {
    log(fmt("init %s tag=%d mode=%d", kindName(as(inst)->kind), as(inst)->tag, mode));
    return nullptr;
}

void cleanup(::Instance inst) { log(fmt("cleanup %s tag=%d", kindName(as(inst)->kind), as(inst)->tag)); }

const char *newTime(::Instance inst, int frame, double time) {
    log(fmt("newtime %s tag=%d frame=%d time=%.17g", kindName(as(inst)->kind), as(inst)->tag, frame, time));
    return nullptr;
}

unsigned int flags(::Instance) { return 0; }

void shade(::Instance inst, ShaderAccess *sa) {
    const Instance &i = *as(inst);
    log(fmt("shade tag=%d x=%d y=%d bounces=%d length=%.9g cosine=%.6f", i.tag, sa->sx, sa->sy, sa->bounces,
            sa->rayLength, sa->cosine));
    if (i.mirror >= 0) sa->mirror = i.mirror;
    if (i.replace >= 0) {
        sa->replacePercentage = i.replace;
        sa->replaceColor[0] = i.gain;
        sa->replaceColor[1] = (i.tag % 4) * 0.25;
        sa->replaceColor[2] = 0.5;
    }
}

// The camera ray through the centre of pixel (x, y), made from the host's
// services as a tracer makes its own.
bool cameraRay(int x, int y, double origin[3], double dir[3]) {
    if (!global) return false;
    auto *scene = static_cast<SceneInfo *>(global(SERVICE_SCENE_INFO, 0));
    auto *items = static_cast<ItemInfo *>(global(SERVICE_ITEM_INFO, 0));
    auto *cams = static_cast<CameraInfo *>(global(SERVICE_CAMERA_INFO, 0));
    if (!scene || !items || !cams || !scene->renderCamera) return false;
    const ItemID cam = scene->renderCamera(0);
    double r[3] = {0, 0, 0}, u[3] = {0, 0, 0}, f[3] = {0, 0, 0}, h = 0, v = 0;
    items->param(cam, ITEM_PARAM_RIGHT, 0, r);
    items->param(cam, ITEM_PARAM_UP, 0, u);
    items->param(cam, ITEM_PARAM_FORWARD, 0, f);
    items->param(cam, ITEM_PARAM_W_POSITION, 0, origin);
    cams->fovAngles(cam, 0, &h, &v);
    const double sx = 2 * ((x + 0.5) / scene->frameWidth() - 0.5);
    const double sy = 2 * (0.5 - (y + 0.5) / scene->frameHeight());
    double len = 0;
    for (int k = 0; k < 3; ++k) {
        dir[k] = f[k] + sx * std::tan(h / 2) * r[k] + sy * std::tan(v / 2) * u[k];
        len += dir[k] * dir[k];
    }
    len = std::sqrt(len);
    for (int k = 0; k < 3; ++k) dir[k] /= len;
    return true;
}

void pixel(::Instance inst, const PixelAccess *pa) {
    const Instance &i = *as(inst);
    log(fmt("pixel tag=%d sx=%.17g sy=%.17g", i.tag, pa->sx, pa->sy));
    const int x = static_cast<int>(pa->sx), y = static_cast<int>(pa->sy);
    if (x == i.probeX && y == i.probeY) {
        double origin[3], dir[3];
        float depth = 0;
        pa->getVal(BUFFER_DEPTH, 1, &depth);
        if (cameraRay(x, y, origin, dir)) {
            ShaderAccess out{};
            const double shaded = pa->rayShade(origin, dir, &out);
            const double cast = pa->rayCast(origin, dir);
            log(fmt("probe tag=%d x=%d y=%d shade=%.9g cast=%.9g depth=%.9g bounces=%d", i.tag, x, y, shaded,
                    cast, static_cast<double>(depth), out.bounces));
        }
    }
    if (i.paint) {
        const float rgba[4] = {i.gain, 0.0f, 0.0f, 1.0f};
        pa->setRGBA(rgba);
    }
}

void process(::Instance inst, const FilterAccess *fa) {
    const Instance &i = *as(inst);
    log(fmt("image tag=%d width=%d height=%d frame=%d", i.tag, fa->width, fa->height, fa->frame));
    if (!i.invert) return;
    for (int y = 0; y < fa->height; ++y) {
        const float *r = fa->getLine(BUFFER_RED, y), *g = fa->getLine(BUFFER_GREEN, y),
                    *b = fa->getLine(BUFFER_BLUE, y);
        if (!r || !g || !b) continue;
        for (int x = 0; x < fa->width; ++x) {
            const float rgb[3] = {1 - r[x], 1 - g[x], 1 - b[x]};
            fa->setRGB(x, y, rgb);
            fa->setAlpha(x, y, 1.0f);
        }
    }
}

template <Kind K>
void fillInstance(InstanceFuncs *f) {
    f->create = create<K>;
    f->destroy = destroy;
    f->copy = copy;
    f->load = loadInst;
    f->save = saveInst;
    f->describe = describe;
}

void fillRender(RenderFuncs *r) {
    r->init = init;
    r->cleanup = cleanup;
    r->newTime = newTime;
}

}  // namespace

int activateShader(int version, GlobalFunc *g, void *local, void *) {
    if (version != HANDLER_VERSION) return AFUNC_BADVERSION;
    global = g;
    auto *h = static_cast<ShaderHandler *>(local);
    fillInstance<KIND_SHADER>(h->inst);
    fillRender(h->rend);
    h->evaluate = shade;
    h->flags = flags;
    return AFUNC_OK;
}

int activatePixel(int version, GlobalFunc *g, void *local, void *) {
    if (version != HANDLER_VERSION) return AFUNC_BADVERSION;
    global = g;
    auto *h = static_cast<PixelFilterHandler *>(local);
    fillInstance<KIND_PIXEL>(h->inst);
    fillRender(h->rend);
    h->evaluate = pixel;
    h->flags = flags;
    return AFUNC_OK;
}

int activateImage(int version, GlobalFunc *g, void *local, void *) {
    if (version != HANDLER_VERSION) return AFUNC_BADVERSION;
    global = g;
    auto *h = static_cast<ImageFilterHandler *>(local);
    fillInstance<KIND_IMAGE>(h->inst);
    h->process = process;
    h->flags = flags;
    return AFUNC_OK;
}

}  // namespace recorder
