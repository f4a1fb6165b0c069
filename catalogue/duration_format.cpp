#include "catalogue/duration_format.h"

#include <string>

#include "catalogue/catalogue_request.h"
#include "text/gbk_search.h"
#include "text/text_basics.h"

namespace cq {
namespace {

constexpr std::string_view kDefaultPattern = "d天h小时m分s秒";
constexpr std::string_view kPlayTimePattern = "m分s秒";

}  // namespace

Text FormatDuration(std::int64_t seconds, std::string_view pattern, bool padToTwo) {
    pattern = pattern.substr(0, TextLength(pattern));
    Text result(pattern.empty() ? kDefaultPattern : pattern);
    // Integer division truncates toward zero and % keeps the dividend's sign, which
    // is what the real-number arithmetic this mirrors gives for negative counts too.
    const std::int64_t values[] = {
        seconds / 86400,
        seconds % 86400 / 3600,
        seconds % 86400 % 3600 / 60,
        seconds % 86400 % 3600 % 60,
    };
    const char letters[] = {'d', 'h', 'm', 's'};
    for (int i = 0; i < 4; ++i) {
        // A GBK character may have one of these letters as its trail byte; the search
        // only matches on character boundaries, so such a character is left whole.
        const std::size_t at = FindTextBackward(result, std::string_view(&letters[i], 1));
        if (at == kNotFound) {
            continue;
        }
        Text value = std::to_string(values[i]);
        if (padToTwo) {
            value = ZeroPad(value, 2);
        }
        result.replace(at, 1, value);
    }
    return result;
}

Text FormatPlayTime(std::int64_t seconds) {
    return FormatDuration(seconds, kPlayTimePattern, true);
}

}  // namespace cq
