// The text representation as a tree: parse, edit, print, parse again; and
// clear line-numbered errors for text that is not a state.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "minihost/files/input_error.h"
#include "minihost/states/tree.h"

namespace {

using minihost::parseStateText;
using minihost::StateItem;
using minihost::stateTextFrom;
using Kind = StateItem::Kind;

// What a parse of `text` reports ("line N: ..."), or "" when it parses.
std::string parseError(const std::string &text, StateItem &root) {
    try {
        parseStateText(text, root);
    } catch (const minihost::InputError &e) {
        return e.what();
    }
    return "";
}

TEST(StateTree, ParsesEveryItemKind) {
    const std::string text =
        "# a comment, then an empty line\n"
        "\n"
        "I4 256\n"
        "{ PluginDataLib 0x50444C42\n"
        "  I1 -128 127 0xFF\n"
        "  I2 -5\n"
        "  U1 0xFF 7\n"
        "  U2 65535\n"
        "  U4 0x50494E54\n"
        "  F 1.5 -inf nan 1e-3\r\n"
        "  B 3fc3333333333333\n"
        "  B\n"
        "  S \"a \\\"b\\\" \\\\ \\n \\t \\x00end\"\n"
        "  { \"with space\" 17 leaf\n"
        "  }\n"
        "  {\n"
        "  }\n"
        "}\n";
    StateItem root;
    ASSERT_NO_THROW(parseStateText(text, root));
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[0].kind, Kind::I4);
    EXPECT_EQ(root.children[0].ints, std::vector<int64_t>{256});
    const StateItem &lib = root.children[1];
    EXPECT_EQ(lib.kind, Kind::Block);
    EXPECT_EQ(lib.token, "PluginDataLib");
    EXPECT_EQ(lib.id, 0x50444C42u);
    EXPECT_FALSE(lib.leaf);
    ASSERT_EQ(lib.children.size(), 11u);
    EXPECT_EQ(lib.children[0].ints, (std::vector<int64_t>{-128, 127, -1}));
    EXPECT_EQ(lib.children[2].ints, (std::vector<int64_t>{255, 7}));
    EXPECT_EQ(lib.children[4].ints, std::vector<int64_t>{0x50494E54});
    const auto &f = lib.children[5].floats;
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0], 1.5f);
    EXPECT_TRUE(std::isinf(f[1]) && f[1] < 0);
    EXPECT_TRUE(std::isnan(f[2]));
    EXPECT_EQ(f[3], 1e-3f);
    EXPECT_EQ(lib.children[6].data, std::string("\x3F\xC3\x33\x33\x33\x33\x33\x33", 8));
    EXPECT_TRUE(lib.children[7].data.empty());
    EXPECT_EQ(lib.children[8].data, std::string("a \"b\" \\ \n \t \0end", 16));
    EXPECT_EQ(lib.children[9].token, "with space");
    EXPECT_EQ(lib.children[9].id, 17u);
    EXPECT_TRUE(lib.children[9].leaf);
    EXPECT_TRUE(lib.children[10].token.empty());
    EXPECT_EQ(lib.children[10].id, 0u);
}

TEST(StateTree, PrintedTextParsesBackToTheSameTree) {
    StateItem root;
    StateItem block;
    block.token = "QM's block";  // not a bare word: quoted
    block.id = 0x56505247;
    block.leaf = true;
    StateItem s;
    s.kind = Kind::Str;
    s.data = std::string("\x7F\x80\xFF quotes \" and \\", 18);
    block.children.push_back(s);
    StateItem wrapped;
    wrapped.kind = Kind::I1;
    wrapped.ints = {200, -1};  // 200 does not fit I1: printed wrapped
    block.children.push_back(wrapped);
    StateItem u;
    u.kind = Kind::U2;
    u.ints = {0, 0xFFFF};
    block.children.push_back(u);
    StateItem fp;
    fp.kind = Kind::FP;
    fp.floats = {0.1f, -0.0f, 3.4028235e38f, 1e-45f};
    block.children.push_back(fp);
    root.children.push_back(block);

    const std::string text = stateTextFrom(root);
    StateItem again;
    ASSERT_NO_THROW(parseStateText(text, again));
    EXPECT_EQ(stateTextFrom(again), text);
    const StateItem &b = again.children.at(0);
    EXPECT_EQ(b.token, "QM's block");
    EXPECT_EQ(b.id, 0x56505247u);
    EXPECT_TRUE(b.leaf);
    EXPECT_EQ(b.children.at(0).data, s.data);
    EXPECT_EQ(b.children.at(1).ints, (std::vector<int64_t>{-56, -1}));
    EXPECT_EQ(b.children.at(2).ints, (std::vector<int64_t>{0, 0xFFFF}));
    EXPECT_EQ(b.children.at(3).floats, fp.floats);
    EXPECT_TRUE(std::signbit(b.children.at(3).floats[1]));
    // Plain ASCII only, whatever the strings held.
    for (char c : text) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c <= 0x7E));
}

TEST(StateTree, BadTextGivesTheLineAndKeepsWhatCameBefore) {
    struct Case {
        const char *text;
        const char *error;
    } cases[] = {
        {"I4 1\nX9 2\n", "line 2: unknown item \"X9\""},
        {"I4 1\n}\n", "line 2: \"}\" without an open block"},
        {"I4 1\n{ A\nI4 2\n", "line 2: block \"A\" is not closed"},
        {"I1 128\n", "line 1: bad or out-of-range integer \"128\""},
        {"I1 0x100\n", "line 1: bad or out-of-range integer \"0x100\""},
        {"U1 -1\n", "line 1: bad or out-of-range integer \"-1\""},
        {"I4 12abc\n", "line 1: bad or out-of-range integer \"12abc\""},
        {"I4 99999999999999999999999\n", "line 1: bad or out-of-range integer \"99999999999999999999999\""},
        {"F 1e99\n", "line 1: bad float \"1e99\""},
        {"B ABC\n", "line 1: odd number of hex digits"},
        {"B GG\n", "line 1: bad hex digit in bytes"},
        {"S \"open\n", "line 1: unterminated string"},
        {"S \"bad \\q\"\n", "line 1: unknown escape \\q in string"},
        {"S \"x\" y\n", "line 1: text after the string"},
        {"S \"\\x4\"\n", "line 1: bad \\x escape in string"},
        {"{ A 0x1FFFFFFFF\n}\n", "line 1: bad block identifier \"0x1FFFFFFFF\""},
        {"{ A 1 leaf more\n}\n", "line 1: unexpected \"more\" on a block line"},
        {"} x\n", "line 1: text after \"}\""},
        {"\x01\x02\n", "line 1: unknown item \"\\x01\\x02\""},
    };
    for (const Case &c : cases) {
        StateItem root;
        EXPECT_EQ(parseError(c.text, root), c.error) << c.text;
    }
    StateItem root;
    EXPECT_FALSE(parseError("I4 1\n{ A\n  I4 2\n  zz\n", root).empty());
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[1].children.size(), 1u);
}

TEST(StateTree, NestingDeeperThanTheLimitIsRefused) {
    std::string text;
    for (int i = 0; i <= minihost::kMaxStateTextDepth; ++i) text += "{ A\n";
    StateItem root;
    EXPECT_EQ(parseError(text, root), "line 257: blocks nested deeper than 256");
}

}  // namespace
