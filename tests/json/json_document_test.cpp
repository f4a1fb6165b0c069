#include "json/json_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/script_host.h"

namespace cq {
namespace {

// One document of every kind of value the reads tell apart.
constexpr const char* kSample = R"({
  "data": {"list": [{"title": "A", "duration": 1234}]},
  "n": 1234, "f": 12.5, "big": 1e21, "t": true, "no": false,
  "o": {"a": 1, "b": "two"}, "a": [1, "a", null], "z": null,
  "s": "A", "q": "say \"hi\"", "zh": "晨间新闻", "ns": "42.5", "w": "words"
})";

class JsonSampleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(doc_.Parse(kSample)); }
    JsonDocument doc_;
};

TEST(JsonDocumentBasics, ReadsACatalogueAsTheProgramDoes) {
    JsonDocument doc;
    EXPECT_EQ(doc.RootName(), "da");
    ASSERT_TRUE(doc.Parse(R"({"data":{"list":[{"title":"A","duration":1234}]}})"));
    EXPECT_EQ(doc.GetCount("data.list"), 1);
    EXPECT_EQ(doc.GetText("data.list[0].title"), "A");
    EXPECT_EQ(doc.GetText("data.list[0].duration"), "1234");
    EXPECT_EQ(doc.GetText("data.list[0]['title']"), "A");
}

struct TextCase {
    const char* path;
    const char* raw;
    const char* json;
};

TEST_F(JsonSampleTest, TextFormsOfEveryKindOfValue) {
    const TextCase cases[] = {
        {"n", "1234", "1234"},
        {"f", "12.5", "12.5"},
        {"big", "1e+21", "1e+21"},
        {"t", "true", "true"},
        {"no", "false", "false"},
        {"o", "[object Object]", R"({"a":1,"b":"two"})"},
        {"a", "1,a,", R"([1,"a",null])"},
        {"z", "", "null"},
        {"absent", "", ""},
        {"absent.deeper", "", ""},
        {"s", "A", R"("A")"},
        {"q", R"(say "hi")", R"("say \"hi\"")"},
        {"zh", "晨间新闻", "\"晨间新闻\""},
        {"data.list[0].duration", "1234", "1234"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(doc_.GetText(c.path), c.raw);
        EXPECT_EQ(doc_.GetText(c.path, true), c.json);
        EXPECT_EQ(doc_.GetJson(c.path), c.json);
    }
}

TEST_F(JsonSampleTest, TypesCountsAndExistence) {
    struct Case {
        const char* path;
        int type;
        int count;
        bool exists;
    };
    const Case cases[] = {
        {"absent", kJsonTypeNone, 0, false},    {"absent.deeper", kJsonTypeOther, 0, false},
        {"z", kJsonTypeNone, 0, false},         {"t", kJsonTypeBoolean, 0, true},
        {"n", kJsonTypeNumber, 0, true},        {"o", kJsonTypeObject, 0, true},
        {"a", kJsonTypeArray, 3, true},         {"s", kJsonTypeString, 0, true},
        {"data.list", kJsonTypeArray, 1, true}, {"", kJsonTypeObject, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(doc_.GetType(c.path), c.type);
        EXPECT_EQ(doc_.GetCount(c.path), c.count);
        EXPECT_EQ(doc_.Exists(c.path), c.exists);
    }
}

TEST(JsonDocumentTypes, ScriptOnlyValuesAreOther) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse("({f: function () {}, d: new Date(0), r: /x/})", true));
    EXPECT_EQ(doc.GetType("f"), kJsonTypeOther);
    EXPECT_EQ(doc.GetType("d"), kJsonTypeOther);
    EXPECT_EQ(doc.GetType("r"), kJsonTypeOther);
    // A function member is no member name and no JSON.
    EXPECT_EQ(doc.GetMemberNames(nullptr), 2);
    EXPECT_EQ(doc.GetText("f", true), "");
}

TEST_F(JsonSampleTest, MemberNamesOfObjectsOnly) {
    std::vector<Text> names = {"stale"};
    EXPECT_EQ(doc_.GetMemberNames(&names, "o"), 2);
    EXPECT_EQ(names, (std::vector<Text>{"a", "b"}));
    EXPECT_EQ(doc_.GetMemberNames(&names, "a"), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(doc_.GetMemberNames(&names, "absent"), 0);
    EXPECT_EQ(doc_.GetMemberNames(&names, "data.list[0]"), 2);
    EXPECT_EQ(names, (std::vector<Text>{"title", "duration"}));
    // The prelude's helpers on Object.prototype never show.
    EXPECT_EQ(doc_.GetMemberNames(nullptr), 14);
}

TEST(JsonDocumentPaths, ResolveRelativeToTheRoot) {
    JsonDocument doc;
    ASSERT_TRUE(
        doc.Parse(R"({"x": "outer", "data": {"list": [7]}, "da": {"x": "inner", "y": 2}})"));
    struct Case {
        const char* path;
        const char* resolved;
        bool exists;
    };
    const Case cases[] = {
        {"data.list", "da.data.list", true},  // begins with the root's letters, still relative
        {"", "da", true},
        {"[0]", "da[0]", false},
        {"da.x", "da.x", true},     // written with the root and present: unchanged
        {"da.y", "da.da.y", true},  // written with the root but absent there: one level down
        {"da.zz", "da.da.zz", false},
        {"x", "da.x", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Text path = c.path;
        EXPECT_EQ(doc.ResolvePath(&path), c.exists);
        EXPECT_EQ(path, c.resolved);
    }
    EXPECT_EQ(doc.GetText("da.x"), "outer");
    EXPECT_EQ(doc.GetText("da.y"), "2");

    ASSERT_TRUE(doc.Parse(R"(["first", "second"])"));
    EXPECT_EQ(doc.GetText("[0]"), "first");
    EXPECT_EQ(doc.GetCount(""), 2);
}

struct ParseCase {
    const char* name;
    std::string text;
    bool literal;
    bool ok;
    int rootType;
    const char* rootJson;
};

TEST(JsonDocumentParse, DefaultAndLiteralForms) {
    const ParseCase cases[] = {
        {"object", R"({"a":1})", false, true, kJsonTypeObject, R"({"a":1})"},
        {"script object literal", "{a: 'single', b: [1,]}", true, true, kJsonTypeObject,
         R"({"a":"single","b":[1]})"},
        {"number", "0", false, true, kJsonTypeNumber, "0"},
        {"null", "null", false, false, kJsonTypeNone, "null"},
        {"string holding an array, default", R"("[1,2]")", false, true, kJsonTypeArray, "[1,2]"},
        {"string holding an array, literal", R"("[1,2]")", true, true, kJsonTypeString,
         R"("[1,2]")"},
        {"string holding a number, default", R"("42")", false, true, kJsonTypeNumber, "42"},
        // An object literal at the start of a program is a block: not valid script.
        {"string holding an object, default", R"("{\"a\":1}")", false, false, kJsonTypeNone,
         "null"},
        {"string holding an object, literal", R"("{\"a\":1}")", true, true, kJsonTypeString,
         R"("{\"a\":1}")"},
        // eval() of nothing is undefined, which has no JSON text either.
        {"empty text", "", false, false, kJsonTypeNone, ""},
        {"empty text, literal", "", true, false, kJsonTypeNone, "null"},
        {"truncated", R"({"data":{"list":[{"title":"A"},{"ti)", false, false, kJsonTypeNone,
         "null"},
        {"html page", "<!DOCTYPE html>\n<html><body><h1>502 Bad Gateway</h1></body></html>", false,
         false, kJsonTypeNone, "null"},
        {"text after a zero byte is not read", std::string("[1]\0[2,3]", 9), false, true,
         kJsonTypeArray, "[1]"},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        JsonDocument doc;
        EXPECT_EQ(doc.Parse(c.text, c.literal), c.ok);
        EXPECT_EQ(doc.GetType(""), c.rootType);
        EXPECT_EQ(doc.ToJson(), c.rootJson);
        if (!c.ok) {
            EXPECT_EQ(doc.GetCount("data.list"), 0);
            EXPECT_EQ(doc.GetText("data.list[0].title"), "");
        }
    }
}

TEST(JsonDocumentParse, ErrorInfoReportsTheLastEvaluation) {
    JsonDocument doc;
    ErrorInfo info;
    info.Description = "left over";
    EXPECT_FALSE(doc.Parse("<html>\n<body>oops</body></html>", false, &info));
    EXPECT_NE(info.Number, 0);
    EXPECT_EQ(info.Source, "JavaScript compilation error");
    EXPECT_NE(info.Description, "");
    EXPECT_NE(info.Description, "left over");
    EXPECT_EQ(info.Line, 1);
    EXPECT_EQ(info.Text, "var da = eval(<html>");

    EXPECT_FALSE(doc.Parse("(function () { throw new Error('refused'); })()", false, &info));
    EXPECT_EQ(info.Source, "JavaScript runtime error");
    EXPECT_NE(info.Description.find("refused"), std::string::npos);

    EXPECT_TRUE(doc.Parse("[1]", false, &info));
    EXPECT_EQ(info.Number, 0);
    EXPECT_EQ(info.Description, "");
    EXPECT_EQ(info.Text, "");
}

TEST(JsonDocumentParse, ErrorInfoIsInGbkWithItsLineCutOnACharacterBoundary) {
    // One long line of double-byte characters ending in an error: the copied line
    // stops short of 200 bytes without splitting a character.
    std::string text = "'";
    for (int i = 0; i < 300; ++i) {
        text += "节";
    }
    text += "' +";
    JsonDocument doc;
    ErrorInfo info;
    EXPECT_FALSE(doc.Parse(text, false, &info));
    EXPECT_EQ(info.Number, platform::kScriptSyntaxError);
    std::string expected = "var da = eval('";
    while (expected.size() + 2 <= 200) {
        expected += "节";
    }
    EXPECT_EQ(info.Text, expected);

    EXPECT_FALSE(doc.Parse("(function () { throw new Error('拒绝：误'); })()", false, &info));
    EXPECT_NE(info.Description.find("拒绝：误"), std::string::npos) << info.Description;
}

TEST(JsonDocumentParse, ChineseTitlesRoundTripAsGbk) {
    const std::string titles[] = {
        "晨鹊早报：今日要闻（第1期）",
        "晚报 · 誠意之选",  // 誠 has a backslash as its second GBK byte
        "《新闻联播》—— “特别节目”",
        "表情\x94\x39\xFC\x36之外",  // a character beyond GBK, in GB18030
    };
    JsonDocument doc;
    std::string text = R"({"data":{"list":[)";
    for (const std::string& title : titles) {
        text += R"({"title":")" + title + R"("},)";
    }
    text.back() = ']';
    text += "}}";
    ASSERT_TRUE(doc.Parse(text));
    ASSERT_EQ(doc.GetCount("data.list"), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const std::string path = "data.list[" + std::to_string(i) + "].title";
        EXPECT_EQ(doc.GetText(path), titles[i]);
        EXPECT_EQ(doc.GetText(path, true), "\"" + titles[i] + "\"");
        ASSERT_TRUE(doc.SetValue("copy", titles[i]));
        EXPECT_EQ(doc.GetText("copy"), titles[i]);
    }
    ASSERT_TRUE(doc.SetValue("名称", "节目"));
    std::vector<Text> names;
    doc.GetMemberNames(&names);
    EXPECT_EQ(names, (std::vector<Text>{"data", "copy", "名称"}));
}

// U+2028 and U+2029 are ordinary characters in JSON but end a line in older script
// grammars; a title holding one must not cost the whole list.
TEST(JsonDocumentParse, LineSeparatorsInsideStringsAreKept) {
    const std::string title =
        "A\x81\x36\xA6\x35"
        "B\x81\x36\xA6\x36"
        "C";
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"data":{"list":[{"title":")" + title + R"("}]}})"));
    EXPECT_EQ(doc.GetText("data.list[0].title"), title);
    ASSERT_TRUE(doc.Parse(R"(["x", ")" + title + R"("])", true));
    EXPECT_EQ(doc.GetText("[1]"), title);
}

TEST(JsonDocumentWrites, TextFormRoundTripsEveryAwkwardCharacter) {
    const std::string values[] = {
        R"(C:\temp\new)",
        R"(it's "quoted")",
        "line one\r\nline two\nend\r",
        R"(\\server\share\ and \u0041 and \n)",
        "誠\\誠",
        "line\x81\x36\xA6\x35separator\x81\x36\xA6\x36paragraph",  // U+2028, U+2029
        "",
    };
    JsonDocument doc;
    for (const std::string& value : values) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(doc.SetValue("v", value));
        EXPECT_EQ(doc.GetText("v"), value);
        EXPECT_EQ(doc.GetType("v"), kJsonTypeString);
        // Element writes take the text the same way.
        ASSERT_TRUE(doc.AddElement(value, "list", false, true));
        EXPECT_EQ(doc.GetElementText(0, "list"), value);
        ASSERT_TRUE(doc.SetElement(1, "list", value));
        EXPECT_EQ(doc.GetElementText(1, "list"), value);
        EXPECT_EQ(doc.GetText("list[1]"), value);
    }
}

TEST(JsonDocumentWrites, JsonFormMergesIntoObjectsAndReplacesTheRest) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"o": {"a": 1, "s": "x", "n": null, "keep": true, "in": {"p": 1}},
                               "arr": [1], "s": "text"})"));
    ASSERT_TRUE(
        doc.SetValue("o", R"({"a": 2, "s": "y", "n": 5, "new": [1], "in": {"q": 2}})", true));
    EXPECT_EQ(doc.GetJson("o"),
              R"({"a":2,"s":"y","n":5,"keep":true,"in":{"p":1,"q":2},"new":[1]})");

    ASSERT_TRUE(doc.SetValue("arr", "[3, 4]", true));  // not an object: replaced
    EXPECT_EQ(doc.GetJson("arr"), "[3,4]");
    ASSERT_TRUE(doc.SetValue("s", R"({"x": 1})", true));
    EXPECT_EQ(doc.GetJson("s"), R"({"x":1})");
    ASSERT_TRUE(doc.SetValue("fresh", "[true]", true));
    EXPECT_EQ(doc.GetJson("fresh"), "[true]");
    ASSERT_TRUE(doc.SetValue("gone", "", true));  // eval() of nothing: undefined
    EXPECT_EQ(doc.GetType("gone"), kJsonTypeNone);
    ASSERT_TRUE(doc.SetValue("o", "", true));  // merging nothing changes nothing
    EXPECT_EQ(doc.GetText("o.a"), "2");

    EXPECT_FALSE(doc.SetValue("o", "{broken", true));
    EXPECT_FALSE(doc.SetValue("absent.child", "x"));  // parent absent: nothing changes
    EXPECT_EQ(doc.GetType("absent"), kJsonTypeNone);
}

TEST(JsonDocumentWrites, ExpressionsElementsAndDeletion) {
    JsonDocument doc;
    ASSERT_TRUE(doc.SetExpression("sum", "1 + 2"));
    EXPECT_EQ(doc.GetNumber("sum"), 3);
    EXPECT_FALSE(doc.SetExpression("bad", "1 +"));

    ASSERT_TRUE(doc.AddElement("b", "list"));  // created
    ASSERT_TRUE(doc.AddElement("c", "list"));
    ASSERT_TRUE(doc.AddElement("a", "list", false, true));
    ASSERT_TRUE(doc.AddElement("{\"n\": 1}", "list", true));
    EXPECT_EQ(doc.GetJson("list"), R"(["a","b","c",{"n":1}])");
    ASSERT_TRUE(doc.AddElement("x", "sum"));  // a number is no array: replaced by one
    EXPECT_EQ(doc.GetJson("sum"), R"(["x"])");

    ASSERT_TRUE(doc.SetElement(1, "list", "B"));
    ASSERT_TRUE(doc.SetElement(2, "list", "[1, 2]", true));
    EXPECT_EQ(doc.GetJson("list"), R"(["a","B",[1,2],{"n":1}])");
    EXPECT_EQ(doc.GetElementText(0, "list"), "a");
    EXPECT_EQ(doc.GetElementText(2, "list"), "");  // raw form reads strings only
    EXPECT_EQ(doc.GetElementText(2, "list", true), "[1,2]");
    EXPECT_EQ(doc.GetElementText(9, "list", true), "");

    ASSERT_TRUE(doc.RemoveElement(0, "list"));
    EXPECT_EQ(doc.GetJson("list"), R"(["B",[1,2],{"n":1}])");
    EXPECT_FALSE(doc.RemoveElement(0, "sum.absent"));

    ASSERT_TRUE(doc.Delete("list"));
    EXPECT_FALSE(doc.Exists("list"));
    EXPECT_FALSE(doc.Delete("absent.child"));

    ASSERT_TRUE(doc.Clear());
    EXPECT_EQ(doc.ToJson(), "{}");
}

TEST(JsonDocumentNumbers, SetNumberWritesThirteenSignificantDigits) {
    struct Case {
        double number;
        const char* text;
    };
    const Case cases[] = {
        {1234, "1234"},
        {-2.5, "-2.5"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.3333333333333"},
        {123456789012345.0, "123456789012300"},
        {1e13, "10000000000000"},
        {1e-5, "0.00001"},
        {0, "0"},
    };
    JsonDocument doc;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(doc.SetNumber("x", c.number));
        EXPECT_EQ(doc.GetText("x"), c.text);
        EXPECT_EQ(doc.GetType("x"), kJsonTypeNumber);
    }
    EXPECT_FALSE(doc.SetNumber("absent.x", 1));
}

TEST_F(JsonSampleTest, GetNumberConvertsLikeTheHost) {
    struct Case {
        const char* path;
        double number;
    };
    const Case cases[] = {
        {"n", 1234}, {"f", 12.5}, {"ns", 42.5}, {"t", -1},     {"no", 0},
        {"w", 0},    {"o", 0},    {"a", 0},     {"absent", 0}, {"absent.deeper", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(doc_.GetNumber(c.path), c.number);
    }
}

TEST(JsonDocumentLeaves, CollectsLeafValuesOptionallyRecursing) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"a": 1, "b": {"c": "x"}, "d": true, "e": null})"));
    std::vector<Text> values;
    EXPECT_EQ(doc.GetLeafValues(&values, "", true), 3);
    EXPECT_EQ(values, (std::vector<Text>{"1", "x", "true"}));
    EXPECT_EQ(doc.GetLeafValues(&values), 2);
    EXPECT_EQ(values, (std::vector<Text>{"1", "true"}));
    EXPECT_EQ(doc.GetLeafValues(&values, "a"), 0);  // a number has no members
    EXPECT_TRUE(values.empty());

    ASSERT_TRUE(doc.Parse(R"([["早", "晚"], 2])"));
    EXPECT_EQ(doc.GetLeafValues(&values, "", true), 3);
    EXPECT_EQ(values, (std::vector<Text>{"早", "晚", "2"}));
}

TEST(JsonDocumentSharing, ClonesSeeEachOthersWritesUntilParse) {
    JsonDocument first;
    ASSERT_TRUE(first.Parse(R"({"title": "old"})"));
    JsonDocument clone = first.Clone();
    EXPECT_EQ(clone.GetEngine(), first.GetEngine());
    ASSERT_TRUE(clone.SetValue("title", "new"));
    EXPECT_EQ(first.GetText("title"), "new");

    ASSERT_TRUE(first.Parse(R"({"title": "fresh"})"));
    EXPECT_NE(clone.GetEngine(), first.GetEngine());
    ASSERT_TRUE(clone.SetValue("title", "clone only"));
    EXPECT_EQ(first.GetText("title"), "fresh");
    EXPECT_EQ(clone.GetText("title"), "clone only");

    // The engine outlives the document that made it while a clone holds it.
    JsonDocument copy(first);
    first.Destroy();
    EXPECT_EQ(copy.GetText("title"), "fresh");
}

// Whatever ran in the engine before, Parse starts from one that holds nothing of it,
// however the engine was reached.
TEST(JsonDocumentSharing, ParseStartsFromACleanEngine) {
    using Touch = void (*)(JsonDocument&);
    const Touch touches[] = {
        [](JsonDocument& doc) { doc.SetExpression("x", "leftover = 1"); },
        [](JsonDocument& doc) { doc.GetEngine()->AddCode("var leftover = 1;"); },
        [](JsonDocument& doc) {
            JsonDocument clone = doc.Clone();
            clone.GetEngine()->AddCode("var leftover = 1;");
        },
        [](JsonDocument& doc) {
            JsonDocument copy;
            copy = doc;
            copy.SetExpression("x", "leftover = 1");
        },
    };
    for (const Touch touch : touches) {
        JsonDocument doc;
        touch(doc);
        ASSERT_TRUE(doc.Parse(R"({"a": 1})"));
        EXPECT_EQ(doc.GetEngine()->EvalText("typeof leftover"), "undefined");
        EXPECT_EQ(doc.ToJson(), R"({"a":1})");
    }
}

TEST(JsonDocumentSharing, GetEngineHandsOutTheHost) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"x": 5})"));
    std::shared_ptr<platform::ScriptHost> engine = doc.GetEngine();
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->Language(), "JavaScript");
    EXPECT_EQ(engine->EvalNumber("da.x * 2"), 10);
    EXPECT_TRUE(engine->Eval("da.y = 'set directly'"));
    EXPECT_EQ(doc.GetText("y"), "set directly");
}

TEST(JsonDocumentDerived, ObjectsAreIndependentDocuments) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"data": {"list": [{"title": "A"}, {"title": "B"}]}, "n": 3})"));
    JsonDocument list = doc.GetObject("data.list");
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetText("[1].title"), "B");
    ASSERT_TRUE(list.SetValue("[0].title", "changed"));
    EXPECT_EQ(doc.GetText("data.list[0].title"), "A");

    JsonDocument second = doc.GetElementObject(1, "data.list");
    EXPECT_EQ(second.GetText("title"), "B");
    EXPECT_EQ(doc.GetObject("n").GetNumber(), 3);

    JsonDocument absent = doc.GetObject("nothing");
    EXPECT_FALSE(absent.Exists());
    EXPECT_EQ(absent.GetType(), kJsonTypeNone);
    EXPECT_FALSE(doc.GetElementObject(5, "data.list").Exists());
}

TEST(JsonDocumentDerived, BackslashesSurviveIntoDerivedDocuments) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"item": {}})"));
    ASSERT_TRUE(doc.SetValue("item.path", R"(C:\temp\new\u0041)"));
    ASSERT_TRUE(doc.AddElement(R"(a\b)", "list"));
    JsonDocument item = doc.GetObject("item");
    EXPECT_EQ(item.GetText("path"), R"(C:\temp\new\u0041)");
    EXPECT_EQ(doc.GetElementObject(0, "").GetText("path"), "");  // root is no array
    JsonDocument whole = doc.GetObject();
    EXPECT_EQ(whole.GetElementText(0, "list"), R"(a\b)");
    EXPECT_EQ(doc.ToJson(), R"({"item":{"path":"C:\temp\new\u0041"},"list":["a\b"]})");
}

TEST(JsonDocumentLifecycle, DestroyedDocumentGivesEmptyResults) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"a": [1, 2]})"));
    doc.Destroy();
    EXPECT_EQ(doc.GetEngine(), nullptr);
    ErrorInfo info;
    EXPECT_FALSE(doc.Parse(R"({"a": 1})", false, &info));
    EXPECT_EQ(info.Number, platform::kScriptNoEngine);
    EXPECT_EQ(doc.GetCount("a"), 0);
    EXPECT_EQ(doc.GetText("a"), "");
    EXPECT_EQ(doc.GetType("a"), kJsonTypeOther);
    EXPECT_FALSE(doc.Exists());
    EXPECT_FALSE(doc.SetValue("a", "x"));
    EXPECT_FALSE(doc.Clear());
    EXPECT_FALSE(doc.SetNumber("a", 1));
    EXPECT_EQ(doc.GetNumber("a"), 0);
    EXPECT_EQ(doc.GetLeafValues(nullptr), 0);
    EXPECT_FALSE(doc.GetObject("a").Exists());

    doc.CreateEngine();  // a new engine brings it back
    EXPECT_TRUE(doc.Parse(R"({"a": 1})"));
    EXPECT_EQ(doc.GetText("a"), "1");
}

TEST(JsonDocumentLifecycle, MovedFromDocumentHasNoEngine) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse("[1, 2, 3]"));
    JsonDocument moved(std::move(doc));
    EXPECT_EQ(moved.GetCount(), 3);
    EXPECT_EQ(doc.GetCount(), 0);  // NOLINT(bugprone-use-after-move): documented state
    doc = moved;
    EXPECT_EQ(doc.GetCount(), 3);
}

}  // namespace
}  // namespace cq
