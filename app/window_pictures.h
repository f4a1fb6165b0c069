#pragma once

// The window's own pictures (chrome, transport, tray), drawn in code so they stay
// sharp at any device pixel ratio. The six playback pictures are the player's.

#include <QIcon>
#include <QImage>

namespace cq::app {

QIcon PictureClose();          // a cross
QIcon PictureHideToTray();     // an arrow pointing into the lower right corner
QIcon PicturePlaylist();       // a bulleted list
QIcon PicturePrevious();       // a bar followed by a left-pointing triangle
QIcon PictureNext();           // a right-pointing triangle followed by a bar
QIcon PictureFoldUp();         // an upward chevron, on the fold bar
QIcon PictureRetry();          // a circular arrow, on the retry button over the cover
QIcon PictureProgram();        // the window's and the tray's icon
QIcon PictureMenuPlayPause();  // tray menu: a triangle and two bars
QIcon PictureMenuExit();       // tray menu: a power sign

// The program's picture at one pixel size, for the icon files the desktop shows in
// its menus and docks.
QImage PictureProgramImage(int pixelSize);

}  // namespace cq::app
