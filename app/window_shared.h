#pragma once

// What the parts of the main window share: the texts it shows in more than one
// place, and the conversions at its edge between the core's GBK texts and byte
// buffers and what Qt shows. Included by app/ sources only.

#include <QByteArray>
#include <QIcon>
#include <QPixmap>
#include <QString>

#include "text/encoding.h"
#include "text/types.h"

namespace cq::app {

inline const QString kLoadingText = QStringLiteral("正在初始化...");
inline const QString kFailedText = QStringLiteral("初始化失败，请重试...");

inline constexpr int kColumnCount = 5;
// The raw GBK bytes of a cell, kept beside the text shown, so that what the player
// reads back (an audio URL, say) is exactly what was stored, even where the bytes
// do not decode.
inline constexpr int kRawTextRole = Qt::UserRole + 1;

inline QString ToQString(const Text& gbk) {
    return QString::fromStdString(Utf8FromGbk(gbk));
}

inline QByteArray ToByteArray(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

inline QIcon IconFromBytes(const Bytes& bytes) {
    QPixmap pixmap;
    if (bytes.empty() || !pixmap.loadFromData(ToByteArray(bytes))) {
        return {};
    }
    return QIcon(pixmap);
}

}  // namespace cq::app
