// Writes the program's icon as PNG files in the layout of an icon theme, one per
// pixel size, from the very code that draws the window's icon, so the menu, the
// dock and the window can never show different pictures.
//
// Usage: chenque-icon-files <theme directory> <icon name> <size>...
// Each size N becomes <theme directory>/NxN/apps/<icon name>.png.

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

#include "app/window_pictures.h"

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fputs("usage: chenque-icon-files <theme directory> <icon name> <size>...\n", stderr);
        return 2;
    }
    const QString themeDir = QString::fromLocal8Bit(argv[1]);
    const QString iconName = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        char* end = nullptr;
        const long size = std::strtol(argv[i], &end, 10);
        if (end == argv[i] || *end != '\0' || size < 1 || size > 1024) {
            std::fprintf(stderr, "chenque-icon-files: not a pixel size: %s\n", argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(themeDir).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(dir, iconName);
        if (!QDir().mkpath(dir) || !cq::app::PictureProgramImage(int(size)).save(file, "PNG")) {
            std::fprintf(stderr, "chenque-icon-files: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
