#pragma once

#include <QImage>

#include <string>

// The background of the X display's root window, as window managers without a desktop of their
// own show it: a pixmap kept on the server after we disconnect, named in _XROOTPMAP_ID and
// ESETROOT_PMAP_ID so that other programs (and the next change) find it. The pixmap of the
// previous change is freed. 0, or an errno code.
int SetRootWindowPixmap(const std::string& path);
// The same with the picture itself.
int SetRootWindowPixmap(const QImage& picture);
