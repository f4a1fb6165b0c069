#include "web/request_headers.h"

#include "text/gbk_search.h"

namespace cq::web_detail {

bool HoldsControlCharacter(std::string_view url) {
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return true;
        }
    }
    return false;
}

void AddDefaultHeader(Text* headerText, std::string_view searchText, std::string_view line) {
    if (FindText(*headerText, searchText, 0, true) == kNotFound) {
        *headerText += "\r\n";
        *headerText += line;
    }
}

void AddCommonDefaultHeaders(Text* headerText, std::string_view url) {
    AddDefaultHeader(headerText, "Accept:", "Accept: */*");
    Text referer = "Referer: ";
    referer += url;
    AddDefaultHeader(headerText, "Referer:", referer);
    AddDefaultHeader(headerText, "Accept-Language:", "Accept-Language: zh-cn");
}

void AddPostDefaultHeader(Text* headerText, int method) {
    if (method == 1) {
        AddDefaultHeader(headerText,
                         "Content-Type:", "Content-Type: application/x-www-form-urlencoded");
    }
}

}  // namespace cq::web_detail
