// A scene gives at most kMaxSceneKeys keys in all, wherever its "keys"
// arrays stand; one more is refused naming the file, the count and the
// budget, before anything of the scene is read. Positions are still found
// deep in a long key list.
#include <gtest/gtest.h>

#include <string>

#include "minihost/files/input_error.h"
#include "minihost/scene/json_positions.h"
#include "minihost/scene/scene_key_budget.h"
#include "minihost/scene/scene_loader.h"

namespace {

// {"camera": {}, "a": {"keys": [0, ...]}, "b": [{"keys": [0, ...]}]} with
// `first` and `second` keys.
std::string sceneWithKeys(std::size_t first, std::size_t second) {
    const auto zeros = [](std::size_t n) {
        std::string list;
        list.reserve(2 * n);
        for (std::size_t i = 0; i < n; ++i) list += i ? ",0" : "0";
        return list;
    };
    return "{\"camera\": {},\n \"a\": {\"keys\": [" + zeros(first) + "]},\n \"b\": [{\"keys\": [" +
           zeros(second) + "], \"x\": {\"keys\": {\"keys\": [1, 2]}}}]}";
}

TEST(SceneKeyBudget, CountsEveryKeysArrayAndRefusesPastTheBudget) {
    EXPECT_EQ(minihost::countSceneKeys(nlohmann::json::parse(sceneWithKeys(3, 4))), 9u);
    const std::size_t half = minihost::kMaxSceneKeys / 2;
    try {
        minihost::loadSceneText(sceneWithKeys(half, half - 2), "fits.json");
        ADD_FAILURE() << "a scene with an unknown key was loaded";
    } catch (const minihost::InputError &e) {
        // Within the budget: the reader goes on to what is wrong with it.
        EXPECT_NE(std::string(e.what()).find("unknown key \"a\""), std::string::npos) << e.what();
    }
    try {
        minihost::loadSceneText(sceneWithKeys(half, half - 1), "over.json");
        ADD_FAILURE() << "a scene past the key budget was loaded";
    } catch (const minihost::InputError &e) {
        EXPECT_STREQ(e.what(),
                     "over.json: the scene gives 1000001 keys in all (counting every \"keys\" array), "
                     "more than the budget of 1000000 keys a scene may give");
    }
    minihost::JsonPositions positions;
    positions.index(sceneWithKeys(100000, 2));
    EXPECT_EQ(positions.at("/a/keys/99999").line, 2);
    EXPECT_EQ(positions.at("/a/keys/99999").column, 17 + 2 * 99999);
    EXPECT_EQ(positions.at("/b/0/x/keys/keys/1").line, 3);
    EXPECT_EQ(positions.at("/b/0/x/keys/keys/1").column, 51);
    EXPECT_EQ(positions.at("/b/0/x/keys/keys/9").column, 39);  // none: the list's key
}

}  // namespace
