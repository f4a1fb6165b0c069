#include <QApplication>

#include <clocale>

#include "app/application_id.h"
#include "app/main_window.h"
#include "platform/deferred_media_player.h"
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

    // libmpv starts while the window is built and the lists load; the first episode
    // is the first thing that needs it. Never null: without libmpv it is a player
    // that opens nothing, and the rows it cannot play end like audio that cannot be
    // opened.
    cq::app::MainWindow window({.mediaPlayer = cq::platform::MakeMediaPlayerInBackground(
                                    [] { return cq::platform::CreateMpvMediaPlayer(); })});
    window.show();
    return QApplication::exec();
}
