#include <QApplication>

#include <clocale>
#include <cstdio>

#include "app/application_id.h"
#include "app/main_window.h"
#include "platform/mpv_media_player.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Wayland compositors tie the window to its desktop entry, and so to the menu's
    // name and icon, by this id alone.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(cq::app::kApplicationId));
    // QApplication has just taken the locale from the environment; libmpv refuses
    // to start unless numbers are read and written the C way.
    std::setlocale(LC_NUMERIC, "C");
    // Hiding to the tray, or closing the tray menu while hidden, must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    std::unique_ptr<cq::platform::MediaPlayer> media = cq::platform::CreateMpvMediaPlayer();
    if (!media) {
        std::fputs("chenque: libmpv could not be started, nothing can be played\n", stderr);
        return 1;
    }
    cq::app::MainWindow window({.mediaPlayer = std::move(media)});
    window.show();
    return QApplication::exec();
}
