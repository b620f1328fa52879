#include "RootPixmap.h"

#include "XcbReply.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <xcb/xcb.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

namespace {

struct Disconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

xcb_screen_t* NthScreen(xcb_connection_t* connection, int number) {
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (; screens.rem > 0; xcb_screen_next(&screens), --number)
        if (number == 0) return screens.data;
    return nullptr;
}

xcb_visualtype_t* RootVisual(xcb_screen_t* screen) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem > 0;
         xcb_depth_next(&depths)) {
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
             xcb_visualtype_next(&visuals))
            if (visuals.data->visual_id == screen->root_visual) return visuals.data;
    }
    return nullptr;
}

std::optional<xcb_format_t> PixmapFormat(xcb_connection_t* connection, uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem > 0;
         xcb_format_next(&formats))
        if (formats.data->depth == depth) return *formats.data;
    return std::nullopt;
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(strlen(name)), name),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_pixmap_t PixmapProperty(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t atom) {
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, atom, XCB_ATOM_PIXMAP, 0, 1), nullptr));
    if (!reply || reply->type != XCB_ATOM_PIXMAP || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) != 4)
        return XCB_NONE;
    return *static_cast<xcb_pixmap_t*>(xcb_get_property_value(reply.get()));
}

bool Succeeded(xcb_connection_t* connection, xcb_void_cookie_t cookie) {
    XcbReply<xcb_generic_error_t> error(xcb_request_check(connection, cookie));
    return !error;
}

// The picture in the layout of the root's 24- or 32-bit true-colour pixels: 32 bits a pixel,
// least significant byte first.
std::optional<QImage> InServerLayout(QImage image, const xcb_visualtype_t& visual,
                                     const xcb_format_t& format, const xcb_setup_t& setup) {
    if (format.bits_per_pixel != 32 || visual._class != XCB_VISUAL_CLASS_TRUE_COLOR ||
        setup.image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return std::nullopt;
    // A 24-bit server ignores the fourth byte, which is all that sets ARGB32 apart (not
    // premultiplied): the composed wallpaper goes up without a copy.
    if (format.depth != 24 || image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    if (visual.red_mask == 0xff0000 && visual.blue_mask == 0xff) return image;
    if (visual.red_mask == 0xff && visual.blue_mask == 0xff0000) return image.rgbSwapped();
    return std::nullopt;
}

}  // namespace

int SetRootWindowPixmap(const std::string& path) {
    QImageReader reader(QFile::decodeName(path.c_str()));
    const QImage picture = reader.read();
    if (picture.isNull()) return reader.error() == QImageReader::FileNotFoundError ? ENOENT : EIO;
    return SetRootWindowPixmap(picture);
}

int SetRootWindowPixmap(const QImage& picture) {
    if (picture.isNull()) return EINVAL;
    int screenNumber = 0;
    Connection connection(xcb_connect(nullptr, &screenNumber));
    xcb_connection_t* x = connection.get();
    if (xcb_connection_has_error(x)) return ECONNREFUSED;
    xcb_screen_t* screen = NthScreen(x, screenNumber);
    const xcb_visualtype_t* visual = screen == nullptr ? nullptr : RootVisual(screen);
    const auto format = screen == nullptr ? std::nullopt : PixmapFormat(x, screen->root_depth);
    if (visual == nullptr || !format) return ENOTSUP;
    const auto image = InServerLayout(picture, *visual, *format, *xcb_get_setup(x));
    if (!image) return ENOTSUP;

    const auto width = static_cast<uint16_t>(image->width());
    const auto height = static_cast<uint16_t>(image->height());
    const xcb_pixmap_t pixmap = xcb_generate_id(x);
    if (!Succeeded(x, xcb_create_pixmap_checked(x, screen->root_depth, pixmap, screen->root, width,
                                                height)))
        return ENOMEM;
    const xcb_gcontext_t gc = xcb_generate_id(x);
    xcb_create_gc(x, gc, pixmap, 0, nullptr);
    // A request has a size limit; the picture goes in bands of rows that fit it.
    const size_t stride = static_cast<size_t>(image->bytesPerLine());
    const size_t limit = static_cast<size_t>(xcb_get_maximum_request_length(x)) * 4 - 64;
    const int bandRows = static_cast<int>(std::max<size_t>(1, limit / stride));
    xcb_void_cookie_t last{};
    for (int top = 0; top < height; top += bandRows) {
        const int rows = std::min(bandRows, height - top);
        last = xcb_put_image_checked(x, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, width,
                                     static_cast<uint16_t>(rows), 0, static_cast<int16_t>(top), 0,
                                     screen->root_depth, static_cast<uint32_t>(stride * rows),
                                     image->constScanLine(top));
    }
    xcb_free_gc(x, gc);
    if (!Succeeded(x, last)) {
        xcb_free_pixmap(x, pixmap);
        return EIO;
    }

    const xcb_atom_t rootPixmapAtom = Atom(x, "_XROOTPMAP_ID");
    const xcb_atom_t setRootAtom = Atom(x, "ESETROOT_PMAP_ID");
    if (rootPixmapAtom == XCB_ATOM_NONE || setRootAtom == XCB_ATOM_NONE) {
        xcb_free_pixmap(x, pixmap);
        return EIO;
    }
    const xcb_pixmap_t previous = PixmapProperty(x, screen->root, rootPixmapAtom);
    const bool previousIsRetained =
        previous != XCB_NONE && previous == PixmapProperty(x, screen->root, setRootAtom);

    for (xcb_atom_t atom : {rootPixmapAtom, setRootAtom})
        xcb_change_property(x, XCB_PROP_MODE_REPLACE, screen->root, atom, XCB_ATOM_PIXMAP, 32, 1,
                            &pixmap);
    xcb_change_window_attributes(x, screen->root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(x, 0, screen->root, 0, 0, 0, 0);
    // The pixmap of the previous change belongs to a client that kept its resources after it
    // left; ending that client frees it. Someone may have freed it already: that is fine.
    if (previousIsRetained)
        XcbReply<xcb_generic_error_t>(xcb_request_check(x, xcb_kill_client_checked(x, previous)));
    return Succeeded(x, xcb_set_close_down_mode_checked(x, XCB_CLOSE_DOWN_RETAIN_PERMANENT)) ? 0
                                                                                             : EIO;
}
