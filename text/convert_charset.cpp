#include "text/convert_charset.h"

#include "platform/text_stream.h"

namespace cq {

Bytes ConvertCharset(const Bytes& data, std::string_view fromCharset, std::string_view toCharset,
                     std::optional<std::int64_t> startOffset) {
    if (fromCharset.empty()) {
        fromCharset = "UTF-8";
    }
    if (toCharset.empty()) {
        toCharset = "GBK";
    }
    using platform::TextStream;
    TextStream stream;
    stream.SetType(TextStream::Type::Binary);
    stream.Open();
    stream.Write(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));

    stream.SetPosition(0);
    stream.SetType(TextStream::Type::Text);
    if (!stream.SetCharset(fromCharset)) {
        return {};
    }
    const std::u32string text = stream.ReadText();

    stream.Close();
    stream.Open();
    if (!stream.SetCharset(toCharset)) {
        return {};
    }
    stream.WriteText(text);

    stream.SetPosition(0);
    stream.SetType(TextStream::Type::Binary);
    if (startOffset && !stream.SetPosition(*startOffset)) {
        // An offset outside the converted bytes selects nothing.
        return {};
    }
    return stream.Read();
}

}  // namespace cq
