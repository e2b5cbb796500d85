// The registry modules look services up in, and the small services every
// run offers: messages, the basic scene info, and their installation.
#include <gtest/gtest.h>

#include <string>

#include "host/item_services.h"
#include "host/messages_files.h"
#include "host/render_memory.h"
#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/core/scene_info_basic.h"
#include "minihost/core/service_registry.h"
#include "minihost/services/core_services.h"
#include "minihost/states/file_io.h"

namespace {

using namespace minihost;

TEST(ServiceRegistry, WithheldServicesLookAbsentAndLookupsAreRecorded) {
    ServiceRegistry services;
    int record = 0;
    services.provide("LW Item Info 3", &record);
    EXPECT_EQ(services.lookup("LW Item Info 3"), &record);
    services.withhold("LW Item Info 3");
    EXPECT_EQ(services.lookup("LW Item Info 3"), nullptr);
    services.withhold("Info Messages 2");  // withholding an absent one is fine
    services.restore("LW Item Info 3");
    EXPECT_EQ(services.lookup("LW Item Info 3"), &record);
    services.withhold("LW Item Info 3");
    services.restoreAll();
    EXPECT_EQ(services.lookup("LW Item Info 3"), &record);
    EXPECT_EQ(services.lookup(nullptr), nullptr);
    EXPECT_EQ(services.lookup("no such"), nullptr);
    EXPECT_EQ(services.lookups(),
              (std::vector<std::string>{"LW Item Info 3", "LW Item Info 3", "LW Item Info 3",
                                        "LW Item Info 3", "", "no such"}));
    services.clearLookups();
    EXPECT_TRUE(services.lookups().empty());
    services.remove("LW Item Info 3");
    EXPECT_EQ(services.lookup("LW Item Info 3"), nullptr);
}

TEST(CoreServices, InstalledUnderTheirNamesAndReachedThroughTheGlobalLookup) {
    installCoreServices();
    GlobalFunc *global = globalLookup();
    EXPECT_EQ(global(SERVICE_RENDER_MEMORY, 0), renderMemoryRecord());
    EXPECT_EQ(global(SERVICE_INFO_MESSAGES, 0), infoMessagesRecord());
    EXPECT_EQ(global(SERVICE_FILE_IO, 0), fileIORecord());
    EXPECT_EQ(global(SERVICE_SCENE_INFO, 0), basicSceneInfoRecord());
    registry().withhold(SERVICE_FILE_IO);
    EXPECT_EQ(global(SERVICE_FILE_IO, 0), nullptr);
    registry().restoreAll();
}

TEST(InfoMessages, PrintedAsKindAndLinesAndRecorded) {
    clearRecordedMessages();
    setMessagesQuiet(false);
    InfoMessages *messages = infoMessagesRecord();
    ::testing::internal::CaptureStderr();
    messages->error("QM_Quillrim_S", "Not enough memory for temporary buffer.");
    messages->warning("only one line", nullptr);
    messages->info(nullptr, nullptr);
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed,
              "error: QM_Quillrim_S: Not enough memory for temporary buffer.\n"
              "warning: only one line\n"
              "info: \n");
    const auto recorded = recordedMessages();
    ASSERT_EQ(recorded.size(), 3u);
    EXPECT_EQ(recorded[0].kind, "error");
    EXPECT_EQ(recorded[0].line1, "QM_Quillrim_S");
    EXPECT_EQ(recorded[0].line2, "Not enough memory for temporary buffer.");
    EXPECT_EQ(recorded[1].kind, "warning");
    EXPECT_EQ(recorded[1].line2, "");

    setMessagesQuiet(true);
    ::testing::internal::CaptureStderr();
    messages->error("quiet", "still recorded");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(recordedMessages().size(), 4u);
    clearRecordedMessages();
    EXPECT_TRUE(recordedMessages().empty());
    setMessagesQuiet(false);
}

TEST(BasicSceneInfo, AnswersTheFrameSizeItWasGiven) {
    SceneInfo *scene = basicSceneInfoRecord();
    setBasicFrameSize(37, 1);
    EXPECT_EQ(scene->frameWidth(), 37);
    EXPECT_EQ(scene->frameHeight(), 1);
    setBasicFrameSize(-3, 0);
    EXPECT_EQ(scene->frameWidth(), 0);
    EXPECT_EQ(scene->renderCamera(0.0), ITEM_NULL);
    EXPECT_GT(scene->framesPerSecond(), 0.0);
    setBasicFrameSize(640, 480);
}

}  // namespace
