#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/build_playlist.h"

namespace cq {
namespace {

constexpr const char* kMorning = "晨鹊早报：";
constexpr const char* kEvening = "晨鹊晚报：";

// An episode list as the service sends it (here already GBK), one episode per
// "M月D日" date, newest first. Each field names the episode ("M12月11日"), so a row
// shows which episode it came from.
Text ListJson(char edition, const std::vector<std::string>& dates) {
    const std::string prefix = edition == 'M' ? kMorning : kEvening;
    std::string json = R"({"code":"0","data":{"list":[)";
    for (std::size_t i = 0; i < dates.size(); ++i) {
        const std::string code = edition + dates[i];
        json += (i ? "," : "");
        json += R"({"title":")" + dates[i] + prefix + R"(新闻","duration":545,)" +
                R"("img194_194":"cover/)" + code + R"(","audiolist":[{"filePath":"audio/)" + code +
                R"("}]})";
    }
    return json + "]}}";
}

DateTime At(int year, int month, int day, int hour) {
    return {year, month, day, hour, 0, 0};
}

std::vector<std::string> Codes(const std::vector<PlaylistRow>& rows) {
    std::vector<std::string> codes;
    for (const auto& row : rows) {
        const std::string link = row.link;
        codes.push_back(link.rfind("audio/", 0) == 0 ? link.substr(6)
                                                     : "<no link: " + row.title + ">");
    }
    return codes;
}

TEST(AssemblePlaylist, OrderAndWhatIsLeftOut) {
    const std::vector<std::string> none;
    struct Case {
        const char* name;
        Text morning;
        Text evening;
        DateTime now;
        std::vector<std::string> expected;
    } cases[] = {
        {"20:00, both newest today: the evening edition leads",
         ListJson('M', {"12月11日", "12月10日"}),
         ListJson('E', {"12月11日", "12月10日"}),
         At(2026, 12, 11, 20),
         {"E12月11日", "M12月11日", "E12月10日", "M12月10日"}},
        {"10:00, evening newest is yesterday's: the morning edition leads",
         ListJson('M', {"12月11日", "12月10日"}),
         ListJson('E', {"12月10日", "12月9日"}),
         At(2026, 12, 11, 10),
         {"M12月11日", "E12月10日", "M12月10日", "E12月9日"}},
        {"03:00, both newest yesterday's",
         ListJson('M', {"12月10日", "12月9日"}),
         ListJson('E', {"12月10日", "12月9日"}),
         At(2026, 12, 11, 3),
         {"M12月10日", "E12月10日", "M12月9日", "E12月9日"}},
        // Held back, it takes no turn either: the newest morning edition that is
        // listed leads, as at 03:00.
        {"04:00, today's morning already offered is held back",
         ListJson('M', {"12月11日", "12月10日"}),
         ListJson('E', {"12月10日"}),
         At(2026, 12, 11, 4),
         {"M12月10日", "E12月10日"}},
        {"05:00, today's morning is listed",
         ListJson('M', {"12月11日", "12月10日"}),
         ListJson('E', {"12月10日"}),
         At(2026, 12, 11, 5),
         {"M12月11日", "E12月10日", "M12月10日"}},
        {"an episode dated tomorrow is never listed",
         ListJson('M', {"12月12日", "12月11日", "12月10日"}),
         ListJson('E', {"12月11日", "12月10日"}),
         At(2026, 12, 11, 23),
         {"E12月11日", "M12月11日", "E12月10日", "M12月10日"}},
        {"10:00, tomorrow's morning published ahead takes no turn",
         ListJson('M', {"12月12日", "12月11日", "12月10日"}),
         ListJson('E', {"12月10日", "12月9日"}),
         At(2026, 12, 11, 10),
         {"M12月11日", "E12月10日", "M12月10日", "E12月9日"}},
        {"03:00, tomorrow's published ahead and today's held back",
         ListJson('M', {"12月12日", "12月11日", "12月10日"}),
         ListJson('E', {"12月10日", "12月9日"}),
         At(2026, 12, 11, 3),
         {"M12月10日", "E12月10日", "E12月9日"}},
        {"21:00, tomorrow's morning ahead and today's missing: today's evening leads",
         ListJson('M', {"12月12日", "12月10日"}),
         ListJson('E', {"12月11日", "12月10日"}),
         At(2026, 12, 11, 21),
         {"E12月11日", "M12月10日", "E12月10日"}},
        {"21:00, today's morning missing: today's evening leads",
         ListJson('M', {"12月10日", "12月9日"}),
         ListJson('E', {"12月11日", "12月10日"}),
         At(2026, 12, 11, 21),
         {"E12月11日", "M12月10日", "E12月10日", "M12月9日"}},
        {"21:00, tomorrow's evening ahead too: today's evening still leads",
         ListJson('M', {"12月12日", "12月11日"}),
         ListJson('E', {"12月12日", "12月11日"}),
         At(2026, 12, 11, 21),
         {"E12月11日", "M12月11日"}},
        {"mornings only: the evening list failed to download",
         ListJson('M', {"12月11日", "12月10日", "12月9日"}),
         "",
         At(2026, 12, 11, 20),
         {"M12月11日", "M12月10日", "M12月9日"}},
        {"evenings only: the morning list is an error page",
         "<html><body>502 Bad Gateway</body></html>",
         ListJson('E', {"12月10日", "12月9日"}),
         At(2026, 12, 11, 20),
         {"E12月10日", "E12月9日"}},
        {"neither list", "", "", At(2026, 12, 11, 20), none},
        {"both lists empty arrays", ListJson('M', {}), ListJson('E', {}), At(2026, 12, 11, 20),
         none},
        {"more mornings than evenings: the mornings go on alone",
         ListJson('M', {"12月11日", "12月10日", "12月9日", "12月8日"}),
         ListJson('E', {"12月11日"}),
         At(2026, 12, 11, 20),
         {"E12月11日", "M12月11日", "M12月10日", "M12月9日", "M12月8日"}},
        {"more evenings than mornings",
         ListJson('M', {"12月10日"}),
         ListJson('E', {"12月10日", "12月9日", "12月8日"}),
         At(2026, 12, 11, 10),
         {"M12月10日", "E12月10日", "E12月9日", "E12月8日"}},
        {"early January lists December's episodes as last year's",
         ListJson('M', {"1月2日", "1月1日", "12月31日", "12月30日"}),
         ListJson('E', {"1月1日", "12月31日"}),
         At(2027, 1, 2, 10),
         {"M1月2日", "E1月1日", "M1月1日", "E12月31日", "M12月31日", "M12月30日"}},
        {"on New Year's Eve an episode dated 1 January is tomorrow's",
         ListJson('M', {"1月1日", "12月31日", "12月30日"}),
         ListJson('E', {"12月31日"}),
         At(2026, 12, 31, 20),
         {"E12月31日", "M12月31日", "M12月30日"}},
        {"30 April: tomorrow's episode, 1 May, is this year's and not listed",
         ListJson('M', {"5月1日", "4月30日", "4月29日"}),
         ListJson('E', {"4月30日", "4月29日"}),
         At(2026, 4, 30, 20),
         {"E4月30日", "M4月30日", "E4月29日", "M4月29日"}},
        {"31 October at 10:00: 1 November is tomorrow",
         ListJson('M', {"11月1日", "10月31日", "10月30日"}),
         ListJson('E', {"10月30日", "10月29日"}),
         At(2026, 10, 31, 10),
         {"M10月31日", "E10月30日", "M10月30日", "E10月29日"}},
        {"28 February of a common year: 1 March is tomorrow",
         ListJson('M', {"3月1日", "2月28日"}),
         ListJson('E', {"2月27日"}),
         At(2027, 2, 28, 10),
         {"M2月28日", "E2月27日"}},
        {"2 January at 03:00: December's episodes are last year's",
         ListJson('M', {"1月2日", "1月1日", "12月31日"}),
         ListJson('E', {"1月1日", "12月31日"}),
         At(2027, 1, 2, 3),
         {"M1月1日", "E1月1日", "M12月31日", "E12月31日"}},
        {"more than half a year back is next year's, more than half ahead last year's",
         ListJson('M', {"2月1日", "11月15日"}),
         ListJson('E', {}),
         At(2026, 11, 20, 10),
         {"M11月15日"}},
        {"half a year ahead in spring is last autumn",
         ListJson('M', {"3月1日", "11月20日"}),
         ListJson('E', {}),
         At(2026, 3, 1, 10),
         {"M3月1日", "M11月20日"}},
        {"both newest today in January",
         ListJson('M', {"1月1日", "12月31日"}),
         ListJson('E', {"1月1日", "12月31日"}),
         At(2027, 1, 1, 19),
         {"E1月1日", "M1月1日", "E12月31日", "M12月31日"}},
        {"full-width digits in a title count",
         ListJson('M', {"１２月１１日"}),
         ListJson('E', {"12月10日"}),
         At(2026, 12, 11, 20),
         {"M１２月１１日", "E12月10日"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Codes(AssemblePlaylist(c.morning, c.evening, c.now)), c.expected) << c.name;
    }
}

TEST(AssemblePlaylist, RowCellsComeFromTheEpisode) {
    const auto rows = AssemblePlaylist(ListJson('M', {"12月11日"}), ListJson('E', {"12月10日"}),
                                       At(2026, 12, 11, 20));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (PlaylistRow{"12月11日晨鹊早报：新闻", "audio/M12月11日", "cover/M12月11日",
                                    "09分05秒", "09分05秒"}));
    EXPECT_EQ(rows[1].title, "12月10日晨鹊晚报：新闻");
}

TEST(AssemblePlaylist, MissingOrOddFieldsStillGiveARow) {
    const Text morning = R"({"data":{"list":[)"
                         R"({"title":"12月10日晨鹊早报：x"},)"
                         R"({"title":"12月9日晨鹊早报：y","duration":"125"},)"
                         R"({"title":"12月8日晨鹊早报：z","duration":3725.9},)"
                         R"({"title":"no date here","duration":"abc"},)"
                         R"({"duration":-0}]}})";
    const auto rows = AssemblePlaylist(morning, "", At(2026, 12, 11, 20));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], (PlaylistRow{"12月10日晨鹊早报：x", "", "", "00分00秒", "00分00秒"}));
    EXPECT_EQ(rows[1].status, "02分05秒");
    EXPECT_EQ(rows[2].status, "02分05秒");  // whole seconds; hours are not shown
    // Without a date in the title the episode counts as old, and is listed.
    EXPECT_EQ(rows[3].title, "no date here");
    EXPECT_EQ(rows[3].status, "00分00秒");
    EXPECT_EQ(rows[4].title, "");
}

TEST(AssemblePlaylist, AListClaimingHugeLengthIsReadOnlyInPart) {
    // An array length is whatever the text says; the worker must not read billions
    // of empty episodes.
    const auto hostile =
        AssemblePlaylist(R"({"data":{"list":new Array(4294967295)}})", "", At(2026, 12, 11, 20));
    EXPECT_EQ(hostile.size(), 1000u);

    const std::vector<std::string> manyDates(1500, "12月1日");
    const auto rows = AssemblePlaylist(ListJson('M', manyDates), ListJson('E', {"12月10日"}),
                                       At(2026, 12, 11, 20));
    EXPECT_EQ(rows.size(), 1001u);
}

}  // namespace
}  // namespace cq
