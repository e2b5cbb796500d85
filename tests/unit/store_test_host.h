// The host side of the store tests: minihost's render memory, messages and a
// settable frame size put straight into the module's service table.
#pragma once

#include <gtest/gtest.h>

#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/core/scene_info_basic.h"
#include "module_base/edition.h"
#include "module_base/module_state.h"

namespace qr::testing {

class StoreHost : public ::testing::Test {
protected:
    explicit StoreHost(const Edition &ed) : edition_(ed) {}

    void SetUp() override {
        setEdition(&edition_);
        services() = {};
        services().renderMemory = minihost::renderMemoryRecord();
        services().sceneInfo = minihost::basicSceneInfoRecord();
        services().infoMessages = minihost::infoMessagesRecord();
        resetHost();
        minihost::setMessagesQuiet(true);
    }
    void TearDown() override {
        resetHost();
        services() = {};
    }

    static void resetHost() {
        minihost::discardRenderMemory();
        minihost::setRenderMemoryCreateFails(false);
        minihost::setRenderMemoryCreateFailsFor("");
        minihost::clearRecordedMessages();
        minihost::setBasicFrameSize(640, 480);
    }

    std::string buffer(int i) const { return edition_.storeBufferNames[i - 1]; }
    size_t blockSize(const std::string &name) const { return minihost::renderMemoryBlockSize(name); }

private:
    const Edition &edition_;
};

}  // namespace qr::testing
