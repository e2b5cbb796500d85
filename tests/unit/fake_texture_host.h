// A small host for the texture support and variant-parameter tests: fake
// "Texture Functions 3", "LWVParmFuncs 2" and "Animation Envelopes" records
// that remember what the module asked of them, behind a global lookup that
// can withhold any service. One instance per process (the records are plain
// C function tables); reset() before every test.
#pragma once

#include <cstring>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "host/io_state.h"
#include "host/textures.h"
#include "host/variant_params.h"

namespace qr::testing {

struct FakeVparm {
    int valueType = 0, textureType = 0;
    int state = 0;                // VPSTATE_* bits the test sets
    TextureID texture = nullptr;  // returned by getTex when set
    std::string channelName;
    ChanGroupID group = nullptr;
    TxtrContextID context = nullptr;
    VParmEventFunc *event = nullptr;
    std::string pluginName;
    void *userData = nullptr;
    double value[3] = {-1, -1, -1};
    bool destroyed = false;
};

struct FakeGroup {
    ChanGroupID parent;
    std::string name;
};

struct FakeTextureHost {
    TextureFuncs textures{};
    VParmFuncs vparm{};
    EnvelopeFuncs envelopes{};
    std::set<std::string> withheld;
    std::vector<std::string> lookups;

    // "Texture Functions 3"
    int contextsCreated = 0;
    TxtrInputFuncs callbacks{};
    std::vector<TxtrInputParam> inputs;
    std::vector<TxtrContextID> destroyedContexts;
    std::vector<std::pair<TextureID, double>> newTimes;
    std::vector<int> newTimeFrames;
    std::vector<std::pair<TextureID, ChanGroupID>> envGroupsSet;
    int cleanUps = 0;

    // "LWVParmFuncs 2" and "Animation Envelopes"
    std::deque<FakeVparm> vparms;
    std::deque<FakeGroup> groups;

    static FakeTextureHost &get() {
        static FakeTextureHost host;
        return host;
    }
    static TxtrContextID contextHandle() { return reinterpret_cast<TxtrContextID>(&get().contextsCreated); }
    static FakeVparm *of(VParmID vp) { return reinterpret_cast<FakeVparm *>(vp); }

    static void *lookup(const char *name, int) {
        FakeTextureHost &h = get();
        h.lookups.push_back(name);
        if (h.withheld.count(name)) return nullptr;
        if (std::strcmp(name, SERVICE_TEXTURE_FUNCS) == 0) return &h.textures;
        if (std::strcmp(name, SERVICE_VPARM_FUNCS) == 0) return &h.vparm;
        if (std::strcmp(name, SERVICE_ENVELOPE_FUNCS) == 0) return &h.envelopes;
        return nullptr;
    }

    void reset() {
        *this = FakeTextureHost{};
        textures.contextCreate = [](TxtrInputFuncs f) {
            ++get().contextsCreated;
            get().callbacks = f;
            return contextHandle();
        };
        textures.contextAddInput = [](TxtrContextID, TxtrInputParam p) { get().inputs.push_back(p); };
        textures.contextDestroy = [](TxtrContextID c) { get().destroyedContexts.push_back(c); };
        textures.newTime = [](TextureID t, double time, int frame) {
            get().newTimes.emplace_back(t, time);
            get().newTimeFrames.push_back(frame);
        };
        textures.cleanUp = [](TextureID) { return ++get().cleanUps; };
        textures.setEnvGroup = [](TextureID t, ChanGroupID g) { get().envGroupsSet.emplace_back(t, g); };

        vparm.create = [](int valueType, int textureType) {
            FakeVparm &v = get().vparms.emplace_back();
            v.valueType = valueType;
            v.textureType = textureType;
            return reinterpret_cast<VParmID>(&v);
        };
        vparm.destroy = [](VParmID vp) { of(vp)->destroyed = true; };
        vparm.setup = [](VParmID vp, const char *channel, ChanGroupID group, TxtrContextID ctx,
                         VParmEventFunc *event, const char *plugin, void *user) {
            FakeVparm &v = *of(vp);
            v.channelName = channel ? channel : "";
            v.group = group;
            v.context = ctx;
            v.event = event;
            v.pluginName = plugin ? plugin : "";
            v.userData = user;
            return 1;
        };
        vparm.setVal = [](VParmID vp, const double *value) {
            for (int k = 0; k < 3; ++k) of(vp)->value[k] = value[k];
            return 1;
        };
        vparm.getTex = [](VParmID vp) {
            return (of(vp)->state & VPSTATE_TEXTURE) ? of(vp)->texture : nullptr;
        };
        vparm.getState = [](VParmID vp) { return of(vp)->state; };
        // The parameter's own data: its first channel as one float.
        vparm.save = [](VParmID vp, const SaveState *ss) -> const char * {
            const float v = static_cast<float>(of(vp)->value[0]);
            ss->writeFP(ss->writeData, &v, 1);
            return nullptr;
        };
        vparm.load = [](VParmID vp, const LoadState *ls) -> const char * {
            float v = 0;
            if (ls->readFP(ls->readData, &v, 1) == 1) of(vp)->value[0] = v;
            return nullptr;
        };

        envelopes.createGroup = [](ChanGroupID parent, const char *name) {
            FakeGroup &g = get().groups.emplace_back();
            g.parent = parent;
            g.name = name ? name : "";
            return reinterpret_cast<ChanGroupID>(&g);
        };
    }
};

}  // namespace qr::testing
