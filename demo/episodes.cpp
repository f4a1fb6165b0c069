#include "episodes.h"

#include <array>
#include <cstdio>

namespace demo {
namespace {

using namespace std::chrono;

constexpr std::array kHeadlines = {
    "多地迎来降温降雪天气，出行请注意安全",
    "城市公交新开十条夜间线路，方便市民晚归",
    "国产大飞机完成新一轮试飞，各项指标表现良好",
    "秋粮收购进展顺利，粮食市场供应充足",
    "全国铁路迎来客流高峰，部分线路加开列车",
    "新建的城市图书馆今天开放，藏书超过百万册",
    "科学家发现一颗距离地球较近的新彗星",
    "多地博物馆推出夜间参观，观众反响热烈",
    "今年冬季供暖提前启动，居民家中温暖如春",
    "沿海港口货物吞吐量创下新高",
    "青少年足球联赛开幕，上百支球队参赛",
    "新能源汽车销量继续增长，充电设施更加完善",
    "山区小学用上了新的网络课堂",
    "天文爱好者今晚可以观看流星雨",
    "农村电商帮助果农把苹果卖到全国",
    "城市绿道全线贯通，市民骑行更加方便",
};

constexpr std::array kStories = {
    "据了解，相关部门已经做好了各项准备工作，确保群众生活不受影响。",
    "专家表示，这一变化将在未来几年里持续显现，值得大家关注。",
    "记者在现场看到，不少市民一早就赶来，现场秩序井然。",
    "有关负责人介绍，下一步还将继续扩大试点范围，让更多人受益。",
    "气象部门提醒，近期早晚温差较大，请大家注意添衣保暖。",
};

int DayNumber(year_month_day date) {
    return static_cast<int>(sys_days(date).time_since_epoch().count());
}

std::string MonthDay(year_month_day date) {
    return std::to_string(static_cast<unsigned>(date.month())) + "月" +
           std::to_string(static_cast<unsigned>(date.day())) + "日";
}

Episode MakeEpisode(Edition edition, year_month_day date, const ListSettings& settings) {
    const bool morning = edition == Edition::kMorning;
    const int dayNumber = DayNumber(date);
    // Spread the headlines so that neighbouring episodes never share one.
    const char* headline =
        kHeadlines[static_cast<unsigned>(dayNumber * 2 + (morning ? 0 : 1)) % kHeadlines.size()];
    const char* story = kStories[static_cast<unsigned>(dayNumber) % kStories.size()];
    const std::string programme = morning ? "晨鹊早报" : "晨鹊晚报";

    char id[16];
    std::snprintf(id, sizeof id, "%c%04d%02u%02u", morning ? 'm' : 'e',
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()));

    Episode episode;
    episode.edition = edition;
    episode.date = date;
    episode.id = id;
    episode.title = MonthDay(date) + programme + "：" + headline;
    if (settings.shortAudio) {
        episode.spokenText = MonthDay(date) + (morning ? "早报" : "晚报");
    } else {
        episode.spokenText = std::string(morning ? "听众朋友们早上好" : "听众朋友们晚上好") +
                             "，欢迎收听" + programme + "。今天是" + MonthDay(date) + "。" +
                             headline + "。" + story + "以上就是今天的" + programme +
                             "，感谢您的收听，我们下次再见。";
    }
    const std::string once = episode.spokenText;
    for (int again = 1; again < settings.audioRepeat; ++again) {
        episode.spokenText += once;
    }
    episode.coverCaption = std::string(morning ? "早报" : "晚报") + "\n" + MonthDay(date);
    return episode;
}

}  // namespace

std::vector<Episode> EpisodeList(Edition edition, Clock::time_point now,
                                 const ListSettings& settings) {
    const auto homeTime = now + hours(8);
    const auto today = floor<days>(homeTime);
    const auto hour = duration_cast<hours>(homeTime - today).count();

    std::vector<Episode> list;
    if (edition == Edition::kMorning && settings.withTomorrow) {
        list.push_back(MakeEpisode(edition, year_month_day(today + days(1)), settings));
    }
    for (int back = 0; back < settings.days; ++back) {
        if (back == 0 && edition == Edition::kEvening && hour < 18) {
            continue;
        }
        list.push_back(MakeEpisode(edition, year_month_day(today - days(back)), settings));
    }
    return list;
}

std::optional<Episode> EpisodeById(const std::string& id, Clock::time_point now,
                                   const ListSettings& settings) {
    ListSettings wider = settings;
    wider.days = settings.days + 1;
    wider.withTomorrow = true;
    for (Clock::time_point when : {now, now - days(1), now + days(1)}) {
        for (Edition edition : {Edition::kMorning, Edition::kEvening}) {
            for (auto& episode : EpisodeList(edition, when, wider)) {
                if (episode.id == id) {
                    return episode;
                }
            }
        }
    }
    return std::nullopt;
}

std::string HttpDate(Clock::time_point time) {
    const std::time_t seconds = Clock::to_time_t(time);
    std::tm fields{};
    gmtime_r(&seconds, &fields);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &fields);
    return text;
}

}  // namespace demo
