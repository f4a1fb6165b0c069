// What a broken or hostile server might send instead of a catalogue. Each text must
// fail like any other bad text (Parse false, reads empty), never crash or hang the
// program, and leave the document usable for the next one.

#include <gtest/gtest.h>

#include <string>

#include "json/json_document.h"
#include "platform/script_host.h"

namespace cq {
namespace {

constexpr const char* kGood = R"({"data":{"list":[{"title":"A"},{"title":"B"}]}})";

// Stopped by the heap cap; on a loaded machine the time budget may run out first,
// which is just as clean. The cap itself is checked exactly in the host's tests.
constexpr std::int32_t kOverALimit = -1;

struct HostileCase {
    const char* name;
    std::string text;
    std::int32_t number;  // expected ErrorInfo::Number, 0 for any failure
};

void ExpectFailsAndRecovers(const HostileCase& c, bool literal) {
    SCOPED_TRACE(c.name);
    JsonDocument doc;
    ErrorInfo info;
    EXPECT_FALSE(doc.Parse(c.text, literal, &info));
    if (c.number == kOverALimit) {
        EXPECT_TRUE(info.Number == platform::kScriptHeapLimit ||
                    info.Number == platform::kScriptTimeBudget)
            << info.Number << " " << info.Description;
    } else if (c.number != 0) {
        EXPECT_EQ(info.Number, c.number) << info.Description;
    } else {
        EXPECT_NE(info.Number, 0);
    }
    EXPECT_EQ(doc.GetCount("data.list"), 0);
    EXPECT_EQ(doc.GetText("data.list[0].title"), "");
    // The same document reads the next text as if nothing had happened.
    ASSERT_TRUE(doc.Parse(kGood));
    EXPECT_EQ(doc.GetCount("data.list"), 2);
    EXPECT_EQ(doc.GetText("data.list[1].title"), "B");
}

TEST(JsonHostile, BadTextsFailCleanly) {
    const HostileCase cases[] = {
        {"script recursion", "(function f() { return f() + 1; })()", platform::kScriptRangeError},
        {"recursion through native calls", "(function g() { return [0].map(g); })()", 0},
        {"deeply nested literal", std::string(200000, '[') + std::string(200000, ']'), 0},
        {"deeply nested objects",
         [] {
             std::string s;
             for (int i = 0; i < 50000; ++i) {
                 s += "{\"a\":";
             }
             return s + "1" + std::string(50000, '}');
         }(),
         0},
        {"throw", "(function () { throw new Error('no catalogue today'); })()",
         platform::kScriptThrown},
        {"throw of a non-error", "(function () { throw {toString: null, valueOf: null}; })()", 0},
        {"syntax error", R"({"data": {"list": [}})", platform::kScriptSyntaxError},
        {"html page",
         "<!DOCTYPE html>\n<html><head><title>503</title></head>\n<body>Service "
         "Unavailable</body></html>",
         platform::kScriptSyntaxError},
        {"truncated text", std::string(kGood).substr(0, 30), platform::kScriptSyntaxError},
        {"statements smuggled into the call", "1), (function () { throw 1; })(", 0},
    };
    for (const HostileCase& c : cases) {
        ExpectFailsAndRecovers(c, false);
    }
}

TEST(JsonHostile, HugeStringLiteralHitsTheHeapCap) {
    std::string text = "\"";
    text.append(50u << 20, 'x');
    text += "\"";
    ExpectFailsAndRecovers({"50 MB string literal", text, kOverALimit}, true);
}

TEST(JsonHostile, ScriptsThatExhaustTheHeapAreStopped) {
    const HostileCase cases[] = {
        {"growing array of megabyte strings",
         "(function () { var s = 'x'; while (s.length < 1048576) s += s;"
         " var a = []; for (;;) a.push(s + a.length); })()",
         kOverALimit},
        // Many small objects are checked at the host with a smaller cap: collecting a
        // full 64 MiB of them, as the engine does before it gives up, is slow.
        {"doubling string", "(function () { var s = 'x'; for (;;) s += s; })()", kOverALimit},
    };
    for (const HostileCase& c : cases) {
        ExpectFailsAndRecovers(c, false);
    }
}

// Runs for the real budget of two seconds: that is the limit being checked.
TEST(JsonHostile, EndlessLoopIsStoppedByTheTimeBudget) {
    ExpectFailsAndRecovers(
        {"endless loop", "(function () { for (;;) { try { while (true) {} } catch (e) {} } })()",
         platform::kScriptTimeBudget},
        false);
}

TEST(JsonHostile, AGetterCannotBreakReads) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(
        "({get title() { throw new Error('no'); }, get list() { return null.x; }})", true));
    EXPECT_EQ(doc.GetText("title"), "");
    EXPECT_EQ(doc.GetCount("list"), 0);
    EXPECT_EQ(doc.GetType("title"), kJsonTypeOther);
}

}  // namespace
}  // namespace cq
